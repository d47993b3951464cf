#include "schema/Configuration.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// How the configuration waits for its commands: "before: 60 s" for each command waited for, or
// the message that refuses the file.
QString Waits(const char* commands) {
    Configuration config;
    const Status parsed =
        config.Parse(QByteArray("<xml>\n") + commands + "\n</xml>", QStringLiteral("c.xml"));
    if (!parsed.ok()) {
        return parsed.message();
    }
    QStringList waits;
    for (const auto& [id, wait] :
         {std::pair{"before", config.BeforeWait()}, std::pair{"after", config.AfterWait()}}) {
        if (wait) {
            waits.append(QString("%1: %2 s").arg(id).arg(wait->timeout.count()));
        }
    }
    return waits.join(", ");
}

TEST(CommandWaitTest, ReadsWaitAndTimeoutOrNamesTheFileAndTheProblem) {
    const struct {
        const char *what, *commands, *waits;
    } cases[] = {
        {"started, not waited for, as ever",
         R"(<command id="before">a</command><command id="after" wait="false">b</command>)", ""},
        {"waited for, 60 s unless told",
         R"(<command id="before" wait="true">a</command>)"
         R"(<command id="after" wait="true" timeout="86400">b</command>)",
         "before: 60 s, after: 86400 s"},
        {"only the element that gives the command line counts",
         R"(<command id="after"/><command id="after" wait="true" timeout="5">b</command>)",
         "after: 5 s"},
        {"wait is true or false", R"(<command id="before" wait="yes">a</command>)",
         R"(c.xml: line 2: the before command has wait="yes", but wait must be "true" or "false")"},
        {"a timeout without wait does nothing", R"(<command id="after" timeout="5">b</command>)",
         R"(c.xml: line 2: the after command has a timeout, which needs wait="true")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Waits(c.commands), c.waits) << c.what;
    }
    for (const char* timeout : {"0", "1.5", " 5", "86401", "٣"}) {
        EXPECT_EQ(Waits(qPrintable(QString(R"(<command id="before" wait="true" timeout="%1">a)"
                                           "</command>")
                                       .arg(timeout))),
                  QString("c.xml: line 2: the before command has timeout=\"%1\", but the timeout "
                          "must be a whole number of seconds from 1 to 86400")
                      .arg(timeout));
    }
}

// Regression: a second before command, or one of id "Before", was never started, and nobody was
// told. Each command element that is never started but looks meant to be is a warning with the
// file and its line; the commands started stay the first ones.
TEST(CommandWaitTest, WarnsOfCommandsThatAreNeverStarted) {
    const struct {
        const char *what, *commands;
        QStringList warnings;
    } cases[] = {
        {"one of each", "<command id='before'>b</command>\n<command id='after'>a</command>", {}},
        {"a second before command",
         "<command id='before'>b</command>\n<command id='after'>a</command>\n"
         "<command id='before'>b2</command>",
         {"c.xml:4: a second before command, which is never started: only the first, at line 2, "
          "is"}},
        {"an empty one first, which starts nothing",
         "<command id='after'/>\n<command id='after'>a</command>",
         {}},
        {"an id that differs in case",
         "<command id='Before'>B</command>\n<command id='AFTER'/>",
         {"c.xml:2: the command id \"Before\" is not \"before\" (ids are case-sensitive), so "
          "this command is never started",
          "c.xml:3: the command id \"AFTER\" is not \"after\" (ids are case-sensitive), so this "
          "command is never started"}},
        {"other ids are none of its business", "<command id='cleanup'>c</command>", {}},
    };
    for (const auto& c : cases) {
        Configuration config;
        ASSERT_TRUE(config.Parse(QByteArray("<xml>\n") + c.commands + "\n</xml>", "c.xml").ok())
            << c.what;
        EXPECT_EQ(config.Warnings(), c.warnings) << c.what;
    }
    Configuration config;
    ASSERT_TRUE(config
                    .Parse("<xml><command id='before'>b</command><command id='before'>b2</command>"
                           "</xml>",
                           "c.xml")
                    .ok());
    EXPECT_EQ(config.BeforeCommand(), "b");
}

}  // namespace
