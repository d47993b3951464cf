#include "schema/Configuration.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

Status ParseText(Configuration* config, const char* text) {
    return config->Parse(QByteArray(text), QStringLiteral("conf/config.xml"));
}

const char kExample[] = R"~(<?xml version="1.0"?>
<xml>
  <group>
    <name>Database</name>
    <!-- a comment and an unknown element change nothing -->
    <description>connection</description>
    <item><name>Host</name><type>text</type><varname>$(DBHOST)</varname></item>
    <item><name>Port</name><type></type><varname>$(DBPORT)</varname></item>
  </group>
  <group>
    <name>Paths</name>
    <item><name>Log directory</name><type>text</type><varname>LOGDIR</varname></item>
    <command id="before">first.sh</command>
  </group>
  <group><name>Empty</name></group>
  <command id="before">second.sh</command>
  <command id="after"></command>
  <command id="after">after.sh <b>ignored</b> tail</command>
  <files>
    <file><input>tpl/a.in</input><output>a.out</output></file>
    <file><input>tpl/b.in</input></file>
    <file><output>c.out</output></file>
  </files>
  <files><file><input>d.in</input><output>d.out</output></file></files>
</xml>)~";

TEST(ConfigurationTest, ReadsGroupsItemsCommandsAndTemplates) {
    Configuration config;
    ASSERT_TRUE(ParseText(&config, kExample).ok());

    ASSERT_EQ(config.Groups().size(), 3u);
    const ConfigGroup& database = config.Groups()[0];
    EXPECT_EQ(database.name, QStringLiteral("Database"));
    ASSERT_EQ(database.items.size(), 2u);
    EXPECT_EQ(database.items[0].label, QStringLiteral("Host"));
    EXPECT_EQ(database.items[0].id, QStringLiteral("$(DBHOST)"));
    EXPECT_EQ(database.items[1].id, QStringLiteral("$(DBPORT)"));
    EXPECT_EQ(config.Groups()[1].items[0].id, QStringLiteral("LOGDIR"));
    EXPECT_TRUE(config.Groups()[2].items.empty());

    // The first command of an id in document order counts, nested or not; an empty one is
    // passed over for the next, and only its first text node is the command line.
    EXPECT_EQ(config.BeforeCommand(), QStringLiteral("first.sh"));
    EXPECT_EQ(config.AfterCommand(), QStringLiteral("after.sh "));

    ASSERT_EQ(config.Templates().size(), 2u);
    EXPECT_EQ(config.Templates()[0].input, QStringLiteral("tpl/a.in"));
    EXPECT_EQ(config.Templates()[0].output, QStringLiteral("a.out"));
    EXPECT_EQ(config.Templates()[1].input, QStringLiteral("d.in"));

    EXPECT_EQ(config.LabelOfField(QStringLiteral("eDBPORT")), QStringLiteral("Port"));
    EXPECT_EQ(config.LabelOfField(QStringLiteral("eNONE")), QString());
}

TEST(ConfigurationTest, AConfigurationWithoutCommandsOrTemplatesIsValid) {
    Configuration config;
    ASSERT_TRUE(ParseText(&config, "<xml/>").ok());
    EXPECT_TRUE(config.Groups().empty());
    EXPECT_FALSE(config.BeforeCommand());
    EXPECT_FALSE(config.AfterCommand());
    EXPECT_TRUE(config.Templates().empty());
}

TEST(ConfigurationTest, EveryVarnameTextDeclaresAnId) {
    Configuration config;
    ASSERT_TRUE(ParseText(&config, R"~(<xml>
        <group><name>G</name>
          <item><name>A</name><varname>$(A)</varname></item>
          <item><name>Q</name><varname>say "hi" ['x']</varname></item>
        </group>
        <elsewhere><varname>$(OUTSIDE)</varname></elsewhere>
        <varname>$(SPLIT<!-- c -->)</varname>
        <varname></varname>
      </xml>)~")
                    .ok());
    EXPECT_TRUE(config.DeclaresId(QStringLiteral("$(A)")));
    EXPECT_TRUE(config.DeclaresId(QStringLiteral("say \"hi\" ['x']")));
    EXPECT_TRUE(config.DeclaresId(QStringLiteral("$(OUTSIDE)")));
    // Ids are compared with single text nodes, exactly and case-sensitively.
    EXPECT_TRUE(config.DeclaresId(QStringLiteral("$(SPLIT")));
    EXPECT_FALSE(config.DeclaresId(QStringLiteral("$(SPLIT)")));
    EXPECT_FALSE(config.DeclaresId(QStringLiteral("$(a)")));
    EXPECT_FALSE(config.DeclaresId(QString()));
}

TEST(ConfigurationTest, RefusesFilesThatBreakTheFormatNamingFileLineAndRule) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"<config/>", "conf/config.xml: line 1: the root element is <config>, but must be <xml>"},
        {"<xml>\n<group><item><name>A</name><varname>A</varname></item></group></xml>",
         "conf/config.xml: line 2: <group> has no <name>"},
        {"<xml><group><name>G</name>\n<item><varname>A</varname></item></group></xml>",
         "conf/config.xml: line 2: <item> has no <name>"},
        {"<xml><group><name>G</name>\n\n<item><name>A</name><type>t</type></item></group></xml>",
         "conf/config.xml: line 3: <item> has no <varname>"},
        {"<xml><group><name>G</name></group>\n<group><name>G</name></group></xml>",
         "conf/config.xml: line 2: the group name \"G\" is already used at line 1; group names "
         "must be unique"},
        {"<xml><group><name>G</name><item><name>A</name><varname>$(A)</varname></item></group>\n"
         "<group><name>H</name><item><name>B</name><varname>A)</varname></item></group></xml>",
         "conf/config.xml: line 2: the variable \"A)\" gets the field name \"eA\", which the "
         "variable at line 1 already has; bare names must be unique"},
    };
    for (const Case& c : cases) {
        Configuration config;
        const Status status = ParseText(&config, c.text);
        EXPECT_FALSE(status.ok()) << c.text;
        EXPECT_EQ(status.message(), QString::fromUtf8(c.expected));
        EXPECT_TRUE(config.Groups().empty());
    }
}

TEST(ConfigurationTest, ReportsUnparsableAndUnreadableFiles) {
    Configuration config;
    const Status broken = ParseText(&config, "<xml><group>");
    EXPECT_FALSE(broken.ok());
    EXPECT_TRUE(broken.message().startsWith(QStringLiteral("conf/config.xml: line 1")))
        << broken.message().toStdString();
}

TEST(ConfigurationTest, HoldsSixtyFourGroupsOfSixtyFourItems) {
    // 64 groups of 64 items: a size the editor has to cope with.
    QByteArray text = "<xml>";
    for (int g = 0; g < 64; ++g) {
        text += "<group><name>G" + QByteArray::number(g) + "</name>";
        for (int i = 0; i < 64; ++i) {
            const QByteArray id = "$(V" + QByteArray::number(g * 64 + i) + ")";
            text +=
                "<item><name>" + id + "</name><type>t</type><varname>" + id + "</varname></item>";
        }
        text += "</group>";
    }
    text += "</xml>";
    Configuration config;
    ASSERT_TRUE(config.Parse(text, QStringLiteral("big.xml")).ok());
    EXPECT_EQ(config.Groups().size(), 64u);
    EXPECT_EQ(config.Groups()[63].items[63].id, QStringLiteral("$(V4095)"));
    EXPECT_TRUE(config.DeclaresId(QStringLiteral("$(V4095)")));
}

}  // namespace
