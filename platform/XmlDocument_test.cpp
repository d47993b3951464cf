#include "platform/XmlDocument.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

XmlDocument ParseOk(const QByteArray& bytes) {
    XmlDocument doc;
    const Status status = doc.Parse(bytes, QStringLiteral("test.xml"));
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    return doc;
}

// What is written to file descriptor 2 while `run` executes.
std::string StderrOf(const std::function<void()>& run) {
    fflush(stderr);
    FILE* capture = tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(capture), STDERR_FILENO);
    run();
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text;
    rewind(capture);
    for (int c = fgetc(capture); c != EOF; c = fgetc(capture)) {
        text += char(c);
    }
    fclose(capture);
    return text;
}

QStringList AttributeOf(const std::vector<XmlNode>& nodes, const QString& name) {
    QStringList values;
    for (const XmlNode& node : nodes) {
        values << node.Attribute(name).value_or(QStringLiteral("<none>"));
    }
    return values;
}

QByteArray Reserialized(const XmlDocument& doc) {
    QByteArray bytes;
    const Status status = doc.Serialize(&bytes);
    EXPECT_TRUE(status.ok()) << status.message().toStdString();
    return bytes;
}

TEST(XmlDocumentParse, FailuresNameFileAndLineAndLeaveTheDocumentEmpty) {
    const struct {
        QByteArray bytes;
        QString prefix;
        QString detail;
    } cases[] = {
        {"<xml>\n  <a>\n</xml>\n", "conf.xml: line 3: ", "mismatch"},
        {"", "conf.xml: ", "empty"},
        {"just some words", "conf.xml: line 1: ", "'<'"},
        {QByteArray::fromHex("1f8b0800000000000003b3a9c8cdb1d3070000"), "conf.xml: ", "gzip"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<a>\x81</a>",
         "conf.xml: line 2: ", "encoding"},
    };
    for (const auto& c : cases) {
        XmlDocument doc = ParseOk("<xml/>");
        Status status = Status::Ok();
        const std::string printed =
            StderrOf([&] { status = doc.Parse(c.bytes, QStringLiteral("conf.xml")); });
        const QString message = status.message();
        EXPECT_FALSE(status.ok()) << c.bytes.toStdString();
        EXPECT_TRUE(message.startsWith(c.prefix)) << message.toStdString();
        EXPECT_TRUE(message.contains(c.detail, Qt::CaseInsensitive)) << message.toStdString();
        EXPECT_FALSE(message.contains('\n')) << message.toStdString();
        EXPECT_TRUE(doc.IsEmpty());
        EXPECT_EQ(printed, "");
    }
}

TEST(XmlDocumentParse, RefusesEntityDeclarationsAndExternalDtds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray secret = "TOP-SECRET-4711";
    QFile secretFile(dir.filePath(QStringLiteral("secret.txt")));
    ASSERT_TRUE(secretFile.open(QIODevice::WriteOnly));
    secretFile.write(secret);
    secretFile.close();
    QFile dtdFile(dir.filePath(QStringLiteral("ext.dtd")));
    ASSERT_TRUE(dtdFile.open(QIODevice::WriteOnly));
    dtdFile.write("<!ENTITY s SYSTEM \"file://" + secretFile.fileName().toUtf8() + "\">");
    dtdFile.close();
    const QByteArray secretUrl = "file://" + secretFile.fileName().toUtf8();
    const QByteArray dtdUrl = "file://" + dtdFile.fileName().toUtf8();

    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE xml [\n<!ENTITY l0 \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        laughs += QStringLiteral("<!ENTITY l%1 \"&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;\">\n")
                      .arg(i)
                      .arg(i - 1)
                      .toUtf8();
    }
    laughs += "]>\n<xml>&l9;</xml>\n";

    const struct {
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {"<!DOCTYPE xml [\n<!ENTITY xxe SYSTEM \"" + secretUrl + "\">\n]>\n<xml>&xxe;</xml>",
         "conf.xml: line 2: the document declares entities, which are not accepted"},
        {"<!DOCTYPE xml [<!ENTITY % p SYSTEM \"" + secretUrl + "\"> %p;]><xml/>",
         "declares entities"},
        {"<!DOCTYPE xml SYSTEM \"" + dtdUrl + "\">\n<xml>&s;</xml>",
         "conf.xml: line 1: the document names an external DTD, which is not accepted"},
        {"<!DOCTYPE xml PUBLIC \"-//X//DTD X//EN\" \"" + dtdUrl + "\"><xml>&s;</xml>",
         "names an external DTD"},
        {laughs, "conf.xml: line 3: the document declares entities"},
    };
    for (const auto& c : cases) {
        XmlDocument doc;
        Status status = Status::Ok();
        const auto start = std::chrono::steady_clock::now();
        const std::string printed =
            StderrOf([&] { status = doc.Parse(c.bytes, QStringLiteral("conf.xml")); });
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_FALSE(status.ok()) << c.bytes.toStdString();
        EXPECT_TRUE(status.message().contains(c.expected)) << status.message().toStdString();
        EXPECT_FALSE(status.message().contains(secret));
        EXPECT_TRUE(doc.IsEmpty());
        EXPECT_EQ(printed.find(secret.toStdString()), std::string::npos);
    }

    // A DOCTYPE that only names the root brings nothing in and is kept.
    XmlDocument plain = ParseOk("<!DOCTYPE xml>\n<xml><a>x</a></xml>\n");
    EXPECT_TRUE(Reserialized(plain).contains("<!DOCTYPE xml>\n<xml><a>x</a></xml>"));
}

// Ids as they occur in real files; none may change what the expression means.
const QString kTrickyIds[] = {
    QStringLiteral("a\"b"), QStringLiteral("a'b"), QStringLiteral("a\"b'c"),
    QStringLiteral("x[1]"), QStringLiteral("]"),   QStringLiteral("//"),
    QStringLiteral("$(X)"), QStringLiteral("x"),   QStringLiteral("x' or '1'='1"),
};

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();  // also escapes '"', so it fits a quoted attribute
}

TEST(XmlDocumentXPath, VariablesAreMatchedAsValuesNeverAsExpressionText) {
    QByteArray text = "<xml>\n";
    for (const QString& id : kTrickyIds) {
        text += "<variable id=\"" + Escaped(id) + "\"><varname>" + Escaped(id) +
                "</varname></variable>\n<command id=\"" + Escaped(id) + "\">run " + Escaped(id) +
                "</command>\n";
    }
    text += "<variable id=\"other\"><varname>X</varname></variable></xml>\n";
    const XmlDocument doc = ParseOk(text);

    for (const QString& id : kTrickyIds) {
        const XPathVariables vars = {{QStringLiteral("id"), id}};
        std::vector<XmlNode> nodes;
        ASSERT_TRUE(doc.SelectNodes(QStringLiteral("//variable[@id=$id]"), &nodes, vars).ok());
        EXPECT_EQ(AttributeOf(nodes, QStringLiteral("id")), QStringList{id});

        ASSERT_TRUE(doc.SelectNodes(QStringLiteral("//varname[text()=$id]"), &nodes, vars).ok());
        ASSERT_EQ(nodes.size(), 1u) << id.toStdString();
        EXPECT_EQ(nodes[0].Name(), QStringLiteral("varname"));
        EXPECT_EQ(nodes[0].Text(), id);

        XmlNode command;
        ASSERT_TRUE(
            doc.SelectSingleNode(QStringLiteral("//command[@id=$id]/text()"), &command, vars).ok());
        EXPECT_EQ(command.Text(), QStringLiteral("run ") + id);
    }
    std::vector<XmlNode> nodes;
    ASSERT_TRUE(doc.SelectNodes(QStringLiteral("//variable[@id=$id]"), &nodes,
                                {{QStringLiteral("id"), QStringLiteral("\" or \"1\"=\"1")}})
                    .ok());
    EXPECT_TRUE(nodes.empty());
}

TEST(XmlDocumentXPath, ResultsComeInDocumentOrderFromTheContextNode) {
    const XmlDocument doc = ParseOk(
        "<xml><variable id='a' n='1'><variable id='a' n='2'/></variable>"
        "<group><variable id='a' n='3'/><name>g</name></group><variable id='b' n='x'/>"
        "<variable id='a' n='4'/></xml>");
    const XPathVariables a = {{QStringLiteral("id"), QStringLiteral("a")}};
    std::vector<XmlNode> nodes;
    ASSERT_TRUE(doc.SelectNodes(QStringLiteral("//variable[@id=$id]"), &nodes, a).ok());
    EXPECT_EQ(AttributeOf(nodes, QStringLiteral("n")), QStringList({"1", "2", "3", "4"}));
    XmlNode first;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//variable[@id=$id]"), &first, a).ok());
    EXPECT_EQ(first.Attribute(QStringLiteral("n")), QStringLiteral("1"));

    ASSERT_TRUE(doc.SelectNodes(QStringLiteral("//group/variable | /xml/variable"), &nodes).ok());
    EXPECT_EQ(AttributeOf(nodes, QStringLiteral("n")), QStringList({"1", "3", "x", "4"}));

    XmlNode group;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("xml/group"), &group).ok());
    ASSERT_TRUE(doc.SelectNodes(QStringLiteral("variable"), &nodes, {}, group).ok());
    EXPECT_EQ(AttributeOf(nodes, QStringLiteral("n")), QStringList({"3"}));
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("name"), &first, {}, group).ok());
    EXPECT_EQ(first.Text(), QStringLiteral("g"));
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("item"), &first, {}, group).ok());
    EXPECT_TRUE(first.IsNull());
}

TEST(XmlDocumentXPath, FailuresNameTheExpressionAndPrintNothing) {
    const XmlDocument doc = ParseOk("<xml><variable id='a'/></xml>");
    const struct {
        QString expression;
        QString reason;
    } cases[] = {{"//variable[", ""},
                 {"count(//variable)", "does not select nodes"},
                 {"//variable[@id=$id]", "undefined variable"},
                 {"nosuch(1)", "unknown function"}};
    for (const auto& c : cases) {
        std::vector<XmlNode> nodes;
        Status status = Status::Ok();
        const std::string printed =
            StderrOf([&] { status = doc.SelectNodes(c.expression, &nodes); });
        EXPECT_FALSE(status.ok()) << c.expression.toStdString();
        EXPECT_TRUE(status.message().startsWith("XPath \"" + c.expression + "\": "))
            << status.message().toStdString();
        EXPECT_TRUE(status.message().contains(c.reason)) << status.message().toStdString();
        EXPECT_EQ(printed, "");
    }
    // libxml2 keeps its message hooks per thread; a worker thread must be just as quiet.
    Status fromThread = Status::Ok();
    const std::string printed = StderrOf([&] {
        std::thread([&] {
            const XmlDocument local = ParseOk("<xml/>");
            std::vector<XmlNode> nodes;
            fromThread = local.SelectNodes(QStringLiteral("nosuch(1)"), &nodes);
        }).join();
    });
    EXPECT_TRUE(fromThread.message().contains("unknown function"));
    EXPECT_EQ(printed, "");

    // An empty document selects nothing, but a broken expression is still reported.
    const XmlDocument empty;
    std::vector<XmlNode> nodes;
    EXPECT_TRUE(empty.SelectNodes(QStringLiteral("xml/variable"), &nodes).ok());
    EXPECT_TRUE(nodes.empty());
    EXPECT_FALSE(empty.SelectNodes(QStringLiteral("xml/["), &nodes).ok());
}

TEST(XmlNodeTest, TextNameAttributeAndLine) {
    const XmlDocument doc = ParseOk(
        "<xml xmlns:p='urn:p'>\n"
        "<a k=''>one <!-- not text --><b>two</b><![CDATA[ <three> ]]><?pi no?></a>\n"
        "<p:c id='x' p:other='y'/>\n"
        "</xml>");
    XmlNode a;
    XmlNode c;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("xml/a"), &a).ok());
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//*[@id]"), &c).ok());
    EXPECT_EQ(a.Text(), QStringLiteral("one two <three> "));
    EXPECT_EQ(a.Line(), 2);
    EXPECT_EQ(c.Line(), 3);
    EXPECT_EQ(c.Name(), QStringLiteral("c"));

    std::vector<XmlNode> texts;
    ASSERT_TRUE(doc.SelectNodes(QStringLiteral("text()"), &texts, {}, a).ok());
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].Text(), QStringLiteral("one "));
    EXPECT_EQ(texts[1].Text(), QStringLiteral(" <three> "));
    EXPECT_FALSE(texts[0].IsElement());
    EXPECT_EQ(texts[0].Name(), QString());

    EXPECT_EQ(a.Attribute(QStringLiteral("k")), QString());
    EXPECT_TRUE(a.Attribute(QStringLiteral("k")).has_value());
    EXPECT_FALSE(a.Attribute(QStringLiteral("missing")).has_value());
    EXPECT_EQ(c.Attribute(QStringLiteral("id")), QStringLiteral("x"));
    EXPECT_FALSE(c.Attribute(QStringLiteral("other")).has_value());  // only in a namespace
    XmlNode attribute;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("@id"), &attribute, {}, c).ok());
    EXPECT_EQ(attribute.Text(), QStringLiteral("x"));
}

TEST(XmlNodeTest, SetTextStoresMarkupCharactersVerbatim) {
    XmlDocument doc =
        ParseOk("<xml>\n  <value>old<b>bold</b>tail</value>\n  <input k='1'>in</input>\n</xml>\n");
    const QString tricky = QStringLiteral("&amp; <b>x</b> ]]> \"q\" 'a' a\r\nb");
    XmlNode value;
    XmlNode inputText;
    XmlNode attribute;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("xml/value"), &value).ok());
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//input/text()"), &inputText).ok());
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//input/@k"), &attribute).ok());
    value.SetText(tricky);
    inputText.SetText(tricky + "1");
    attribute.SetText(tricky + "2");

    std::vector<XmlNode> children;
    ASSERT_TRUE(doc.SelectNodes(QStringLiteral("*"), &children, {}, value).ok());
    EXPECT_TRUE(children.empty());
    EXPECT_EQ(value.Text(), tricky);

    const QByteArray bytes = Reserialized(doc);
    EXPECT_TRUE(bytes.contains("\n  <input")) << bytes.toStdString();  // layout kept
    const XmlDocument again = ParseOk(bytes);
    ASSERT_TRUE(again.SelectSingleNode(QStringLiteral("xml/value"), &value).ok());
    ASSERT_TRUE(again.SelectNodes(QStringLiteral("*"), &children, {}, value).ok());
    EXPECT_TRUE(children.empty());
    EXPECT_EQ(value.Text(), tricky);
    ASSERT_TRUE(again.SelectSingleNode(QStringLiteral("//input"), &value).ok());
    EXPECT_EQ(value.Text(), tricky + "1");
    EXPECT_EQ(value.Attribute(QStringLiteral("k")), tricky + "2");
}

TEST(XmlDocumentSerialize, KeepsTheFileEncodingDeclarationAndComments) {
    const QByteArray latin1 =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- Gr\xfc\xdf"
        "e -->\n<xml>\n  <name>M\xfcller \xc4rger</name>\n  <price/>\n</xml>\n";
    const QByteArray cp1252 =
        "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<xml><name>\x80 \xe4 "
        "\x9f</name></xml>\n";
    const struct {
        QByteArray bytes;
        QString name;
    } cases[] = {{latin1, QStringLiteral("Müller Ärger")}, {cp1252, QStringLiteral("€ ä Ÿ")}};
    for (const auto& c : cases) {
        const XmlDocument doc = ParseOk(c.bytes);
        XmlNode name;
        ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("xml/name"), &name).ok());
        EXPECT_EQ(name.Text(), c.name);
        EXPECT_EQ(Reserialized(doc), c.bytes);
    }

    // A character the encoding cannot hold becomes a reference and reads back unchanged.
    XmlDocument doc = ParseOk(latin1);
    XmlNode price;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//price"), &price).ok());
    price.SetText(QStringLiteral("5 € für Öl"));
    const QByteArray bytes = Reserialized(doc);
    EXPECT_TRUE(bytes.contains("<price>5 &#8364; f\xfcr \xd6l</price>")) << bytes.toStdString();
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- Gr\xfc"));
    const XmlDocument again = ParseOk(bytes);
    ASSERT_TRUE(again.SelectSingleNode(QStringLiteral("//price"), &price).ok());
    EXPECT_EQ(price.Text(), QStringLiteral("5 € für Öl"));

    // Without a declaration the file is UTF-8, and stays UTF-8 rather than turning into
    // references.
    EXPECT_TRUE(Reserialized(ParseOk("<xml>\xc3\xa4</xml>")).contains("<xml>\xc3\xa4</xml>"));
}

// A file the parser reads but could not read back in its own encoding is written as UTF-8.
TEST(XmlDocumentSerialize, WritesUtf8WhenTheOwnEncodingWouldNotReadBack) {
    XmlDocument doc =
        ParseOk("<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n<xml><v>h+AOQ-</v></xml>");
    XmlNode value;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//v"), &value).ok());
    ASSERT_EQ(value.Text(), QString::fromUtf8("h\xc3\xa4"));
    QByteArray bytes;
    ASSERT_TRUE(doc.Serialize(&bytes).ok());
    XmlDocument again;
    ASSERT_TRUE(again.Parse(bytes, QStringLiteral("again.xml")).ok()) << bytes.toStdString();
    ASSERT_TRUE(again.SelectSingleNode(QStringLiteral("//v"), &value).ok());
    EXPECT_EQ(value.Text(), QString::fromUtf8("h\xc3\xa4"));
}

TEST(XmlDocumentSerialize, RefusesCharactersXml10CannotHold) {
    XmlDocument doc = ParseOk("<xml>\n<value k='v'>ok</value>\n</xml>");
    XmlNode value;
    XmlNode attribute;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//value"), &value).ok());
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//@k"), &attribute).ok());
    const struct {
        QString text;
        QString code;
    } cases[] = {{QString(QChar(0x0001)), "U+0001"},
                 {QString(QChar(0xFFFE)), "U+FFFE"},
                 {QString(QChar(0xD800)), "U+D800"},
                 {QString(QChar(0x0000)), "U+0000"}};
    for (const auto& c : cases) {
        for (XmlNode* node : {&value, &attribute}) {
            node->SetText(QStringLiteral("a") + c.text + QStringLiteral("b"));
            QByteArray bytes = "stale";
            const Status status = doc.Serialize(&bytes);
            EXPECT_FALSE(status.ok());
            EXPECT_TRUE(status.message().startsWith("line 2: ")) << status.message().toStdString();
            EXPECT_TRUE(status.message().contains(c.code)) << status.message().toStdString();
            EXPECT_TRUE(bytes.isEmpty());
            node->SetText(QStringLiteral("fine \t\U0001F600"));
        }
    }
    EXPECT_TRUE(Reserialized(doc).contains("<value k=\"fine &#9;\xf0\x9f\x98\x80\">fine \t"));
}

TEST(XmlDocumentTest, NewDocumentGetsItsRootAndWritesUtf8) {
    XmlDocument doc;
    EXPECT_TRUE(doc.IsEmpty());
    EXPECT_TRUE(doc.Root().IsNull());
    QByteArray bytes;
    EXPECT_FALSE(doc.Serialize(&bytes).ok());
    EXPECT_TRUE(doc.CreateRoot(QStringLiteral("bad name")).IsNull());

    XmlNode root = doc.CreateRoot(QStringLiteral("xml"));
    ASSERT_FALSE(root.IsNull());
    EXPECT_EQ(doc.Root(), root);
    EXPECT_TRUE(doc.CreateRoot(QStringLiteral("second")).IsNull());
    root.SetText(QStringLiteral("ä"));
    bytes = Reserialized(doc);
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")) << bytes.data();
    EXPECT_TRUE(bytes.contains("<xml>\xc3\xa4</xml>")) << bytes.data();
    const XmlDocument again = ParseOk(bytes);
    EXPECT_EQ(again.Root().Name(), QStringLiteral("xml"));
}

TEST(XmlDocumentTest, MovingKeepsNodesValid) {
    XmlDocument doc = ParseOk("<xml><variable id='a'>one</variable></xml>");
    XmlNode node;
    ASSERT_TRUE(doc.SelectSingleNode(QStringLiteral("//variable"), &node).ok());

    XmlDocument moved(std::move(doc));
    EXPECT_TRUE(doc.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from is empty
    EXPECT_EQ(node.Text(), QStringLiteral("one"));
    XmlDocument assigned = ParseOk("<other/>");
    assigned = std::move(moved);
    XmlNode again;
    ASSERT_TRUE(assigned.SelectSingleNode(QStringLiteral("//variable"), &again).ok());
    EXPECT_EQ(again, node);
    node.SetText(QStringLiteral("two"));
    EXPECT_TRUE(Reserialized(assigned).contains("<variable id=\"a\">two</variable>"));

    ASSERT_TRUE(doc.Parse("<reused/>", QStringLiteral("r.xml")).ok());  // NOLINT
    EXPECT_EQ(doc.Root().Name(), QStringLiteral("reused"));
}

}  // namespace
