#include "session/InvalidValueLines.h"

#include "schema/Configuration.h"

#include <gtest/gtest.h>

namespace {

// Each value named after where it came from, in the order given, and a line that would show a
// password held back whole.
TEST(InvalidValueLinesTest, NameEachValueAndWhereItCameFrom) {
    const ValueRules rules;
    ConfigGroup group{"Server", {}, 0};
    group.items.push_back({u"Port", u"$(PORT)", 0, rules});
    group.items.push_back({u"Admin key", u"$(KEY)", 0, rules});
    group.items.push_back({u"Name", u"$(NAME)", 0, rules});
    const ConfigItem &port = group.items[0], &key = group.items[1], &name = group.items[2];
    const QString heldBack = SecretSet::HeldBackLine();
    const struct {
        const char* what;
        std::vector<InvalidValue> invalid;
        QHash<QString, QString> sources;
        QStringList secrets;
        QStringList lines;
    } cases[] = {
        {"none", {}, {}, {}, {}},
        {"from the settings file, in the order given",
         {{&group, &name, "does not match the pattern \"[a-z]+\""},
          {&group, &port, "must be at most 65535"}},
         {},
         {},
         {"s.xml: Name ($(NAME)): does not match the pattern \"[a-z]+\"",
          "s.xml: Port ($(PORT)): must be at most 65535"}},
        {"from an option of the run",
         {{&group, &port, "must be at most 65535"}, {&group, &name, "must not be empty"}},
         {{"$(PORT)", "/set:PORT"}},
         {},
         {"/set:PORT: Port ($(PORT)): must be at most 65535",
          "s.xml: Name ($(NAME)): must not be empty"}},
        {"a password in a reason",
         {{&group, &key, "does not match the pattern \"hunter2\""},
          {&group, &port, "must be at most 65535"}},
         {},
         {"hunter2"},
         {heldBack, "s.xml: Port ($(PORT)): must be at most 65535"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InvalidValueLines(c.invalid, "s.xml", SecretSet(c.secrets), c.sources), c.lines)
            << c.what;
    }
}

}  // namespace
