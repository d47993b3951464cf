#include "platform/XmlDocument.h"

#include "platform/XmlAttributeScan.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QStringEncoder>
#include <QStringList>

#include <tuple>

namespace {

XmlDocument ParseOk(const QByteArray& bytes) {
    XmlDocument doc;
    const Status status = doc.Parse(bytes, QStringLiteral("test.xml"));
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    return doc;
}

QByteArray Saved(const XmlDocument& doc) {
    QByteArray bytes;
    const Status status = doc.Serialize(&bytes);
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    return bytes;
}

// The texts of the nodes `expression` selects.
QStringList Select(const XmlDocument& doc, const QString& expression,
                   const XPathVariables& variables = {}) {
    std::vector<XmlNode> nodes;
    EXPECT_TRUE(doc.SelectNodes(expression, &nodes, variables).ok());
    QStringList texts;
    for (const XmlNode& node : nodes)
        texts << node.Text();
    return texts;
}

XmlNode First(const XmlDocument& doc, const QString& expression) {
    XmlNode node;
    EXPECT_TRUE(doc.SelectSingleNode(expression, &node).ok());
    return node;
}

// `text` in UTF-16, little end first, behind a byte-order mark.
QByteArray Utf16(const QString& text) {
    return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(text);
}

// Hostile files (entities that would read a local file, an external DTD) are refused before
// anything is loaded, naming the file and the line. Nothing reaches standard error: libxml2
// writes some messages there unless told otherwise.
TEST(XmlDocumentParse, RefusesHostileDocuments) {
    const QByteArray passwd = "\"file:///etc/passwd\"";
    const std::tuple<QByteArray, QString, QString> cases[] = {
        {"<!DOCTYPE xml [\n<!ENTITY e SYSTEM " + passwd + ">\n]>\n<xml>&e;</xml>",
         "line 2: ", "the document declares entities, which are not accepted"},
        {"<!DOCTYPE xml SYSTEM " + passwd + ">\n<xml/>",
         "line 1: ", "the document names an external DTD, which is not accepted"}};
    for (const auto& [bytes, line, reason] : cases) {
        XmlDocument doc = ParseOk("<xml/>");
        testing::internal::CaptureStderr();
        const QString message = doc.Parse(bytes, QStringLiteral("conf.xml")).message();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_TRUE(message.startsWith("conf.xml: " + line) && message.contains(reason) &&
                    !message.contains('\n') && !message.contains("root:"))
            << message.toStdString();
        EXPECT_TRUE(doc.IsEmpty());
    }
}

// An element with more attributes than the program reads is refused as a parse error that names
// the file and the line; one at the limit still loads. The 80,000 attributes (in UTF-16) took
// libxml2 over half a minute.
TEST(XmlDocumentParse, RefusesAnElementOverTheAttributeLimit) {
    for (const int count : {kMaxXmlAttributes, kMaxXmlAttributes + 1, 80000}) {
        QByteArray text = "<xml>\n<e";
        for (int i = 0; i < count; ++i)
            text += " a" + QByteArray::number(i) + "=\"\"";
        text += "/></xml>";
        XmlDocument document;
        const Status parsed =
            document.Parse(count < 80000 ? text : Utf16(QString(text)), "crowded.xml");
        const bool over = count > kMaxXmlAttributes;
        EXPECT_EQ(parsed.message(), over ? "crowded.xml: line 2: an element has more than 1000 "
                                           "attributes, more than the program reads"
                                         : "")
            << count << " attributes";
        EXPECT_EQ(document.IsEmpty(), over) << count << " attributes";
    }
}

// The scan counts as the parser may read: markup in values and comments counts, a "<" anywhere
// starts a new element, and the line is the parser's (CR LF and a CR alone each end one).
TEST(XmlAttributeScan, FindsTheElementOverTheLimitAndItsLine) {
    const struct {
        const char* text;
        int line;  // with a limit of 2
    } cases[] = {
        {"<a x='1' y=\"2\"/>", 0},
        {"<a x='1' y=\"2\" z='3'/>", 1},
        {"<a x='1'/>\n<b x = '1' y=\t'2' z ='3'/>", 2},
        {"<a>\r\n\r<b x='' y='' z=''/>", 3},
        {"<a x='>' y='' z=''/>", 1},
        {"<a x='1' y='<' z='3'/>", 0},
        {"<a x=1 y=2 z=3 w='4'/>", 0},
        {"<!-- <a x='1' y='2' z='3'> -->", 1},
        {"<a x='1' y='2'>text = 'not counted'</a>", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindElementOverAttributeLimit(c.text, 2), c.line) << c.text;
    }
}

// Regression: a file without an XML declaration got one when a value changed. A file keeps
// whether it has one, in every form it may come in, and its encoding where that reads back.
TEST(XmlDocumentSerialize, KeepsWhetherTheFileHasADeclaration) {
    struct Case {
        const char* what;
        QByteArray file;
        QByteArray starts;  // the saved file's first bytes
    };
    const Case cases[] = {
        {"UTF-8 without a declaration", "<xml><v>old</v></xml>", "<xml><v>new"},
        {"UTF-8 with a mark and CR LF, without a declaration",
         "\xef\xbb\xbf<xml>\r\n<v>old</v>\r\n</xml>\r\n", "\xef\xbb\xbf<xml>\r\n<v>new"},
        {"a comment first, without a declaration", "<!-- <?xml ?> --><xml><v>old</v></xml>",
         "<!-- <?xml ?> -->\n<xml><v>new"},
        {"UTF-16 with a mark, without a declaration", Utf16("<xml><v>old</v></xml>"),
         Utf16("<xml><v>new")},
        {"UTF-8 with a declaration", "<?xml version=\"1.0\"?>\n<xml><v>old</v></xml>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xml><v>new"},
        {"ISO-8859-1 with a declaration",
         "<?xml version='1.0' encoding='ISO-8859-1'?>\n<xml><v>old</v></xml>",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<xml><v>new"},
        // Regression, found by the fuzzer: a file in an encoding that libxml2 reads but cannot
        // write back readably was saved so that it could not be loaded again.
        {"UTF-7, which is written as UTF-8",
         "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n<xml><v>old</v><w>h+AOQ-</w></xml>",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xml><v>new</v><w>h\xc3\xa4</w>"},
    };
    for (const Case& c : cases) {
        XmlDocument doc = ParseOk(c.file);
        First(doc, "//v").SetText("new");
        const QByteArray saved = Saved(doc);
        EXPECT_TRUE(saved.startsWith(c.starts)) << c.what << ": " << saved.toStdString();
        EXPECT_EQ(Select(ParseOk(saved), "//v"), QStringList{"new"}) << c.what;
    }
}

// Regression: a U+FEFF that starts a text or an attribute value was taken for a byte-order mark
// and dropped each time it was read. Only the file's own first bytes are one.
TEST(XmlNodeTest, KeepsAByteOrderMarkCharacterThatStartsAText) {
    XmlDocument doc = ParseOk("\xef\xbb\xbf<xml><v id='&#xFEFF;A'>&#xFEFF;</v><w/></xml>");
    const QString mark = QStringLiteral("\uFEFF");
    EXPECT_EQ(Select(doc, "//v[@id=$id]/@id", {{"id", mark + "A"}}), QStringList{mark + "A"});
    EXPECT_EQ(Select(doc, "//v"), QStringList{mark});
    First(doc, "//w").SetText(mark + mark + "B");
    EXPECT_EQ(Select(ParseOk(Saved(doc)), "/xml/*"), QStringList({mark, mark + mark + "B"}));
}

}  // namespace
