#include "platform/XmlDocument.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QStringConverter>
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

// Broken files and hostile ones (entities that would read a local file, an external DTD, a gzip
// file) are refused before anything is loaded, naming the file and the line. Nothing reaches
// standard error: libxml2 writes some messages there unless told otherwise.
TEST(XmlDocumentParse, RefusesBrokenAndHostileDocuments) {
    const QByteArray passwd = "\"file:///etc/passwd\"";
    const std::tuple<QByteArray, QString, QString> cases[] = {
        {"<xml>\n  <a>\n</xml>\n", "line 3: ", "mismatch"},
        {"", "", "the file is empty"},
        {QByteArray::fromHex("1f8b0800000000000003b3a9c8cdb1d3070000"), "", "gzip"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>\x81</a>", "line 2: ", "encoding"},
        {"<!DOCTYPE xml [\n<!ENTITY e SYSTEM " + passwd + ">\n]>\n<xml>&e;</xml>",
         "line 2: ", "the document declares entities, which are not accepted"},
        {"<!DOCTYPE xml [<!ENTITY % p SYSTEM " + passwd + "> %p;]><xml/>", "line 1: ", "entities"},
        {"<!DOCTYPE xml SYSTEM " + passwd + ">\n<xml/>",
         "line 1: ", "the document names an external DTD, which is not accepted"},
        {"<!DOCTYPE xml PUBLIC \"-//X//DTD X//EN\" " + passwd + "><xml/>", "line 1: ", "DTD"}};
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
    // A DOCTYPE that only names the root brings nothing in and is kept.
    EXPECT_TRUE(Saved(ParseOk("<!DOCTYPE xml>\n<xml/>\n")).contains("<!DOCTYPE xml>\n<xml/>"));
}

// An id as it may occur in real files may not change what the expression means.
TEST(XmlDocumentXPath, VariablesAreMatchedAsValuesNeverAsExpressionText) {
    const QString id = R"(a"b'c x[1] $(X)' or '1'='1)";
    const XmlDocument doc =
        ParseOk("<xml><v id='x'/><v id=\"" + id.toHtmlEscaped().toUtf8() + "\"/></xml>");
    EXPECT_EQ(Select(doc, "//v[@id=$id]/@id", {{"id", id}}), QStringList{id});
}

// A changed file keeps its encoding, declaration and comments, and the form of its text: line
// breaks, byte order and byte-order mark. These used to come back LF, and UTF-16 always
// little-endian with a mark; a UTF-8 mark was dropped.
TEST(XmlDocumentSerialize, KeepsEncodingLineBreaksByteOrderAndByteOrderMark) {
    using Encoding = QStringConverter::Encoding;
    const QString utf16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n";
    const QString utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const QString latin1 = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- Grüße -->\n";
    // Declaration read and written (libxml2 adds one), encoding, byte-order mark, CR LF.
    const std::tuple<QString, QString, Encoding, bool, bool> cases[] = {
        {utf16, utf16, Encoding::Utf16BE, false, true},
        {utf16, utf16, Encoding::Utf16LE, true, true},
        {"", utf16, Encoding::Utf16BE, true, true},
        {"", utf8, Encoding::Utf8, true, false},
        {latin1, latin1, Encoding::Latin1, false, true}};
    for (const auto& [before, after, encoding, mark, crlf] : cases) {
        // clang 14 cannot capture structured bindings: named copies for the lambda.
        const auto encode = [encoding = encoding, mark = mark, crlf = crlf](QString text) {
            QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom
                                                  : QStringConverter::Flag::Default);
            return QByteArray(encoder.encode(crlf ? text.replace("\n", "\r\n") : text));
        };
        const QString body = "<xml>\n  <v k=\"\u00e4\">x</v>\n</xml>\n";
        XmlDocument doc = ParseOk(encode(before + body));
        First(doc, "//v").SetText("\u00e4\ny");
        EXPECT_EQ(Saved(doc), encode(after + QString(body).replace(">x<", ">\u00e4\ny<")))
            << before.toStdString() << int(encoding) << mark << crlf;
    }
    // A character the encoding cannot hold becomes a reference and reads back unchanged.
    XmlDocument doc = ParseOk("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><xml/>");
    doc.Root().SetText(QStringLiteral("5 € für Öl"));
    EXPECT_TRUE(Saved(doc).contains("<xml>5 &#8364; f\xfcr \xd6l</xml>")) << Saved(doc).data();
    EXPECT_EQ(ParseOk(Saved(doc)).Root().Text(), QStringLiteral("5 € für Öl"));
}

// Regression, found by the fuzzer: a file in an encoding that libxml2 reads but cannot write back
// readably (UTF-7) was saved so that it could not be loaded again. It is written as UTF-8.
TEST(XmlDocumentSerialize, WritesUtf8WhenTheOwnEncodingWouldNotReadBack) {
    const XmlDocument doc =
        ParseOk("<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n<xml><v>h+AOQ-</v></xml>");
    ASSERT_EQ(First(doc, "//v").Text(), QStringLiteral("hä"));
    EXPECT_EQ(First(ParseOk(Saved(doc)), "//v").Text(), QStringLiteral("hä"));
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

// In a text and in an attribute; the failure leaves no bytes and names the line.
TEST(XmlDocumentSerialize, RefusesCharactersXml10CannotHold) {
    XmlDocument doc = ParseOk("<xml>\n<value k='v'>ok</value>\n</xml>");
    for (const auto& [where, character, name] :
         {std::tuple("//value", u'\x01', "U+0001"), std::tuple("//@k", u'\xD800', "U+D800")}) {
        First(doc, where).SetText(QStringLiteral("a") + QChar(character) + u'b');
        QByteArray bytes = "stale";
        const QString message = doc.Serialize(&bytes).message();
        EXPECT_TRUE(message.startsWith("line 2: ") && message.contains(name) && bytes.isEmpty())
            << where << ": " << message.toStdString();
        First(doc, where).SetText(QStringLiteral("fine \t\U0001F600"));
    }
    EXPECT_TRUE(Saved(doc).contains("<value k=\"fine &#9;\xf0\x9f\x98\x80\">fine \t"));
}

}  // namespace
