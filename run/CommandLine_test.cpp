#include "run/CommandLine.h"

#include "testing/TextMatchers.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace {

// The modes a command line sets, by name.
QStringList Modes(const CommandLineOptions& options) {
    QStringList modes;
    for (const auto& [set, name] : {std::pair{options.exportMode, "export"},
                                    {options.help, "help"},
                                    {options.version, "version"},
                                    {options.checkMode, "check"},
                                    {options.diffMode, "diff"},
                                    {options.strict, "strict"}})
        if (set)
            modes << name;
    return modes;
}

// The usage message up to the syntax text that ends it.
std::optional<QString> Complaint(const CommandLineOptions& options) {
    if (!options.usageMessage || !options.usageMessage->endsWith(UsageText()))
        return options.usageMessage;
    return options.usageMessage->chopped(UsageText().size());
}

TEST(CommandLineTest, AppliesOptionsInOrderAndPutsTheSettingsBehindTheConfiguration) {
    const char* const kConfig = "config.xml";
    const char* const kSettings = "settings.xml";
    using Names = QStringList;
    const struct {
        const char* what;
        const char* commandLine;
        // What the run takes from it, with the defaults applied.
        const char* config;
        const char* baseDir;
        const char* settings;
        Names modes = {};
        const char* complaint = "";  // the usage message in front of the syntax text; "": none
        Names unknown = {};          // the unknown options noted
    } cases[] = {
        // The command-line fuzzer checks where the walk stops, and what the usage message quotes,
        // for any text.
        {"blanks and tabs separate; line breaks and no-break spaces are ordinary characters",
         " \t/FILE:a\nb\xc2\xa0z \t-EXPORT\t", kConfig, "", "a\nb\xc2\xa0z", Names{"export"}},
        {"the settings go beside the configuration", "-conf:cfg/c.xml", "cfg/c.xml", "cfg/",
         "cfg/settings.xml"},
        {"a settings path is relative to the configuration", "/Conf:cfg/c.xml /file:a.xml",
         "cfg/c.xml", "cfg/", "cfg/a.xml"},
        {"the value follows the first colon, and a later option wins", "/file:a.xml /file:C:/s.xml",
         kConfig, "", "C:/s.xml"},
        {"a later option wins even without a value", "/conf:cfg/c.xml /file:a.xml /conf: /file",
         kConfig, "", kSettings},
        {"only a slash ends a directory", "/conf:C:\\cfg\\c.xml", "C:\\cfg\\c.xml", "", kSettings},
        {"the prefix goes in front of any settings path", "/conf:/etc/c.xml /file:/abs.xml",
         "/etc/c.xml", "/etc/", "/etc//abs.xml"},
        {"unknown options and the value of /export are noted and ignored",
         "/x --file:a.xml / - /splash /export:no", kConfig, "", kSettings, Names{"export"}, "",
         Names{"/x", "--file:a.xml", "/", "-"}},
        {"modes are case-insensitive and ignore a value", "-Check /DIFF:x /strict", kConfig, "",
         kSettings, Names{"check", "diff", "strict"}},
        {"help stops the walk", "/export -H bad", kConfig, "", kSettings, Names{"export", "help"}},
        {"the version stops the walk", "--Version:x", kConfig, "", kSettings, Names{"version"}},
        {"an option needs its slash or dash, and what came before it stands",
         "/file:a.xml file:b.xml /export", kConfig, "", "a.xml", Names(),
         "Did not understand: file:b.xml\r\n\r\n"},
        {"only ten arguments are read: an eleventh is never reported",
         "-export /export /export /export /export /export /export /export /export /export bad",
         kConfig, "", kSettings, Names{"export"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CommandLineOptions options =
            ParseCommandLine(GetCommandLine(QString::fromUtf8(c.commandLine)));
        const StartupPaths paths = ResolveStartupPaths(options);
        EXPECT_EQ(paths.configFile, QString::fromUtf8(c.config));
        EXPECT_EQ(options.baseDir, QString::fromUtf8(c.baseDir));
        EXPECT_EQ(paths.settingsFile, QString::fromUtf8(c.settings));
        EXPECT_EQ(Modes(options), c.modes);
        EXPECT_EQ(options.unknownOptions, c.unknown);
        EXPECT_EQ(Complaint(options),
                  *c.complaint ? std::optional<QString>(c.complaint) : std::nullopt);
    }
    EXPECT_EQ(GetCommandLine(" \t "), QStringList("/splash"));
    for (const char* option : {"/file:<file>\t", "/export\t", "/conf:<file>\t", "--help",
                               "--version", "/check\t", "/diff\t", "/strict\t"})
        EXPECT_THAT(UsageText(QString()), HoldsText(QString::fromUtf8(option)));
}

}  // namespace
