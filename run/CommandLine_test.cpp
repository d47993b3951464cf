#include "run/CommandLine.h"

#include <gtest/gtest.h>

namespace {

// "/conf:" names the configuration, and its folder is the prefix of every settings path, an
// absolute one too. Where the walk over the options stops, and what the usage message quotes, the
// command-line fuzzer checks.
TEST(CommandLineTest, PutsTheSettingsBehindTheFolderOfTheConfiguration) {
    const CommandLineOptions options =
        ParseCommandLine(GetCommandLine("/Conf:/etc/c.xml /file:/abs.xml"));
    const StartupPaths paths = ResolveStartupPaths(options);
    EXPECT_EQ(QStringList({paths.configFile, options.baseDir, paths.settingsFile}).join(" | "),
              "/etc/c.xml | /etc/ | /etc//abs.xml");
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

}  // namespace
