#include "schema/Configuration.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// Parses a configuration of one item whose children, after its name and varname, are `rules`.
Status ParseItem(const char* rules, Configuration* config) {
    return config->Parse(QByteArray("<xml><group><name>G</name>\n<item><name>Port</name>"
                                    "<varname>$(P)</varname>") +
                             rules + "</item></group></xml>",
                         "c.xml");
}

// A declaration that cannot work makes the configuration fail to load, naming the file, the
// item's line, label and id, and the problem.
TEST(ValueRulesTest, RefusesDeclarationsThatCannotWork) {
    const struct {
        const char *what, *rules, *problem;
    } cases[] = {
        {"min above max", "<type>number</type><min>10</min><max>9</max>",
         "<min> 10 is above <max> 9"},
        {"a min that is no number", "<type>number</type><min>ten</min>",
         "<min> is not a whole number: \"ten\""},
        {"a choice without options", "<type>choice</type>", "a choice needs at least one <option>"},
        {"a pattern that does not compile", "<pattern>(a</pattern>",
         "<pattern> \"(a\" does not compile: missing closing parenthesis"},
        {"a default beyond the maximum", "<type>number</type><max>9</max><default>10</default>",
         "the <default> does not fit: it must be at most 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Configuration config;
        EXPECT_EQ(ParseItem(c.rules, &config).message(),
                  QString("c.xml: line 2: the item \"Port\" ($(P)): ") + c.problem);
        EXPECT_TRUE(config.Groups().empty());
    }
}

// Each kind's check at its edges. An empty value is no value: invalid only when required. A value
// that the pattern engine gives up on is told as what it is, not as one that does not match.
TEST(ValueRulesTest, ChecksEachKindAtItsEdges) {
    const struct {
        const char *what, *rules;
        QString value;
        const char* problem;  // nullptr: the value fits
    } cases[] = {
        {"the minimum itself", "<type>number</type><min>-5</min>", "-5", nullptr},
        {"the maximum itself, with a sign", "<type>number</type><max>5</max>", "+5", nullptr},
        {"one below the minimum", "<type>number</type><min>-5</min>", "-6", "must be at least -5"},
        {"one above the maximum", "<type>number</type><max>65535</max>", "65536",
         "must be at most 65535"},
        {"a sign alone", "<type>number</type>", "-", "is not a whole number"},
        {"empty and not required", "<type>number</type><min>1</min>", "", nullptr},
        {"empty and required", "<type>number</type><required>true</required>", "",
         "must not be empty"},
        {"yes for a plain switch", "<type>boolean</type>", "yes", "must be \"true\" or \"false\""},
        {"true where on is yes", "<type>boolean</type><on>yes</on><off>no</off>", "true",
         "must be \"yes\" or \"no\""},
        {"an option in another case",
         "<type>choice</type><option>info</option><option>warn</option>", "Info",
         "is not one of \"info\", \"warn\""},
        {"a pattern matched in part", "<pattern>[a-z]+</pattern>", "abc1",
         "does not match the pattern \"[a-z]+\""},
        {"a pattern with a message",
         "<pattern>[a-z]+</pattern><message> must be a host name\n"
         "</message>",
         "abc1", "must be a host name"},
        {"a message without a pattern", "<type>number</type><message>m</message>", "x",
         "is not a whole number"},
        {"a pattern matched whole", "<pattern>(a|b)*</pattern>", "abba", nullptr},
        // Regression: a long value that the engine gave up on was refused as a mismatch.
        {"a value of 20,000 characters", "<pattern>(a|b)*</pattern>", QString("ab").repeated(10000),
         "could not be checked against the pattern \"(a|b)*\": the value is too long or too "
         "complex for it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Configuration config;
        ASSERT_TRUE(ParseItem(c.rules, &config).ok());
        EXPECT_EQ(config.Groups()[0].items[0].rules.Problem(c.value).value_or("fits"),
                  c.problem ? c.problem : "fits");
    }
}

}  // namespace
