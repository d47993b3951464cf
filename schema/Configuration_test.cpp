#include "schema/Configuration.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// What the window and the save take from a configuration text, on one line: each group as
// "[name]" with its items as " label=id", each template as " input>output", then the before and
// the after command as " before|after" ("-" for none) when there is one, and which of a few ids it
// declares, as " {id}". A refusal puts its message in front, and then nothing may follow.
QString Describe(Configuration* config, const char* text) {
    QString description = config->Parse(QByteArray(text), QStringLiteral("c")).message();
    for (const ConfigGroup& group : config->Groups()) {
        description += u'[' + group.name + u']';
        for (const ConfigItem& item : group.items)
            description += u' ' + item.label + u'=' + item.id;
    }
    for (const TemplateEntry& entry : config->Templates())
        description += u' ' + entry.input + u'>' + entry.output;
    if (config->BeforeCommand() || config->AfterCommand())
        description += u' ' + config->BeforeCommand().value_or("-") + u'|' +
                       config->AfterCommand().value_or("-");
    for (const char* id : {"$(HOST)", "say \"hi\"", "$(B", ")", "$(B)", "$(host)", ""})
        if (config->DeclaresId(QString::fromUtf8(id)))
            description += QStringLiteral(" {%1}").arg(QString::fromUtf8(id));
    return description;
}

TEST(ConfigurationTest, ReadsGroupsItemsTemplatesCommandsAndIdsOrNamesTheLineAndTheBrokenRule) {
    const char* const cases[][2] = {
        {"<xml/>", ""},
        // Comments and unknown elements change nothing. A template needs an input and an output
        // element, which may be empty.
        // The first command of an id in document order counts, nested or not; an empty one is
        // passed over for the next, and only its first text node is the command line. Every text
        // node of a varname declares an id, wherever it stands, compared exactly.
        {R"(<xml><group><name>DB</name><!-- c --><x/><item><name>Host</name><type>t</type>
            <varname>$(HOST)</varname></item><item><name>Port</name><varname>PORT</varname></item>
            </group><group><name>P</name><command id="before">b1</command></group><command
            id="before">b2</command><command id="after"/><command id="after">a <b>b</b> c</command>
            <files><file><input>a</input><output>A</output></file><file><input>b</input></file>
            <file><output>C</output></file><file><input>e</input><output/></file></files><files>
            <file><input>d</input><output>D</output></file></files><x><varname>say "hi"</varname>
            </x><varname>$(B<!-- c -->)</varname></xml>)",
         "[DB] Host=$(HOST) Port=PORT[P] a>A e> d>D b1|a  {$(HOST)} {say \"hi\"} {$(B} {)}"},
        {"<config/>", "c: line 1: the root element is <config>, but must be <xml>"},
        {"<xml>\n<group/></xml>", "c: line 2: <group> has no <name>"},
        {"<xml><group><name/>\n<item/></group></xml>", "c: line 2: <item> has no <name>"},
        {"<xml><group><name/>\n\n<item><name/></item></group></xml>",
         "c: line 3: <item> has no <varname>"},
        {"<xml><group><name>G</name></group>\n<group><name>G</name></group></xml>",
         "c: line 2: the group name \"G\" is already used at line 1; group names must be unique"},
        {"<xml><group><name/><item><name/><varname>$(A)</varname></item>\n<item><name/><varname>"
         "A)</varname></item></group></xml>",
         "c: line 2: the variable \"A)\" has the bare name \"A\", which the variable at line 1 "
         "already has; bare names must be unique"},
        {"<xml><group>", "c: line 1: Premature end of data in tag group line 1"},
    };
    // One configuration for all: a refusal must also drop what the file before it gave.
    Configuration config;
    for (const auto& c : cases)
        EXPECT_EQ(Describe(&config, c[0]), QString::fromUtf8(c[1])) << c[0];
}

}  // namespace
