#include "run/CommandLine.h"

#include <QCoreApplication>

QStringList GetCommandLine(const QString& argumentText, int maxArgs, QStringList* ignored) {
    QStringList arguments;
    QStringList beyond;
    bool insideArgument = false;
    for (const QChar c : argumentText) {
        if (c == u' ' || c == u'\t') {
            insideArgument = false;
            continue;
        }
        if (!insideArgument) {
            (arguments.size() < maxArgs ? arguments : beyond).append(QString());
            insideArgument = true;
        }
        (beyond.isEmpty() ? arguments : beyond).last().append(c);
    }
    if (ignored != nullptr) {
        *ignored = beyond;
    }
    if (arguments.isEmpty()) {
        arguments.append(QStringLiteral("/splash"));
    }
    return arguments;
}

namespace {

// The option name of an argument, lower-cased, with its "/" or "-"; the whole argument up to the
// first ":".
QString OptionName(const QString& argument) {
    return argument.section(u':', 0, 0).toLower();
}

// The value of "/set:NAME=VALUE" or "/env:PREFIX", or nothing when it is malformed: a "/set:"
// without "=" or without a name before it, an "/env:" without a prefix.
std::optional<ValueOption> ReadValueOption(bool fromEnvironment, const QString& value) {
    if (fromEnvironment) {
        return value.isEmpty() ? std::nullopt : std::optional(ValueOption{true, value, {}});
    }
    const qsizetype equals = value.indexOf(u'=');
    if (equals <= 0) {
        return std::nullopt;
    }
    return ValueOption{false, value.left(equals), value.mid(equals + 1)};
}

}  // namespace

CommandLineOptions ParseCommandLine(const QStringList& arguments) {
    CommandLineOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const qsizetype colon = argument.indexOf(u':');
        QString name = OptionName(argument);
        const QString value = colon < 0 ? QString() : argument.mid(colon + 1);

        const bool isOption = !name.isEmpty() && (name.front() == u'/' || name.front() == u'-');
        name.remove(0, 1);
        const bool namesValue = isOption && (name == u"set" || name == u"env");
        const std::optional<ValueOption> valueOption =
            namesValue ? ReadValueOption(name == u"env", value) : std::nullopt;
        if (!isOption || (namesValue && !valueOption)) {
            options.usageMessage = UsageText(
                QCoreApplication::translate("CommandLine", "Did not understand: %1\r\n\r\n")
                    .arg(argument));
            // The message itself must not wait for a user when the run is to be unattended.
            for (const QString& rest : arguments.mid(i + 1)) {
                const QString restName = OptionName(rest);
                options.batch = options.batch || restName == u"/batch" || restName == u"-batch";
            }
            break;
        }
        if (name == u"help" || name == u"-help" || name == u"h" || name == u"?") {
            options.help = true;
            break;
        }
        if (name == u"version" || name == u"-version") {
            options.version = true;
            break;
        }
        if (name == u"file") {
            options.settingsFile = value;
        } else if (name == u"export") {
            options.exportMode = true;
        } else if (name == u"check") {
            options.checkMode = true;
        } else if (name == u"diff") {
            options.diffMode = true;
        } else if (name == u"strict") {
            options.strict = true;
        } else if (name == u"batch") {
            options.batch = true;
        } else if (valueOption) {
            options.values.push_back(*valueOption);
        } else if (name == u"conf") {
            options.configFile = value;
            options.baseDir = BaseDirOf(value);
        } else if (name != u"splash") {
            options.unknownOptions.append(argument);
        }
    }
    return options;
}

QString BaseDirOf(const QString& configPath) {
    const qsizetype slash = configPath.lastIndexOf(u'/');
    return slash < 0 ? QString() : configPath.left(slash + 1);
}

StartupPaths ResolveStartupPaths(const CommandLineOptions& options) {
    StartupPaths paths;
    paths.configFile =
        options.configFile.isEmpty() ? QStringLiteral("config.xml") : options.configFile;
    paths.settingsFile =
        options.baseDir +
        (options.settingsFile.isEmpty() ? QStringLiteral("settings.xml") : options.settingsFile);
    return paths;
}

QString UsageText(const QString& prefix) {
    return prefix + QCoreApplication::translate(
                        "CommandLine",
                        "Konfiguration Editor Command Line Syntax\r\n"
                        "/file:<file>\tÖffnet die Datei <file>\r\n"
                        "/export\tExportiert die Datei und schließt das Programm anschließend.\r\n"
                        "/conf:<file>\tGibt die Konfigurationsdatei an.");
}

QString HelpText() {
    return QCoreApplication::translate(
        "CommandLine",
        "Configuration Editor command line syntax\n"
        "/file:<file>\tOpens the settings file <file>.\n"
        "/export\tSaves and exports without a window, then exits.\n"
        "/conf:<file>\tNames the configuration file.\n"
        "--help, -h, /?\tShows this text.\n"
        "--version\tShows the version.\n"
        "/check\tLists the files a save would change, writes nothing and exits "
        "(status 0: none, 3: some).\n"
        "/diff\tLike /check, but shows the changes as a unified diff.\n"
        "/strict\tWith /export, /check or /diff: a $(NAME) without a value or a "
        "variable no item declares is an error, and nothing is written.\n"
        "/set:<NAME>=<value>\tWith /export, /check or /diff: uses <value> for the variable "
        "NAME in this run only; the settings file keeps its value.\n"
        "/env:<PREFIX>\tThe same for each environment variable <PREFIX><NAME>.\n"
        "/batch\tWith /export, /check or /diff: never opens a window or a message box; "
        "every message goes to standard error.");
}

QString VersionText() {
    return QStringLiteral("TervoSetup " TERVO_VERSION);
}
