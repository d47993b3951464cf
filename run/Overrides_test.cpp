#include "run/Overrides.h"

#include "schema/Configuration.h"
#include "settings/VariableValues.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// What the command line makes of "/set:", "/env:" and "/batch": each value option as
// "set NAME=VALUE" or "env PREFIX", then "batch" when it is set, or the argument a usage message
// quotes.
QString Parsed(const char* commandLine) {
    const CommandLineOptions options = ParseCommandLine(GetCommandLine(commandLine));
    QStringList parts;
    for (const ValueOption& value : options.values) {
        parts.append(value.fromEnvironment ? "env " + value.name
                                           : "set " + value.name + '=' + value.value);
    }
    if (options.batch) {
        parts.append("batch");
    }
    if (options.usageMessage) {
        parts.append("usage: " + options.usageMessage->section("\r\n", 0, 0));
    }
    return parts.join(", ");
}

TEST(OverridesTest, ReadsValueOptionsAndRefusesMalformedOnes) {
    const struct {
        const char *what, *commandLine, *parsed;
    } cases[] = {
        {"by bare name and by id, the value after the first =",
         "/set:DBHOST=db2 -SET:$(DBPORT)=a=b", "set DBHOST=db2, set $(DBPORT)=a=b"},
        {"an empty value is a value", "/set:DBHOST=", "set DBHOST="},
        {"a prefix, in order with the others", "/env:DEPLOY_ /set:A=1 /Batch",
         "env DEPLOY_, set A=1, batch"},
        {"no =", "/export /set:DBHOST", "usage: Did not understand: /set:DBHOST"},
        {"no name", "/set:=db2", "usage: Did not understand: /set:=db2"},
        {"no prefix", "/env: /set:A=1", "usage: Did not understand: /env:"},
        {"a malformed command line still honours a later /batch", "/export nonsense -batch",
         "batch, usage: Did not understand: nonsense"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Parsed(c.commandLine), c.parsed) << c.what;
    }
}

TEST(OverridesTest, GivesValuesByIdOrBareNameAndRefusesUndeclaredNames) {
    Configuration config;
    ASSERT_TRUE(config
                    .Parse(R"(<xml><group><name>g</name>
                    <item><name>Host</name><varname>$(DBHOST)</varname></item>
                    <item><name>Pass</name><varname>$(DBPASS)</varname></item></group></xml>)",
                           "c.xml")
                    .ok());
    QProcessEnvironment environment;
    environment.insert("DEPLOY_DBPASS", "s3cret with blanks");
    environment.insert("OTHER_NOPE", "x");
    const struct {
        const char *what, *commandLine;
        QString values;  // "host|pass|where the values came from", or the message
    } cases[] = {
        {"nothing given", "/export", "stored-host|stored-pass|"},
        {"by bare name", "/set:DBHOST=db2", "db2|stored-pass|/set:DBHOST"},
        {"by id, the later one wins", "/set:$(DBHOST)=db2 /set:DBHOST=db3",
         "db3|stored-pass|/set:DBHOST"},
        {"from the environment", "/env:DEPLOY_", "stored-host|s3cret with blanks|DEPLOY_DBPASS"},
        {"a prefix that nothing has", "/env:NONE_", "stored-host|stored-pass|"},
        {"a name no item declares", "/set:DBHOST=db2 /set:NOPE=1",
         "c.xml declares no variable \"NOPE\", which /set:NOPE gives a value; nothing was saved."},
        {"an environment variable no item declares", "/env:OTHER_",
         "c.xml declares no variable \"NOPE\", which the environment variable OTHER_NOPE gives a "
         "value; nothing was saved."},
    };
    for (const auto& c : cases) {
        VariableValues values(config);
        values.Set("$(DBHOST)", "stored-host");
        values.Set("$(DBPASS)", "stored-pass");
        QHash<QString, QString> sources;
        const Status applied =
            ApplyValueOptions(ParseCommandLine(GetCommandLine(c.commandLine)).values, environment,
                              config, &values, &sources);
        const QString got = QStringList{*values.Find("$(DBHOST)"), *values.Find("$(DBPASS)"),
                                        QStringList(sources.values()).join(',')}
                                .join('|');
        // A failure leaves every value as it was.
        EXPECT_EQ(applied.ok() ? got : applied.message(), c.values) << c.what;
        EXPECT_TRUE(applied.ok() || got == "stored-host|stored-pass|") << c.what;
    }
}

}  // namespace
