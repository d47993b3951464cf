#include "run/Overrides.h"

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

}  // namespace
