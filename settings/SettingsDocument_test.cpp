#include "settings/SettingsDocument.h"

#include "platform/XmlDocument.h"
#include "schema/Configuration.h"
#include "schema/ItemIds.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QStringEncoder>

namespace {

// A `variable` element with an id, as libxml2's document of the file has it.
struct Found {
    QString id;
    QString value;
    int line;
    bool atRoot;
    XmlNode node;
};

// Every `variable` element with an id, at any depth, in document order: what the views of a
// settings file are defined on, read the plain way.
std::vector<Found> VariablesOf(const XmlDocument& document) {
    std::vector<Found> found;
    const XmlNode root = document.Root();
    const bool rootIsXml = root.IsElementWithoutNamespace() && root.IsNamed("xml");
    document.ForEachNode([&](const XmlNode& node) {
        if (node.IsElementWithoutNamespace() && node.IsNamed("variable") && node.Attribute("id"))
            found.push_back({*node.Attribute("id"), node.Text(), node.Line(),
                             rootIsXml && node.Parent() == root, node});
    });
    return found;
}

const Found* FirstOf(const std::vector<Found>& found, const QString& id) {
    for (const Found& variable : found)
        if (variable.id == id)
            return &variable;
    return nullptr;
}

const QStringList kProbes = {"a", "b", "c", "x", "z", "a&b", ""};

// The views of a settings file as `document` gives them, one line each.
QStringList Expected(const XmlDocument& document, const Configuration& config) {
    const std::vector<Found> found = VariablesOf(document);
    QStringList views{"root " + document.Root().Name()};
    QStringList repeated;
    QHash<QString, int> firstLines;
    for (const Found& v : found) {
        if (!v.atRoot)
            continue;
        views << QString("entry %1=%2@%3").arg(v.id, v.value).arg(v.line)
              << "export " + v.id + "=" + FirstOf(found, v.id)->value;
        if (firstLines.contains(v.id))
            repeated << QString(
                            "s.xml:%1: %2 is listed again; only its first entry, at line %3, "
                            "counts")
                            .arg(v.line)
                            .arg(v.id)
                            .arg(firstLines[v.id]);
        firstLines.insert(v.id, firstLines.value(v.id, v.line));
    }
    views << repeated;
    for (const Found& v : found)
        if (FirstOf(found, v.id) == &v && config.DeclaresId(v.id))
            views << "loaded " + v.id + "=" + v.value;
    for (const QString& id : kProbes)
        views << "has " + id + "=" + QString::number(FirstOf(found, id) != nullptr);
    const Found* largest = nullptr;
    for (const Found& v : found)
        if (!largest || v.value.size() > largest->value.size())
            largest = &v;
    views << "largest " + (largest ? largest->id : QString());
    return views;
}

// The same views as `settings` gives them, in the same order.
QStringList Views(const SettingsDocument& settings, const Configuration& config) {
    QStringList views{"root " + settings.RootName()};
    std::vector<SettingsDocument::Entry> entries;
    ExportList list;
    const std::vector<VariableValue>& exported = list.values;
    EXPECT_TRUE(settings.RootEntries(&entries).ok());
    EXPECT_TRUE(settings.ExportedValues(&list).ok());
    EXPECT_EQ(entries.size(), exported.size());
    for (std::size_t i = 0; i < entries.size() && i < exported.size(); ++i)
        views << QString("entry %1=%2@%3").arg(entries[i].id, entries[i].value).arg(entries[i].line)
              << "export " + exported[i].id.toString() + "=" + exported[i].value.toString();
    settings.RepeatedVariables(&views);
    const ItemIds& items = *config.Ids();
    for (const SettingsDocument::LoadedValue& value : settings.LoadedValues(config, items))
        views << "loaded " + items.Id(value.item).toString() + "=" + value.value.toString();
    for (const QString& id : kProbes)
        views << "has " + id + "=" + QString::number(settings.HasElementOf(id));
    views << "largest " + settings.IdOfLargestValue();
    return views;
}

// `text` in UTF-16, little end first, behind a byte-order mark.
QByteArray Utf16(const QString& text) {
    return QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(text);
}

// The settings file is read once into an index, and libxml2's document is built only for a
// change: every view, every error and every byte written is what libxml2's document of the same
// file gives, before and after a value changes or a variable is added.
TEST(SettingsDocumentTest, AgreesWithLibxml2sDocumentBeforeAndAfterAChange) {
    Configuration config;
    ASSERT_TRUE(config
                    .Parse("<xml><group><name>G</name><item><name>A</name><varname>a</varname>"
                           "</item><item><name>B</name><varname>b</varname></item><item><name>C"
                           "</name><varname>c</varname></item></group></xml>",
                           "c.xml")
                    .ok());
    const struct {
        QByteArray bytes;
        // Given `text`: a change, or an addition when the file has no element of it. Empty for a
        // file that is refused.
        QString id;
        QString text;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xml>\n  <variable id=\"a\">1</variable>\n"
         "  <variable id=\"b\">2</variable>\n</xml>\n",
         "b", "new <&> value"},
        {"<xml>\n  <variable id=\"a\">1</variable>\n</xml>\n", "a", "1"},  // no change
        {"<xml>\n  <variable id=\"a\">1</variable>\n</xml>\n", "c", "added"},
        // Nested variables, which go when the one around them is written.
        {"<xml><variable id=\"a\">x<variable id=\"b\">in<variable id=\"c\">deep</variable>"
         "</variable>y</variable>\n<variable id=\"b\">root b</variable><variable id=\"c\"/></xml>",
         "a", "flat"},
        {"<xml><variable id=\"a\">x<variable id=\"b\">in</variable></variable>"
         "<variable id=\"b\">root b</variable></xml>",
         "b", "inner changed"},
        // Repeated ids, at the root and deeper; an element without an id, an empty id.
        {"<xml><g><variable id=\"a\">deep</variable></g>\n<variable id=\"a\">one</variable>\n"
         "<variable id=\"a\">two</variable><variable>no id</variable><variable id=\"\">e"
         "</variable>\n<variable id=\"b\"/>\n<variable id=\"b\">again</variable></xml>",
         "a", "changed"},
        // Comments, CDATA, references and processing instructions inside values.
        {"<xml><variable id=\"a\">x<!-- c -->y<![CDATA[<z>&]]>w&amp;&#x20ac;<?p i?>v</variable>"
         "<variable id=\"a&amp;b\">&lt;m&gt;</variable></xml>",
         "a&b", "<m>"},
        {"<xml><variable id=\"a\">x<!-- c -->y<![CDATA[<z>&]]>w</variable></xml>", "a",
         "x<!-- c -->y"},
        // UTF-16 with a byte-order mark and CR LF; ISO-8859-1; UTF-8 with a byte-order mark and
        // a value that starts with one.
        {Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<xml>\r\n<variable id=\"a\">"
               "M\u00fcnchen</variable>\r\n</xml>\r\n"),
         "a", "K\u00f6ln \u20ac"},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<xml><variable id=\"a\">M\xfcnchen"
         "</variable></xml>\n",
         "a", "\u20ac"},
        {"\xef\xbb\xbf<xml>\r\n<variable id=\"a\">\xef\xbb\xbfv</variable>\r\n</xml>", "a", "w"},
        // Namespaced elements do not count; a prefix that nothing binds is part of the name.
        {"<xml xmlns:p=\"urn:p\"><p:variable id=\"a\">ns</p:variable><variable xmlns=\"urn:d\" "
         "id=\"b\">d</variable><q:variable id=\"c\">q</q:variable><variable id=\"x\">x"
         "</variable></xml>",
         "a", "a"},
        {"<xml xmlns=\"urn:d\"><variable id=\"a\">1</variable></xml>", "a", "2"},
        // A root of another name, and a root that is a variable itself.
        {"<settings>\n<variable id=\"a\">1</variable><g><variable id=\"b\">2</variable></g>"
         "</settings>",
         "b", "3"},
        {"<variable id=\"a\">t<variable id=\"b\">u</variable>v<g>w</g></variable>", "b", "U"},
        // Refused and malformed files.
        {"<!DOCTYPE xml [<!ENTITY e \"x\">]>\n<xml><variable id=\"a\">&e;</variable></xml>", "",
         ""},
        {"<xml>\n<variable id=\"a\">\n</xml>", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        SettingsDocument settings;
        XmlDocument document;
        int line = -1, documentLine = -1;
        const Status parsed = settings.Parse(c.bytes, "s.xml", &line);
        const Status documentParsed = document.Parse(c.bytes, "s.xml", &documentLine);
        EXPECT_EQ(parsed.ok(), !c.id.isEmpty());
        EXPECT_EQ(parsed.message(), documentParsed.message());
        EXPECT_EQ(line, documentLine);
        EXPECT_EQ(Views(settings, config), Expected(document, config));
        QByteArray contents;
        if (!parsed.ok()) {
            EXPECT_TRUE(settings.IsEmpty());
            continue;
        }
        ASSERT_TRUE(settings.Contents(&contents).ok());
        EXPECT_EQ(contents, c.bytes);

        const std::vector<Found> found = VariablesOf(document);
        const Found* first = FirstOf(found, c.id);
        const bool changed = first == nullptr || first->value != c.text;
        if (first != nullptr) {
            ASSERT_TRUE(settings.SetValueOf(c.id, c.text).ok());
            if (changed)
                XmlNode(first->node).SetText(c.text);
        } else {
            ASSERT_TRUE(settings.AddVariable(c.id, c.text).ok());
            document.AppendElement(document.Root(), "variable", "id", c.id).SetText(c.text);
        }
        QByteArray serialized = c.bytes;
        if (changed) {
            ASSERT_TRUE(document.Serialize(&serialized).ok());
        }
        ASSERT_TRUE(settings.Contents(&contents).ok());
        EXPECT_EQ(contents, serialized);
        EXPECT_EQ(Views(settings, config), Expected(document, config));
    }
}

}  // namespace
