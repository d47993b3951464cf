#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// A value, or where values come from, for one run on the command line: "/set:NAME=VALUE",
// "/env:PREFIX" for every environment variable PREFIX+NAME, or "/values:FILE" for the values of a
// file in the settings file's format, "/values:-" for those on standard input (run/Overrides.h
// says how they apply).
struct ValueOption {
    enum class Kind { Set, Environment, File };
    Kind kind = Kind::Set;
    QString name;   // Set: the variable's id or bare name; Environment: the prefix; File: the path
    QString value;  // Set only
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
    // "/set:", "/env:" and "/values:", in the order given: a later one wins over an earlier one.
    std::vector<ValueOption> values;
    bool help = false;     // "--help", "-h", "/?": print the usage and exit
    bool version = false;  // "--version": print the version and exit
    // Options the program does not know, each as ShownArgument shows it, never with its value:
    // a run without a window refuses them, the window warns of them.
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

// An argument of the process as text: its UTF-8, where each byte that is not part of UTF-8
// becomes the lone surrogate U+DC80 + byte, which no UTF-8 text yields, so that a value that
// needs text can be refused (HoldsBytesNotUtf8) instead of being changed.
QString ArgumentFromBytes(const QByteArray& bytes);
// Whether `text` holds a byte that ArgumentFromBytes found not to be UTF-8.
bool HoldsBytesNotUtf8(QStringView text);

// Applies the options in order: "/file:", "/conf:", "/export", "/check", "/diff", "/strict",
// "/batch", "/set:", "/env:", "/values:" ("-" may stand for "/", names are case-insensitive, a
// value follows the first ":" and means nothing to "/export" ... "/batch"). Unknown options are
// collected. A request for help or the version stops the walk, and so does the first argument
// that does not begin with "/" or "-", a "/set:" without "=" or without a name before it, an
// "/env:" without a prefix or a "/values:" without a file: each sets usageMessage, quoting that
// argument, or for "/set:" only the option. "/batch" is noted even after such an argument, so that
// the message never waits for a user.
CommandLineOptions ParseCommandLine(const QStringList& arguments);

// What a message may show of an argument, which may hold a secret: all of an option whose value
// is a path, a prefix or nothing ("/file:", "/conf:", "/values:", "/env:", "/export", ...), the
// name of a "/set:" up to its "=", and of anything else the text before its first ":" or "=",
// with the ":". "/sset:PW=x" shows as "/sset:", "/set:PW=x" as "/set:PW=".
QString ShownArgument(const QString& argument);

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
