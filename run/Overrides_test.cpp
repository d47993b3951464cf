#include "run/Overrides.h"

#include "schema/Configuration.h"
#include "testing/FakeFileSystem.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// What a command line (its bytes, as the process gets them), an environment ("NAME=value;...")
// and standard input give for one run to the items $(DBHOST) and $(DBPASS) of c.xml, with the
// files v.xml and w.xml: "<id>=<value>" in the order of the ids; or why the run is refused: the
// first line of the usage message, or the refusal.
QString Applied(const char* commandLine, const char* environmentText,
                const QByteArray& standardInput = {}) {
    const CommandLineOptions options =
        ParseCommandLine(GetCommandLine(ArgumentFromBytes(commandLine)));
    if (options.usageMessage)
        return "usage: " + options.usageMessage->section("\r\n", 0, 0);
    ValueSources sources;
    for (const QByteArray& variable : QByteArray(environmentText).split(';'))
        if (!variable.isEmpty())
            sources.environment.emplace_back(variable.left(variable.indexOf('=')),
                                             variable.mid(variable.indexOf('=') + 1));
    FakeFileSystem files;
    files.SetFile("v.xml",
                  "<xml>\n<variable id=\"$(DBHOST)\">file</variable>\n"
                  "<variable id=\"$(DBPASS)\">s3 cret</variable>\n</xml>");
    files.SetFile("w.xml",
                  "<xml>\n<variable id=\"$(DBHOST)\">w</variable>\n"
                  "<variable id=\"$(NOPE)\">s3cret</variable>\n</xml>");
    sources.files = &files;
    ByteArraySource input(standardInput, 3);
    sources.standardInput = &input;
    Configuration config;
    const Status parsed = config.Parse(
        "<xml><group><name>G</name><item><name>H</name><varname>$(DBHOST)</varname></item>"
        "<item><name>P</name><varname>$(DBPASS)</varname></item></group></xml>",
        "c.xml");
    QHash<QString, QString> values{{"before", "the call"}};
    QHash<QString, QString> origins;
    const Status applied = ApplyValueOptions(options.values, sources, config, &values, &origins);
    QStringList pairs;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        pairs << it.key() + '=' + it.value() + " (" + origins.value(it.key()) + ")";
    pairs.sort();
    if (!parsed.ok() || applied.ok())
        return parsed.message() + pairs.join(';');
    return applied.message() + (pairs.join(';') == "before=the call ()" ? "" : " | values changed");
}

// "/set:NAME=VALUE", "/env:PREFIX" and "/values:FILE", in order, so that a later value wins. A
// refusal names where the value came from, never the value, and leaves the values as they were.
TEST(OverridesTest, GivesTheItemsTheirValuesForOneRunOrSaysWhyNot) {
    const struct {
        const char *what, *commandLine, *environment;
        QString applied;
        QByteArray standardInput = {};
    } cases[] = {
        {"by bare name and by id, the value after the first =, an empty one",
         "/set:DBHOST=a -SET:$(DBPASS)=b=c /set:$(DBHOST)=", "",
         "$(DBHOST)= (/set:$(DBHOST));$(DBPASS)=b=c (/set:$(DBPASS))"},
        {"the variables of a prefix, a value with a blank", "/env:DEPLOY_",
         "DEPLOY_DBPASS=s3 cret;OTHER_DBHOST=x", "$(DBPASS)=s3 cret (DEPLOY_DBPASS)"},
        // Regression: the usage message repeated what followed "/set:", a secret without its name.
        {"no =", "/export /set:s3cret", "",
         "usage: Did not understand: /set:... (expected /set:NAME=VALUE; the rest is not shown)"},
        {"no name", "/export -SET:=s3cret", "",
         "usage: Did not understand: -SET:... (expected /set:NAME=VALUE; the rest is not shown)"},
        {"no prefix", "/env: /set:A=1", "", "usage: Did not understand: /env:"},
        {"/set: of an undeclared variable", "/set:DBHOST=a /set:NOPE=1", "",
         "c.xml declares no variable \"NOPE\", which /set:NOPE gives a value; nothing was saved."},
        {"/env: of an undeclared variable", "/env:DEPLOY_", "DEPLOY_NOPE=1",
         "c.xml declares no variable \"NOPE\", which the environment variable DEPLOY_NOPE gives a "
         "value; nothing was saved."},
        // Regression: a value that is not UTF-8 became U+FFFD.
        {"an environment variable's value that is not UTF-8", "/env:DEPLOY_",
         "DEPLOY_DBHOST=db\xff",
         "The value of the environment variable DEPLOY_DBHOST is not UTF-8 text; nothing was "
         "saved."},
        // Regression: /set: turned it into U+FFFD, which /env: refused.
        {"a /set: value that is not UTF-8", "/set:DBHOST=d\xc3\xa9 /set:DBPASS=s3\xff\xfe", "",
         "The value of /set:DBPASS is not UTF-8 text; nothing was saved."},
        {"a /set: value that is UTF-8", "/set:DBHOST=d\xc3\xa9\xf0\x9f\x94\x91", "",
         "$(DBHOST)=d\u00e9\U0001F511 (/set:DBHOST)"},
        // Regression: a value for one run was refused as one that "a settings file cannot store".
        {"a control character in /set:",
         "/set:DBHOST=a\x01"
         "b",
         "",
         "The value of /set:DBHOST holds the character U+0001, which no value of a variable may "
         "hold; nothing was saved."},
        {"a file of values, and a later option wins over it, and it over an earlier one",
         "/set:DBPASS=x /values:v.xml /set:DBHOST=later", "",
         "$(DBHOST)=later (/set:DBHOST);$(DBPASS)=s3 cret (v.xml:3)"},
        {"standard input, read in pieces", "/values:v.xml /values:-", "",
         "$(DBHOST)=stdin (standard input:1);$(DBPASS)=s3 cret (v.xml:3)",
         "<xml><variable id=\"$(DBHOST)\">stdin</variable></xml>\n"},
        {"standard input twice", "/values:- /values:-", "",
         "/values:- is given twice, but standard input can be read once; nothing was saved.",
         "<xml/>"},
        {"a file of values that names an undeclared variable", "/values:w.xml", "",
         "c.xml declares no variable \"$(NOPE)\", which w.xml:3 gives a value; nothing was saved."},
        {"a file of values that does not exist", "/values:none.xml", "",
         "none.xml: No such file or directory; nothing was saved."},
        // libxml2 would say "Entity 'cret' not defined".
        {"standard input that is not well-formed, with a secret on the line", "/values:-", "",
         "standard input:2: the values cannot be read: this is not well-formed XML (the parser's "
         "words are not shown, as they may quote a value); nothing was saved.",
         "<xml>\n<variable id=\"$(DBPASS)\">s3&cret;</variable></xml>"},
        {"empty standard input", "/values:-", "",
         "standard input: the file is empty; nothing was saved."},
        {"standard input with another root", "/values:-", "",
         "standard input: the root element is not xml, so it holds no values; nothing was saved.",
         "<settings><variable id=\"$(DBPASS)\">s3cret</variable></settings>"},
        {"a variable given twice in one file", "/values:-", "",
         "standard input:3: $(DBHOST) is given again, after line 2; nothing was saved.",
         "<xml>\n<variable id=\"$(DBHOST)\">a</variable>\n<variable id=\"$(DBHOST)\">b</variable>"
         "</xml>"},
        {"standard input larger than a settings file may be", "/values:-", "",
         "standard input: it is larger than 67108864 bytes; nothing was saved.",
         "<xml>" + QByteArray(64 << 20, ' ') + "</xml>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Applied(c.commandLine, c.environment, c.standardInput), c.applied) << c.what;
}

}  // namespace
