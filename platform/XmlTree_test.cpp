#include "platform/XmlTree.h"

#include "platform/XmlDocument.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QStringEncoder>
#include <QStringList>

namespace {

// The attributes the shapes below use, and one they never have.
constexpr const char* kAttributes[] = {"id", "a", "p:a", "xmlns", "missing"};

// One line per element and text, in document order, indented by depth: what a reader can ask of
// a node. Comments and processing instructions are not nodes of an XmlTree.
QString Shape(QString kind, int depth, const QString& name, bool inNamespace, int line,
              const QString& text, const QStringList& attributes) {
    return QString(depth, u' ') + kind + u' ' + name + (inNamespace ? "{ns}" : "") + u'@' +
           QString::number(line) + " [" + text + "] " + attributes.join(u' ');
}

QStringList ShapeOf(const XmlTree& tree) {
    QStringList shape;
    const auto walk = [&](auto&& self, XmlTree::Node node, int depth) -> void {
        for (; node != XmlTree::kNone; node = tree.NextSibling(node)) {
            QStringList attributes;
            for (const char* name : kAttributes)
                if (const auto value = tree.Attribute(node, name))
                    attributes << QString::fromUtf8(name) + "=" + *value;
            if (tree.IsElement(node)) {
                shape << Shape("E", depth, tree.Name(node), !tree.IsElementWithoutNamespace(node),
                               tree.Line(node), tree.Text(node), attributes);
                self(self, tree.FirstChild(node), depth + 1);
            } else {
                shape << Shape("T", depth, "", false, 0, tree.Text(node), attributes);
            }
        }
    };
    walk(walk, tree.Root(), 0);
    return shape;
}

QStringList ShapeOf(const XmlDocument& document) {
    QStringList shape;
    document.ForEachNode([&](const XmlNode& node) {
        int depth = 0;
        for (XmlNode parent = node.Parent(); !parent.IsNull(); parent = parent.Parent())
            ++depth;
        QStringList attributes;
        for (const char* name : kAttributes)
            if (const auto value = node.Attribute(name))
                attributes << QString::fromUtf8(name) + "=" + *value;
        if (node.IsElement())
            shape << Shape("E", depth, node.Name(), !node.IsElementWithoutNamespace(), node.Line(),
                           node.Text(), attributes);
        else if (node.IsText())
            shape << Shape("T", depth, "", false, 0, node.Text(), attributes);
    });
    return shape;
}

// `text` in UTF-16, little end first, behind a byte-order mark when `mark`.
QByteArray Utf16(const QString& text, bool mark) {
    using Flag = QStringConverter::Flag;
    return QStringEncoder(QStringConverter::Utf16LE, mark ? Flag::WriteBom : Flag::Default)(text);
}

// An XmlTree has the elements, names, namespaces, lines, texts and attributes that an
// XmlDocument of the same text has, and refuses what it refuses with the same message: texts
// that a comment, a CDATA section or an unknown entity splits, prefixes that no declaration
// binds, the defaults of a DTD (which neither keeps), encodings, and the errors that libxml2's
// tree builder reports itself (a bad xml:id) named first when the text then breaks.
TEST(XmlTreeTest, ReadsWhatXmlDocumentReads) {
    const QByteArray cases[] = {
        "<xml>\n  <a id='1'>t<b>u</b>v<!-- c -->w<?pi x?>x<![CDATA[<y>]]><![CDATA[]]>z</a>\n</xml>",
        "<xml><![CDATA[]]><v>a<![CDATA[b]]>c<!---->d</v><e/><f></f></xml>",
        "<xml xmlns:p='urn:p'><p:a p:a='1' a='2'/><u:b a='3'/><c xmlns='urn:d'><d xmlns=''/></c>"
        "<e u:a='4'/></xml>",
        "<xml a='x&amp;y&#38;&#x20AC;&lt;'\n id='\n\t'>&#xFEFF;A&amp;&#65;</xml>",
        "\xef\xbb\xbf<xml>\r\n<v>\xef\xbb\xbf\xef\xbb\xbf</v>\r<w/></xml>",
        "<?xml version='1.0' encoding='ISO-8859-1'?>\n<xml a='\xe4'>\xe9</xml>",
        "<!DOCTYPE xml [\n<!ATTLIST a id CDATA 'dflt'>\n<!ATTLIST b xmlns CDATA 'urn:b'>\n]>\n"
        "<xml><a/><b><c/></b></xml>",
        "<!DOCTYPE xml [ %pe; ]>\n<xml><a>x&undeclared;y</a></xml>",
        "<!DOCTYPE xml [\n<!ENTITY e SYSTEM 'file:///etc/passwd'>\n]>\n<xml>&e;</xml>",
        "<!DOCTYPE xml SYSTEM 'file:///etc/passwd'>\n<xml/>",
        "<xml>\n<a xml:id='1a'>\n<b xml:id='x'/><c xml:id='x'/>\n</xml>",
        "<xml xml:id='&#38;'>\n<open></xml>",
        "<xml>\n<a>\n</b></xml>",
        "",
        "\x1f\x8b\x08",
        "<xml/><extra/>",
        "<?xml version='1.0' encoding='UTF-8'?><xml>\xff</xml>",
    };
    const auto check = [](const QByteArray& bytes, const std::string& what) {
        XmlDocument document;
        XmlTree tree;
        const Status byDocument = document.Parse(bytes, "f.xml");
        const Status byTree = tree.Parse(bytes, "f.xml");
        EXPECT_EQ(byTree.message(), byDocument.message()) << what;
        EXPECT_EQ(ShapeOf(tree), ShapeOf(document)) << what;
        EXPECT_EQ(tree.Root() == XmlTree::kNone, !byTree.ok()) << what;
    };
    for (const QByteArray& bytes : cases)
        check(bytes, bytes.toStdString());
    const QString text = "<xml>\n<a id='\u20ac'>\u00e4<b/></a></xml>";
    check(Utf16(text, true), "UTF-16 with a mark");
    check(Utf16(text, false), "UTF-16 without a mark");
    check(Utf16("<?xml version='1.0' encoding='UTF-16'?>" + text, true), "UTF-16 declared");
    QByteArray crowded = "<xml>\n<e";
    for (int i = 0; i <= 1000; ++i)
        crowded += " a" + QByteArray::number(i) + "=''";
    check(crowded + "/></xml>", "an element over the attribute limit");
}

// The parser is handed a file in pieces and lets go of what it has read: a text larger than any
// piece, and larger than the ten million bytes that libxml2 looks ahead at most, arrives whole,
// and the lines after it are right.
TEST(XmlTreeTest, ReadsATextLargerThanThePiecesItIsHandedIn) {
    const QByteArray big(12'000'000, 'x');
    const QByteArray bytes = "<xml>\n<v>" + big + "</v>\n<w a='1'/></xml>";
    XmlTree tree;
    ASSERT_TRUE(tree.Parse(bytes, "f.xml").ok());
    const XmlTree::Node v = tree.FirstChildElement(tree.Root(), "v");
    EXPECT_TRUE(tree.TextUtf8(tree.FirstChild(v)) == big);
    const XmlTree::Node w = tree.FirstChildElement(tree.Root(), "w");
    EXPECT_EQ(tree.Line(w), 3);
    EXPECT_EQ(tree.Attribute(w, "a"), "1");
}

// A reader that drops each element once it has read it sees each element whole at its end tag,
// and the document keeps only what is not dropped; the order of what comes later is larger.
TEST(XmlTreeTest, DroppedElementsLeaveTheRestAsItWas) {
    struct Reader : XmlTree::Visitor {
        QStringList seen;
        std::uint32_t lastOrder = 0;
        void Closed(XmlTree& tree, XmlTree::Node element) override {
            seen << tree.Name(element) + "=" + tree.Text(element) + "@" +
                        QString::number(tree.Line(element));
            const XmlTree::Node parent = tree.Parent(element);
            // The root's children stay; everything below them goes. Its grandchildren end in
            // document order.
            if (parent != XmlTree::kNone && tree.Parent(parent) != XmlTree::kNone) {
                if (tree.Parent(tree.Parent(parent)) == XmlTree::kNone) {
                    EXPECT_GT(tree.Order(element), lastOrder);
                    lastOrder = tree.Order(element);
                }
                tree.Drop(element);
            }
        }
    } reader;
    XmlTree tree;
    ASSERT_TRUE(tree.Parse("<xml>\n<g a='1'>x<i>1<n>2</n></i>y<!---->z<i>3</i></g>\n<h b='2'>"
                           "<i/>w</h></xml>",
                           "f.xml", &reader)
                    .ok());
    EXPECT_EQ(reader.seen, QStringList({"n=2@2", "i=1@2", "i=3@2", "g=xyz@2", "i=@3", "h=w@3",
                                        "xml=\nxyz\nw@1"}));
    EXPECT_EQ(ShapeOf(tree), QStringList({"E xml@1 [\nxyz\nw] ", " T @0 [\n] ", " E g@2 [xyz] a=1",
                                          "  T @0 [x] ", "  T @0 [y] ", "  T @0 [z] ",
                                          " T @0 [\n] ", " E h@3 [w] ", "  T @0 [w] "}));
}

}  // namespace
