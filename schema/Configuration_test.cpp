#include "schema/Configuration.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// What the window and the save take from a configuration, one field a line: the groups, each item
// as "group: label = id", each template as "input -> output", the commands (or "none"), and which
// of a few ids it declares.
QString ContentsOf(const Configuration& config) {
    QStringList groups, items, templates, ids;
    for (const ConfigGroup& group : config.Groups()) {
        groups << group.name;
        for (const ConfigItem& item : group.items)
            items << group.name + ": " + item.label + " = " + item.id;
    }
    for (const TemplateEntry& entry : config.Templates())
        templates << entry.input + " -> " + entry.output;
    for (const char* id : {"$(HOST)", "say \"hi\"", "$(B", ")", "$(B)", "$(host)", ""})
        if (config.DeclaresId(QString::fromUtf8(id)))
            ids << QString::fromUtf8(id);
    return QStringList{groups.join('|'),
                       items.join('|'),
                       templates.join('|'),
                       config.BeforeCommand().value_or("none"),
                       config.AfterCommand().value_or("none"),
                       ids.join('|')}
        .join('\n');
}
const QString kNothing = "\n\n\nnone\nnone\n";

TEST(ConfigurationTest, ReadsGroupsItemsTemplatesCommandsAndIdsOrNamesTheLineAndTheBrokenRule) {
    const struct {
        const char *what, *text;
        QString error;  // what Parse says; empty when it accepts the text
        QString contents = kNothing;
    } cases[] = {
        {"an empty root declares nothing", "<xml/>", ""},
        // A template needs an input and an output element, which may be empty. The first command
        // of an id in document order counts, nested or not; an empty one is passed over for the
        // next, and only its first text node is the command line. Every text node of a varname
        // declares an id, wherever it stands, compared exactly.
        {"groups, items, templates, commands and ids, among comments and unknown elements",
         R"(<xml><group><name>DB</name><!-- c --><x/><item><name>Host</name><type>t</type>
            <varname>$(HOST)</varname></item><item><name>Port</name><varname>PORT</varname></item>
            </group><group><name>P</name><command id="before">b1</command></group><command
            id="before">b2</command><command id="after"/><command id="after">a <b>b</b> c</command>
            <files><file><input>a</input><output>A</output></file><file><input>b</input></file>
            <file><output>C</output></file><file><input>e</input><output/></file></files><files>
            <file><input>d</input><output>D</output></file></files><x><varname>say "hi"</varname>
            </x><varname>$(B<!-- c -->)</varname></xml>)",
         "",
         "DB|P\nDB: Host = $(HOST)|DB: Port = PORT\na -> A|e -> |d -> D\nb1\na \n"
         "$(HOST)|say \"hi\"|$(B|)"},
        {"the root must be <xml>", "<config/>",
         "c: line 1: the root element is <config>, but must be <xml>"},
        {"a group needs a name", "<xml>\n<group/></xml>", "c: line 2: <group> has no <name>"},
        {"an item needs a varname", "<xml><group><name/>\n\n<item><name/></item></group></xml>",
         "c: line 3: <item> has no <varname>"},
        {"bare names are unique",
         "<xml><group><name/><item><name/><varname>$(A)</varname></item>\n<item><name/><varname>"
         "A)</varname></item></group></xml>",
         "c: line 2: the variable \"A)\" has the bare name \"A\", which the variable at line 1 "
         "already has; bare names must be unique"},
    };
    // One configuration for all: a refusal must also drop what the file before it gave.
    Configuration config;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(config.Parse(QByteArray(c.text), QStringLiteral("c")).message(), c.error);
        EXPECT_EQ(ContentsOf(config), c.contents);
    }
}

// A loaded file's likely misspellings are named with the file, the line and the word meant: an
// element of an item that the format does not know, and a type close to a kind's name, which the
// format reads as free text. A type far from every kind is free text as it always was, and stays
// silent; so does an element of another namespace, which is an extension.
TEST(ConfigurationTest, NamesLikelyMisspellingsWithTheirLines) {
    const QString kType = "c.xml:3: type \"%1\" is read as free text; did you mean \"%2\"?";
    const QString kElement = "c.xml:3: <%1> is not a known element of an item; did you mean <%2>?";
    const struct {
        const char* children;  // of an item "Port" ($(P)), on the item's third line
        QStringList warnings;
    } cases[] = {
        {"<type>numbr</type>", {kType.arg("numbr", "number")}},
        {"<type>pasword</type>", {kType.arg("pasword", "password")}},
        {"<type> bolean </type>", {kType.arg("bolean", "boolean")}},
        {"<type>choise</type>", {kType.arg("choise", "choice")}},
        {"<type>flie</type>", {kType.arg("flie", "file")}},
        {"<type>Folder</type>", {kType.arg("Folder", "folder")}},
        {"<type>numbers</type>", {kType.arg("numbers", "number")}},
        {"<type>t</type>", {}},
        {"<type>text</type>", {}},
        {"<type>string</type>", {}},
        {"<type>int</type>", {}},
        {"<type>bool</type>", {}},
        {"<type>time</type>", {}},
        {"<type>password</type>", {}},
        {"<requried>true</requried>", {kElement.arg("requried", "required")}},
        {"<Default>1</Default>", {kElement.arg("Default", "default")}},
        {"<mesage>m</mesage>", {kElement.arg("mesage", "message")}},
        {"<description>a port</description>",
         {"c.xml:3: <description> is not a known element of an item"}},
        {"<x:note xmlns:x='urn:x'/><requried/>",
         {"c.xml:3: <requried> is not a known element of an item; did you mean <required>?"}},
        {"<help/><default/><required>false</required><min/><max/><on/><off/><option/>"
         "<pattern/><message/><command/>",
         {}},
        {"<hepl/>\n<type>numbr</type>\n\n<requried/>",
         {kElement.arg("hepl", "help"),
          "c.xml:4: type \"numbr\" is read as free text; did you "
          "mean \"number\"?",
          "c.xml:6: <requried> is not a known element of an item; did you mean <required>?"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.children);
        Configuration config;
        ASSERT_TRUE(config
                        .Parse(QByteArray("<xml><group><name>G</name>\n<item><name>Port</name>"
                                          "<varname>$(P)</varname>\n") +
                                   c.children + "</item></group></xml>",
                               "c.xml")
                        .ok());
        EXPECT_EQ(config.Warnings(), c.warnings);
        EXPECT_TRUE(config.Parse("<config/>", "c.xml").message().contains("root element"));
        EXPECT_EQ(config.Warnings(), QStringList()) << "after a failed parse";
    }
}

}  // namespace
