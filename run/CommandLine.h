#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A value given for one run on the command line: "/set:NAME=VALUE", or "/env:PREFIX" for every
// environment variable PREFIX+NAME (run/Overrides.h says how they apply).
struct ValueOption {
    bool fromEnvironment = false;
    QString name;   // "/set:": the variable's id or bare name; "/env:": the prefix
    QString value;  // "/set:" only
};

// What the command line asks for. Paths are kept exactly as given.
struct CommandLineOptions {
    QString settingsFile;  // "/file:" value; empty when not given
    QString configFile;    // "/conf:" value; empty when not given
    QString baseDir;       // the configuration path up to and including its last "/"
    bool exportMode = false;
    bool checkMode = false;  // "/check": tell which files a save would change, write nothing
    bool diffMode = false;   // "/diff": the same, told as a unified diff
    bool strict = false;     // "/strict": warnings of a run without a window become errors
    bool batch = false;      // "/batch": no window and no message box, whatever the display
    // "/set:" and "/env:", in the order given: a later one wins over an earlier one.
    std::vector<ValueOption> values;
    bool help = false;     // "--help", "-h", "/?": print the usage and exit
    bool version = false;  // "--version": print the version and exit
    // Options the program does not know, as given: ignored, but worth a warning.
    QStringList unknownOptions;
    // Set when an argument is not an option: the whole text for the syntax message, which ends
    // the program.
    std::optional<QString> usageMessage;
};

// How many arguments of the command line count.
inline constexpr int kMaxArguments = 10;

// Splits the argument text (everything after the program's own name) at blanks and tabs into at
// most `maxArgs` arguments; the rest of the text is ignored, and `ignored`, when given, receives
// the arguments it holds. Quotation marks have no meaning. An empty text, or one of blanks and
// tabs only, yields the single argument "/splash".
QStringList GetCommandLine(const QString& argumentText, int maxArgs = kMaxArguments,
                           QStringList* ignored = nullptr);

// Applies the options in order: "/file:", "/conf:", "/export", "/check", "/diff", "/strict",
// "/batch", "/set:", "/env:" ("-" may stand for "/", names are case-insensitive, a value follows
// the first ":" and means nothing to "/export" ... "/batch"). Unknown options are collected and
// otherwise ignored. A request for help or the version stops the walk, and so does the first
// argument that does not begin with "/" or "-", a "/set:" without "=" or without a name before it,
// or an "/env:" without a prefix: each sets usageMessage, quoting that argument. "/batch" is
// noted even after such an argument, so that the message never waits for a user.
CommandLineOptions ParseCommandLine(const QStringList& arguments);

// The directory prefix of a configuration path: up to and including its last "/", or empty.
QString BaseDirOf(const QString& configPath);

// The files a run works on: the configuration ("config.xml" unless given) and the settings file,
// "settings.xml" unless given, put behind the configuration's directory prefix exactly once.
struct StartupPaths {
    QString configFile;
    QString settingsFile;
};
StartupPaths ResolveStartupPaths(const CommandLineOptions& options);

// The syntax text, shown after `prefix` for a malformed command line: the four lines it has
// always had.
QString UsageText(const QString& prefix = QString());

// The text of "--help": every option, one a line, in one language.
QString HelpText();

// "TervoSetup 1.2.3".
QString VersionText();
