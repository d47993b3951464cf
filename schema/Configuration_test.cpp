#include "schema/Configuration.h"

#include "testing/QStringPrinter.h"

#include <QStringEncoder>

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
            items << group.name + ": " + item.label.toString() + " = " + item.id.toString();
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

// `text` in UTF-16, big end first, without a byte-order mark.
QByteArray Utf16BigEndian(const QString& text) {
    return QStringEncoder(QStringConverter::Utf16BE)(text);
}

// Read in one pass, each item as its end tag comes: the texts are whole (all the text
// inside an element, across comments, CDATA and child elements), elements in a namespace are not
// the format's, and what the parser refuses is refused with its line, also past line 65535 (what
// the parser refuses, entities and crowded elements among it: XmlTree_test and XmlDocument_test).
TEST(ConfigurationTest, ReadsGroupsItemsTemplatesCommandsAndIdsOrNamesTheLineAndTheBrokenRule) {
    const struct {
        const char* what;
        QByteArray text;
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
        {"a command inside another: its text comes first in document order",
         R"(<xml><command id="after"><command id="after">inner</command>outer</command></xml>)", "",
         "\n\n\nnone\ninner\n"},
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
        {"a clash of bare names comes before a later item's problem, across groups too",
         "<xml><group><name>G</name><item><name/><varname>$(A)</varname></item></group>\n"
         "<group><name>H</name><item><name/><varname>B</varname></item>\n<item><name/>"
         "<varname>A</varname></item>\n<item><name/></item></group></xml>",
         "c: line 3: the variable \"A\" has the bare name \"A\", which the variable at line 1 "
         "already has; bare names must be unique"},
        {"an item's problem comes before a later clash of bare names; a group's own before both",
         "<xml><group><name>G</name><item><name/><varname>A</varname></item>\n<item><name/>"
         "</item>\n<item><name/><varname>A</varname></item></group>\n<group><item><name/>"
         "<varname>A</varname></item></group></xml>",
         "c: line 2: <item> has no <varname>"},
        {"a group without a name is named before the clash among its items",
         "<xml>\n<group><item><name/><varname>A</varname></item><item><name/><varname>$(A)"
         "</varname></item></group></xml>",
         "c: line 2: <group> has no <name>"},
        {"mixed content, comments and CDATA in a label, an id split by a comment",
         "<xml><group><name>D<b>B</b></name><item><name>H<i>o<![CDATA[s]]></i><!--c-->t</name>"
         "<varname>$(B<!--c-->)</varname></item></group></xml>",
         "", "DB\nDB: Host = $(B)\n\nnone\nnone\n$(B|)"},
        {"a varname inside a varname declares its own text as well",
         "<xml><group><name>G</name><item><name>H</name><varname>$(<varname>HOST</varname>HOST)"
         "</varname></item></group><x><varname>$(host)</varname></x></xml>",
         "", "G\nG: H = $(HOSTHOST)\n\nnone\nnone\n$(host)"},
        {"elements in a namespace are not the format's; an unbound prefix is part of the name",
         "<xml xmlns:p='urn:p'><group><name>G</name><p:item><name>N</name><varname>$(HOST)"
         "</varname></p:item><item><p:name>X</p:name><name>Y</name><varname>$(B)</varname>"
         "</item></group><u:group><name>U</name></u:group><command id='before' xmlns='urn:c'>"
         "c</command><files><file><p:input>i</p:input><input>j</input><output/></file></files>"
         "</xml>",
         "", "G\nG: Y = $(B)\nj -> \nnone\nnone\n$(HOST)|$(B)"},
        {"an empty CDATA section is the first text of a command",
         "<xml><command id='after'><![CDATA[]]>later</command></xml>", "", "\n\n\nnone\n\n"},
        {"UTF-16 without a mark",
         Utf16BigEndian(
             "<?xml "
             "version='1.0'?><xml>\n<group><name>G</name><item><name>\u20ac</name><varname>$(HOST)"
             "</varname></item></group></xml>"),
         "", "G\nG: \u20ac = $(HOST)\n\nnone\nnone\n$(HOST)"},
        {"a parse error after a broken rule is the one named", "<xml>\n<group/>\n<item>\n</xml>",
         "c: line 4: Opening and ending tag mismatch: item line 3 and xml"},
        {"a broken rule past line 65535",
         "<xml>" + QByteArray(70000, '\n') +
             "<group>\n<name>G</name></group><group>\n\n<name>G</name></group></xml>",
         "c: line 70002: the group name \"G\" is already used at line 70001; group names must be "
         "unique"},
    };
    // One configuration for all: a refusal must also drop what the file before it gave.
    Configuration config;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(config.Parse(c.text, QStringLiteral("c")).message(), c.error);
        EXPECT_EQ(ContentsOf(config), c.contents);
    }
}

// Items without rules share one set, so that a file of 100,000 plain items takes little memory;
// every item is found by its id and its bare name, and every varname text is declared.
TEST(ConfigurationTest, FindsEveryItemOfALargeFileAndSharesTheRulesOfPlainOnes) {
    QByteArray text = "<xml><group><name>G</name>";
    constexpr int kItems = 3000;
    for (int i = 0; i < kItems; ++i)
        text += "<item><name>V</name><type>text</type><varname>$(V" + QByteArray::number(i) +
                ")</varname>" + (i % 1000 == 7 ? "<required>true</required>" : "") + "</item>";
    Configuration config;
    ASSERT_TRUE(config.Parse(text + "</group></xml>", "c").ok());
    const std::vector<ConfigItem>& items = config.Groups().at(0).items;
    ASSERT_EQ(items.size(), std::size_t(kItems));
    for (int i = 0; i < kItems; ++i) {
        const QString id = QString("$(V%1)").arg(i);
        ASSERT_EQ(config.ItemFor(id), &items[i]) << i;
        ASSERT_EQ(config.ItemFor(QString("V%1").arg(i)), &items[i]) << i;
        ASSERT_TRUE(config.DeclaresId(id)) << i;
        EXPECT_EQ(&items[i].rules == &items[0].rules, i % 1000 != 7) << i;
    }
    EXPECT_EQ(config.ItemFor(QString("$(V%1)").arg(kItems)), nullptr);
    EXPECT_FALSE(config.DeclaresId(QString("V1")));
    EXPECT_TRUE(items[7].rules.required);
    EXPECT_FALSE(items[8].rules.required);
}

// The warnings of a configuration of one item "Port" ($(P)), whose children after its name and
// varname are `children`, on the item's third line and on.
QStringList Warnings(const QString& children) {
    Configuration config;
    const Status parsed = config.Parse(QByteArray("<xml><group><name>G</name>\n<item><name>Port"
                                                  "</name><varname>$(P)</varname>\n") +
                                           children.toUtf8() + "</item></group></xml>",
                                       "c.xml");
    return parsed.ok() ? config.Warnings() : QStringList{parsed.message()};
}

// A loaded file's likely misspellings are named with the file, the line and the word meant: an
// element of an item that the format does not know, and a type close to a kind's name, which the
// format reads as free text. A type far from every kind is free text as it always was, and stays
// silent; so does an element of another namespace, which is an extension.
TEST(ConfigurationTest, NamesLikelyMisspellingsWithTheirLines) {
    const QString kType = "c.xml:%3: type \"%1\" is read as free text; did you mean \"%2\"?";
    const QString kElement = "c.xml:%3: <%1> is not a known element of an item; did you mean <%2>?";
    const std::pair<const char*, const char*> types[] = {
        {"numbr", "number"}, {" bolean ", "boolean"}, {"Folder", "folder"}, {"numbers", "number"}};
    for (const auto& [type, meant] : types)
        EXPECT_EQ(Warnings(QString("<type>%1</type>").arg(type)),
                  QStringList{kType.arg(QString(type).trimmed(), meant, "3")})
            << type;
    EXPECT_EQ(Warnings("<Default/>"), QStringList{kElement.arg("Default", "default", "3")});
    EXPECT_EQ(Warnings("<description>a port</description>"),
              QStringList{"c.xml:3: <description> is not a known element of an item"});
    for (const char* silent :
         {"<type>text</type>", "<type>bool</type>", "<type>time</type>",
          "<x:note xmlns:x='urn:x'/>",
          "<help/><default/><required>false</required><min/><max/><on/><off/><option/>"
          "<pattern/><message/><command/>"})
        EXPECT_EQ(Warnings(silent), QStringList()) << silent;
    EXPECT_EQ(Warnings("<hepl/>\n<type>numbr</type>\n\n<requried/>"),
              QStringList({kElement.arg("hepl", "help", "3"), kType.arg("numbr", "number", "4"),
                           kElement.arg("requried", "required", "6")}));
    Configuration config;
    const QByteArray misspelt =
        "<xml><group><name/><item><name/><varname>A</varname><hepl/></item></group></xml>";
    ASSERT_TRUE(config.Parse(misspelt, "c.xml").ok());
    ASSERT_EQ(config.Warnings().size(), 1);
    ASSERT_FALSE(config.Parse("<config/>", "c.xml").ok());
    EXPECT_EQ(config.Warnings(), QStringList()) << "after a failed parse";
}

// A template entry's mode is octal permission bits, at most 0777; anything else refuses the file
// with its line. Without one, an entry sets no mode.
TEST(TemplateModeTest, ReadsTheModeOfAnEntryOrNamesWhatIsWrong) {
    const auto parse = [](Configuration& config, const QString& attribute) {
        return config.Parse("<xml>\n<files>\n<file " + attribute.toUtf8() +
                                "><input>t</input><output>o</output></file></files></xml>",
                            "c.xml");
    };
    // Each mode as read, -1 for none.
    const std::pair<const char*, int> modes[] = {{"", -1},
                                                 {"mode=\"0640\"", 0640},
                                                 {"mode=\"600\"", 0600},
                                                 {"mode=\"0\"", 0},
                                                 {"mode=\"0777\"", 0777}};
    for (const auto& [attribute, mode] : modes) {
        Configuration config;
        ASSERT_TRUE(parse(config, attribute).ok()) << attribute;
        ASSERT_EQ(config.Templates().size(), 1u);
        const std::optional<unsigned> read = config.Templates()[0].mode;
        EXPECT_EQ(read ? int(*read) : -1, mode) << attribute;
    }
    for (const QString value : {"1777", "0800", "rw-r-----", "", " 0640", "00640"}) {
        Configuration config;
        EXPECT_EQ(parse(config, "mode=\"" + value + '"').message(),
                  "c.xml: line 3: the template entry has mode=\"" + value +
                      "\", but the mode must be octal permission bits from 0 to 0777, such as 0640")
            << value.toStdString();
    }
}

// What a configuration with `commands` comes to: "refused: " and the message, or its warnings,
// separated by "|". (The waits and timeouts it reads: the tests of the waited commands in gui/.)
QString Parsed(const QString& commands) {
    Configuration config;
    const Status parsed = config.Parse("<xml>\n" + commands.toUtf8() + "\n</xml>", "c.xml");
    return parsed.ok() ? config.Warnings().join('|') : "refused: " + parsed.message();
}

// A wait or timeout the program cannot keep refuses the file. Regression: a second before
// command, or one of id "Before", was never started, and nobody was told. Each command element
// that is never started but looks meant to be is a warning with the file and its line (which
// command is started: ConfigurationTest above).
TEST(CommandWaitTest, RefusesWhatItCannotKeepAndWarnsOfCommandsNeverStarted) {
    const struct {
        const char *what, *commands;
        QString parsed = "";  // accepted, without a warning
    } cases[] = {
        {"the longest timeout, and wait false",
         R"(<command id="before" wait="false">a</command>)"
         R"(<command id="after" wait="true" timeout="86400">b</command>)"},
        {"wait is true or false", R"(<command id="before" wait="yes">a</command>)",
         R"(refused: c.xml: line 2: the before command has wait="yes", but wait must be "true" or )"
         R"("false")"},
        {"a timeout without wait does nothing", R"(<command id="after" timeout="5">b</command>)",
         R"(refused: c.xml: line 2: the after command has a timeout, which needs wait="true")"},
        {"one of each, and other ids are none of its business",
         "<command id='before'>b</command>\n<command id='after'>a</command>\n"
         "<command id='cleanup'>c</command>"},
        {"a second before command",
         "<command id='before'>b</command>\n<command id='after'>a</command>\n"
         "<command id='before'>b2</command>",
         "c.xml:4: a second before command, which is never started: only the first, at line 2, "
         "is"},
        {"an empty one first, which starts nothing",
         "<command id='after'/>\n<command id='after'>a</command>"},
        {"an id that differs in case", "<command id='Before'>B</command>\n<command id='AFTER'/>",
         "c.xml:2: the command id \"Before\" is not \"before\" (ids are case-sensitive), so this "
         "command is never started|c.xml:3: the command id \"AFTER\" is not \"after\" (ids are "
         "case-sensitive), so this command is never started"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parsed(c.commands), c.parsed) << c.what;
    for (const char* timeout : {"0", " 5", "86401", "٣"}) {
        EXPECT_EQ(Parsed(QString(R"(<command id="before" wait="true" timeout="%1">a</command>)")
                             .arg(timeout)),
                  QString("refused: c.xml: line 2: the before command has timeout=\"%1\", but the "
                          "timeout must be a whole number of seconds from 1 to 86400")
                      .arg(timeout));
    }
}

}  // namespace
