#include "run/Overrides.h"

#include "schema/Configuration.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// What a command line and an environment ("NAME=value;...") give for one run to the items
// $(DBHOST) and $(DBPASS) of c.xml: "<id>=<value>" in the order of the ids, then ", batch" for
// /batch; or why the run is refused: the first line of the usage message, or the refusal.
QString Applied(const char* commandLine, const char* environmentText) {
    const CommandLineOptions options = ParseCommandLine(GetCommandLine(commandLine));
    const QString batch = options.batch ? "batch" : "";
    if (options.usageMessage)
        return batch + (batch.isEmpty() ? "" : ", ") +
               "usage: " + options.usageMessage->section("\r\n", 0, 0);
    EnvironmentBytes environment;
    for (const QByteArray& variable : QByteArray(environmentText).split(';'))
        if (!variable.isEmpty())
            environment.emplace_back(variable.left(variable.indexOf('=')),
                                     variable.mid(variable.indexOf('=') + 1));
    Configuration config;
    const Status parsed = config.Parse(
        "<xml><group><name>G</name><item><name>H</name><varname>$(DBHOST)</varname></item>"
        "<item><name>P</name><varname>$(DBPASS)</varname></item></group></xml>",
        "c.xml");
    QHash<QString, QString> values{{"before", "the call"}};
    const Status applied = ApplyValueOptions(options.values, environment, config, &values);
    QStringList pairs;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        pairs << it.key() + '=' + it.value();
    pairs.sort();
    if (!parsed.ok() || applied.ok())
        return parsed.message() + pairs.join(';') + (batch.isEmpty() ? "" : ", " + batch);
    return applied.message() + (pairs.join(';') == "before=the call" ? "" : " | values changed");
}

// "/set:NAME=VALUE" and "/env:PREFIX", in order, so that a later value wins. A refusal names
// where the value came from, never the value, and leaves the values as they were.
TEST(OverridesTest, GivesTheItemsTheirValuesForOneRunOrSaysWhyNot) {
    const struct {
        const char *what, *commandLine, *environment;
        QString applied;
    } cases[] = {
        {"by bare name and by id, the value after the first =, an empty one",
         "/set:DBHOST=a -SET:$(DBPASS)=b=c /set:$(DBHOST)=", "", "$(DBHOST)=;$(DBPASS)=b=c"},
        {"the variables of a prefix, a value with a blank", "/env:DEPLOY_ /Batch",
         "DEPLOY_DBPASS=s3 cret;OTHER_DBHOST=x", "$(DBPASS)=s3 cret, batch"},
        {"a prefix, in order with the others", "/set:DBHOST=a /env:DEPLOY_", "DEPLOY_DBHOST=e",
         "$(DBHOST)=e"},
        {"a prefix that no variable has", "/env:NOBODY_", "DEPLOY_DBPASS=x", ""},
        {"no =", "/export /set:DBHOST", "", "usage: Did not understand: /set:DBHOST"},
        {"no name", "/set:=db2", "", "usage: Did not understand: /set:=db2"},
        {"no prefix", "/env: /set:A=1", "", "usage: Did not understand: /env:"},
        {"a malformed command line still honours a later /batch", "/export nonsense -batch", "",
         "batch, usage: Did not understand: nonsense"},
        {"/set: of an undeclared variable", "/set:DBHOST=a /set:NOPE=1", "",
         "c.xml declares no variable \"NOPE\", which /set:NOPE gives a value; nothing was saved."},
        {"/env: of an undeclared variable", "/env:DEPLOY_", "DEPLOY_NOPE=1",
         "c.xml declares no variable \"NOPE\", which the environment variable DEPLOY_NOPE gives a "
         "value; nothing was saved."},
        // Regression: a value that is not UTF-8 became U+FFFD.
        {"a value that is not UTF-8", "/env:DEPLOY_", "DEPLOY_DBHOST=db\xff",
         "The value of the environment variable DEPLOY_DBHOST is not UTF-8 text; nothing was "
         "saved."},
        // Regression: a value for one run was refused as one that "a settings file cannot store".
        {"a control character in /set:",
         "/set:DBHOST=a\x01"
         "b",
         "",
         "The value of /set:DBHOST holds the character U+0001, which no value of a variable may "
         "hold; nothing was saved."},
        {"a control character in /env:", "/env:DEPLOY_",
         "DEPLOY_DBPASS=a\x02"
         "b",
         "The value of the environment variable DEPLOY_DBPASS holds the character U+0002, which no "
         "value of a variable may hold; nothing was saved."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Applied(c.commandLine, c.environment), c.applied) << c.what;
}

}  // namespace
