#include "platform/XmlDocument.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

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

}  // namespace
