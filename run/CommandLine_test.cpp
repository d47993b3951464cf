#include "run/CommandLine.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// What a run takes from a command line: configuration, prefix, settings, modes, unknown options
// and the usage message in front of the syntax text, separated by " | ".
QString Summary(const QString& commandLine) {
    const CommandLineOptions options = ParseCommandLine(GetCommandLine(commandLine));
    const StartupPaths paths = ResolveStartupPaths(options);
    QStringList modes;
    for (const auto& [set, name] : {std::pair{options.exportMode, "export"},
                                    {options.help, "help"},
                                    {options.checkMode, "check"},
                                    {options.diffMode, "diff"},
                                    {options.strict, "strict"}})
        if (set)
            modes << name;
    const QString usage = options.usageMessage.value_or("-");
    return QStringList{paths.configFile,
                       options.baseDir,
                       paths.settingsFile,
                       modes.join(' '),
                       options.unknownOptions.join(' '),
                       usage.endsWith(UsageText()) ? usage.chopped(UsageText().size()) : usage}
        .join(" | ");
}

TEST(CommandLineTest, AppliesOptionsInOrderAndPutsTheSettingsBehindTheConfiguration) {
    const struct {
        const char* what;
        const char* commandLine;
        const char* run;  // what Summary() gives
    } cases[] = {
        // The command-line fuzzer checks where the walk stops, and what the usage message quotes.
        {"the settings go beside the configuration", "-conf:cfg/c.xml",
         "cfg/c.xml | cfg/ | cfg/settings.xml |  |  | -"},
        {"the prefix goes in front of any settings path", "/Conf:/etc/c.xml /file:/abs.xml",
         "/etc/c.xml | /etc/ | /etc//abs.xml |  |  | -"},
        {"an option needs its slash or dash, and what came before it stands",
         "/file:a.xml file:b.xml /export",
         "config.xml |  | a.xml |  |  | Did not understand: file:b.xml\r\n\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Summary(QString::fromUtf8(c.commandLine)), QString::fromUtf8(c.run)) << c.what;
}

// The syntax message is the four lines it has always been, whatever options came later: those
// are for --help. Regression: it gained eleven English lines under the German ones.
TEST(CommandLineTest, TheSyntaxMessageKeepsItsFourLines) {
    const CommandLineOptions options = ParseCommandLine(GetCommandLine("nonsense"));
    EXPECT_EQ(options.usageMessage.value_or("none").toStdString(),
              "Did not understand: nonsense\r\n\r\nKonfiguration Editor Command Line Syntax\r\n"
              "/file:<file>\t\u00d6ffnet die Datei <file>\r\n/export\tExportiert die Datei und "
              "schlie\u00dft das Programm anschlie\u00dfend.\r\n/conf:<file>\tGibt die "
              "Konfigurationsdatei an.");
}

// Only the first ten arguments count; the rest are handed back, so that a run can name them.
TEST(CommandLineTest, HandsBackTheArgumentsPastTheTenth) {
    const struct {
        const char* what;
        const char* commandLine;
        int counted;
        QStringList ignored;
    } cases[] = {
        {"ten", "1 2 3 4 5 6 7 8 9 10", 10, {}},
        {"twelve, split at blanks and tabs",
         "1 2 3 4 5 6 7 8 9 10 /file:a.xml\t \"b c",
         10,
         {"/file:a.xml", "\"b", "c"}},
        {"none", " \t ", 1, {}},
    };
    for (const auto& c : cases) {
        QStringList ignored{"left over"};
        const QStringList counted = GetCommandLine(c.commandLine, kMaxArguments, &ignored);
        EXPECT_EQ(counted.size(), c.counted) << c.what;
        EXPECT_EQ(ignored, c.ignored) << c.what;
    }
}

}  // namespace
