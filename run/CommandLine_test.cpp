#include "run/CommandLine.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

QStringList Split(const char* text, int maxArgs = 10) {
    return GetCommandLine(QString::fromUtf8(text), maxArgs);
}

CommandLineOptions Parse(const char* text) {
    return ParseCommandLine(Split(text));
}

TEST(GetCommandLineTest, SplitsAtBlanksAndTabsOnly) {
    EXPECT_EQ(Split("/file:a.xml /export"), QStringList({"/file:a.xml", "/export"}));
    EXPECT_EQ(Split("  a \t\t b\t"), QStringList({"a", "b"}));
    // Quotes group nothing and stay in the arguments.
    EXPECT_EQ(Split("/file:\"my file.xml\""), QStringList({"/file:\"my", "file.xml\""}));
    // Line breaks and non-breaking spaces are ordinary characters.
    EXPECT_EQ(Split("a\nb\r\xc2\xa0"
                    "c"),
              QStringList({QString::fromUtf8("a\nb\r\xc2\xa0"
                                             "c")}));
}

TEST(GetCommandLineTest, EmptyTextYieldsSplash) {
    EXPECT_EQ(Split(""), QStringList({"/splash"}));
    EXPECT_EQ(Split(" \t  "), QStringList({"/splash"}));
}

TEST(GetCommandLineTest, KeepsAtMostMaxArgs) {
    EXPECT_EQ(Split("1 2 3 4 5 6 7 8 9 10 11 12").size(), 10);
    EXPECT_EQ(Split("1 2 3 4 5 6 7 8 9 10 11").last(), QStringLiteral("10"));
    EXPECT_EQ(Split("a b c", 2), QStringList({"a", "b"}));
}

TEST(ParseCommandLineTest, AppliesOptionsInOrder) {
    const CommandLineOptions upper = Parse("/FILE:Data.XML");
    EXPECT_EQ(upper.settingsFile, QStringLiteral("Data.XML"));
    EXPECT_FALSE(upper.usageMessage);

    const CommandLineOptions dash = Parse("-conf:cfg/c.xml");
    EXPECT_EQ(dash.configFile, QStringLiteral("cfg/c.xml"));
    EXPECT_EQ(dash.baseDir, QStringLiteral("cfg/"));

    EXPECT_EQ(Parse("/file:C:/data/s.xml").settingsFile, QStringLiteral("C:/data/s.xml"));
    EXPECT_EQ(Parse("/file:a.xml /file").settingsFile, QString());
    EXPECT_EQ(Parse("/file:a.xml /file:b.xml").settingsFile, QStringLiteral("b.xml"));
    EXPECT_TRUE(Parse("/export:yes").exportMode);
    EXPECT_TRUE(Parse("-EXPORT").exportMode);
    EXPECT_FALSE(Parse("/splash").exportMode);
}

TEST(ParseCommandLineTest, IgnoresUnknownOptions) {
    const CommandLineOptions options = Parse("/x --file:a.xml / - /splash");
    EXPECT_FALSE(options.usageMessage);
    EXPECT_EQ(options.settingsFile, QString());
    EXPECT_EQ(options.configFile, QString());
    EXPECT_FALSE(options.exportMode);
}

TEST(ParseCommandLineTest, ReportsTheFirstArgumentThatIsNoOption) {
    const QString syntax = UsageText(QString());
    for (const char* argument : {"file:a.xml", ":a.xml", "settings.xml"}) {
        const CommandLineOptions options = ParseCommandLine({QString::fromUtf8(argument)});
        ASSERT_TRUE(options.usageMessage) << argument;
        EXPECT_EQ(*options.usageMessage, QStringLiteral("Did not understand: ") +
                                             QString::fromUtf8(argument) +
                                             QStringLiteral("\r\n\r\n") + syntax);
    }
    // The walk stops at the bad argument: later options are not applied.
    const CommandLineOptions stopped = Parse("/file:a.xml bad /file:b.xml /export");
    ASSERT_TRUE(stopped.usageMessage);
    EXPECT_TRUE(stopped.usageMessage->startsWith(QStringLiteral("Did not understand: bad\r\n")));
    EXPECT_EQ(stopped.settingsFile, QStringLiteral("a.xml"));
    EXPECT_FALSE(stopped.exportMode);
    // A quoted name with a blank falls apart; its second half is reported.
    const CommandLineOptions quoted = Parse("/file:\"my file.xml\"");
    ASSERT_TRUE(quoted.usageMessage);
    EXPECT_TRUE(quoted.usageMessage->startsWith(QStringLiteral("Did not understand: file.xml\"")));
    // An eleventh argument is dropped before it could be reported.
    EXPECT_FALSE(Parse("/a /b /c /d /e /f /g /h /i /j bad").usageMessage);
}

TEST(ParseCommandLineTest, UsageTextListsTheOptions) {
    const QString text = UsageText(QStringLiteral("P"));
    EXPECT_EQ(text, QStringLiteral("PKonfiguration Editor Command Line Syntax\r\n"
                                   "/file:<file>\tÖffnet die Datei <file>\r\n"
                                   "/export\tExportiert die Datei und schließt das Programm "
                                   "anschließend.\r\n"
                                   "/conf:<file>\tGibt die Konfigurationsdatei an."));
    EXPECT_FALSE(text.contains(QStringLiteral("splash")));
}

TEST(StartupPathsTest, PrefixesTheSettingsFileWithTheConfigurationDirectoryOnce) {
    struct Case {
        const char* commandLine;
        const char* baseDir;
        const char* configFile;
        const char* settingsFile;
    };
    const Case cases[] = {
        {"", "", "config.xml", "settings.xml"},
        {"/conf:cfg/config.xml", "cfg/", "cfg/config.xml", "cfg/settings.xml"},
        {"/conf:cfg/config.xml /file:a.xml", "cfg/", "cfg/config.xml", "cfg/a.xml"},
        {"/file:data/a.xml", "", "config.xml", "data/a.xml"},
        {"/conf:C:\\cfg\\config.xml", "", "C:\\cfg\\config.xml", "settings.xml"},
        {"/conf:/etc/app/config.xml /file:/abs.xml", "/etc/app/", "/etc/app/config.xml",
         "/etc/app//abs.xml"},
        {"/conf:", "", "config.xml", "settings.xml"},
    };
    for (const Case& c : cases) {
        const CommandLineOptions options = Parse(c.commandLine);
        const StartupPaths paths = ResolveStartupPaths(options);
        EXPECT_EQ(options.baseDir, QString::fromUtf8(c.baseDir)) << c.commandLine;
        EXPECT_EQ(paths.configFile, QString::fromUtf8(c.configFile)) << c.commandLine;
        EXPECT_EQ(paths.settingsFile, QString::fromUtf8(c.settingsFile)) << c.commandLine;
    }
}

}  // namespace
