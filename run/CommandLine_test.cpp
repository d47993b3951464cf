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

// --help is the short reference: it names every option the parser takes, and the parser takes
// every option it names, with the exit statuses after them.
TEST(CommandLineTest, HelpNamesEveryOptionAndNoOther) {
    const QString help = HelpText();
    for (const char* argument :
         {"/file:f.xml", "/conf:c.xml", "/export", "/check", "/diff", "/strict", "/set:A=b",
          "/env:P_", "/values:-", "/batch", "--help", "-h", "/?", "--version"}) {
        const CommandLineOptions options = ParseCommandLine({QString::fromUtf8(argument)});
        EXPECT_TRUE(options.unknownOptions.isEmpty() && !options.usageMessage) << argument;
        const QString name = QString::fromUtf8(argument).section(u':', 0, 0);
        EXPECT_TRUE(help.contains(u'\n' + name) || help.contains(u' ' + name)) << argument;
    }
    for (const QString& line : help.split(u'\n')) {
        if (line.startsWith(u'/') || line.startsWith(u'-')) {
            const QString name = line.section(u'\t', 0, 0).section(u',', 0, 0);
            const QString argument = name.section(u'<', 0, 0) + (name.contains(u'<') ? "x=y" : "");
            EXPECT_TRUE(ParseCommandLine({argument}).unknownOptions.isEmpty()) << qPrintable(line);
        }
    }
    for (const char* status : {"\n0\t", "\n1\t", "\n2\t", "\n3\t", "man tervosetup"}) {
        EXPECT_TRUE(help.contains(QString::fromUtf8(status))) << status;
    }
}

// An argument's bytes become its text, and a byte that is not UTF-8 stays recognisable instead of
// becoming U+FFFD, which a value may hold.
TEST(CommandLineTest, KeepsBytesThatAreNotUtf8Recognisable) {
    const struct {
        const char* bytes;
        bool utf8;
    } cases[] = {
        {"/set:A=plain", true},
        {"/set:A=\xc3\xa9\xe2\x82\xac\xf0\x9f\x94\x91", true},  // two, three and four bytes
        {"\xef\xbb\xbf/set:A=a mark in front", true},
        {"/set:A=\xef\xbf\xbd", true},       // U+FFFD itself
        {"/set:A=\xff", false},              // no sequence begins with it
        {"/set:A=\xc0\xaf", false},          // "/" written in two bytes
        {"/set:A=\xed\xa0\x80", false},      // a surrogate
        {"/set:A=\xf4\x90\x80\x80", false},  // beyond U+10FFFF
        {"/set:A=\xe2\x82", false},          // cut short
        {"/set:A=\xe2\x82/", false},         // cut short before another character
    };
    for (const auto& c : cases) {
        const QString text = ArgumentFromBytes(c.bytes);
        EXPECT_EQ(HoldsBytesNotUtf8(text), !c.utf8) << c.bytes;
        if (c.utf8)
            EXPECT_EQ(text.toUtf8(), QByteArray(c.bytes)) << c.bytes;
        else  // a byte each, and the text before them as it was
            EXPECT_TRUE(text.size() == qsizetype(strlen(c.bytes)) && text.startsWith("/set:A="))
                << c.bytes;
    }
}

// An option the program does not know is noted without its value, which may be a secret, and so
// is every argument a message shows, but for the paths and prefixes it names.
TEST(CommandLineTest, ShowsNoValueThatMayBeASecret) {
    const CommandLineOptions options = ParseCommandLine(
        GetCommandLine("/export /sset:PW=s3cret -st:PW=s3cret /PW=s3cret /x /values:- /values:v"));
    EXPECT_EQ(options.unknownOptions.join(u' '), "/sset: -st: /PW /x");
    ASSERT_EQ(options.values.size(), 2u);
    EXPECT_EQ(options.values[1].kind, ValueOption::Kind::File);
    EXPECT_EQ(options.values[0].name + options.values[1].name, "-v");
    const struct {
        const char *argument, *shown;
    } cases[] = {
        {"/set:PW=s3cret", "/set:PW="},   {"/set:s3cret", "/set:"},
        {"/set:=s3cret", "/set:="},       {"/set", "/set"},
        {"/export:yes", "/export:"},      {"/file:a=b.xml", "/file:a=b.xml"},
        {"-CONF:c.xml", "-CONF:c.xml"},   {"/values:v.xml", "/values:v.xml"},
        {"/env:DEPLOY_", "/env:DEPLOY_"}, {"s3cret=x:y", "s3cret"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShownArgument(c.argument), c.shown) << c.argument;
    // A malformed "/set:" is quoted by its option alone. Regression: "/set" was quoted as "".
    for (const char* argument : {"/set", "/SET:s3cret", "-set:=s3cret"}) {
        const QString said = ParseCommandLine({argument}).usageMessage.value_or("none");
        EXPECT_TRUE(said.startsWith("Did not understand: " + QString(argument).section(':', 0, 0) +
                                    ":... (expected"))
            << qPrintable(said);
    }
}

}  // namespace
