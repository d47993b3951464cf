#include "run/CommandLine.h"

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// What a run takes from its command line text, with the defaults applied: "<configuration>
// <base directory> <settings>", then the modes that are set and "?<option>" for each unknown
// option, then the usage message, in which the syntax text stands as "<syntax>".
QString Describe(const char* commandLine) {
    const CommandLineOptions options =
        ParseCommandLine(GetCommandLine(QString::fromUtf8(commandLine)));
    const StartupPaths paths = ResolveStartupPaths(options);
    QString flags = QStringLiteral(" ");
    for (const auto& [set, name] : {std::pair{options.exportMode, "export "},
                                    {options.help, "help "},
                                    {options.version, "version "},
                                    {options.checkMode, "check "},
                                    {options.diffMode, "diff "},
                                    {options.strict, "strict "}})
        flags += set ? name : "";
    for (const QString& unknown : options.unknownOptions)
        flags += u'?' + unknown + u' ';
    return paths.configFile + u' ' + options.baseDir + u' ' + paths.settingsFile + flags +
           options.usageMessage.value_or("").replace(UsageText(QString()), "<syntax>");
}

TEST(CommandLineTest, AppliesOptionsInOrderAndPutsTheSettingsBehindTheConfiguration) {
    const char* const cases[][2] = {
        {"", "config.xml  settings.xml "},
        // Blanks and tabs separate; line breaks and non-breaking spaces are ordinary characters.
        {" \t/FILE:a\nb\xc2\xa0z \t-EXPORT\t", "config.xml  a\nb\xc2\xa0z export "},
        {"-conf:cfg/c.xml", "cfg/c.xml cfg/ cfg/settings.xml "},
        {"/Conf:cfg/c.xml /file:a.xml", "cfg/c.xml cfg/ cfg/a.xml "},
        // The value follows the first ":"; a later option wins, even without a value.
        {"/file:a.xml /file:C:/s.xml", "config.xml  C:/s.xml "},
        {"/conf:cfg/c.xml /file:a.xml /conf: /file", "config.xml  settings.xml "},
        // Only "/" ends a directory, and the prefix goes in front of any settings path.
        {"/conf:C:\\cfg\\c.xml", "C:\\cfg\\c.xml  settings.xml "},
        {"/conf:/etc/c.xml /file:/abs.xml", "/etc/c.xml /etc/ /etc//abs.xml "},
        // Unknown options are ignored but noted, and so is the value of "/export".
        {"/x --file:a.xml / - /splash /export:no",
         "config.xml  settings.xml export ?/x ?--file:a.xml ?/ ?- "},
        {"-Check /DIFF:x /strict", "config.xml  settings.xml check diff strict "},
        // Help and the version stop the walk before anything after them is looked at.
        {"/export --help bad", "config.xml  settings.xml export help "},
        {"-H", "config.xml  settings.xml help "},
        {"/? /file:a.xml", "config.xml  settings.xml help "},
        {"--Version:x", "config.xml  settings.xml version "},
        {"bad --help", "config.xml  settings.xml Did not understand: bad\r\n\r\n<syntax>"},
        // The first argument that is no option stops the walk; quotes group nothing.
        {"file:a.xml", "config.xml  settings.xml Did not understand: file:a.xml\r\n\r\n<syntax>"},
        {"/file:a.xml :a /export", "config.xml  a.xml Did not understand: :a\r\n\r\n<syntax>"},
        {"/file:\"my file.xml\"",
         "config.xml  \"my Did not understand: file.xml\"\r\n\r\n<syntax>"},
        // Only ten arguments are read: an eleventh is never reported.
        {"-export /export /export /export /export /export /export /export /export /export bad",
         "config.xml  settings.xml export "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Describe(c[0]), QString::fromUtf8(c[1])) << c[0];
    EXPECT_EQ(GetCommandLine(" \t "), QStringList("/splash"));
    for (const char* option : {"/file:<file>\t", "/export\t", "/conf:<file>\t", "--help",
                               "--version", "/check\t", "/diff\t", "/strict\t"})
        EXPECT_TRUE(UsageText(QString()).contains(QString::fromUtf8(option))) << option;
}

}  // namespace
