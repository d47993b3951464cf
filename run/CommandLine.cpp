#include "run/CommandLine.h"

#include <QCoreApplication>

QStringList GetCommandLine(const QString& argumentText, int maxArgs) {
    QStringList arguments;
    bool insideArgument = false;
    for (const QChar c : argumentText) {
        if (c == u' ' || c == u'\t') {
            insideArgument = false;
            continue;
        }
        if (!insideArgument) {
            if (arguments.size() >= maxArgs) {
                break;
            }
            arguments.append(QString());
            insideArgument = true;
        }
        arguments.last().append(c);
    }
    if (arguments.isEmpty()) {
        arguments.append(QStringLiteral("/splash"));
    }
    return arguments;
}

CommandLineOptions ParseCommandLine(const QStringList& arguments) {
    CommandLineOptions options;
    for (const QString& argument : arguments) {
        const qsizetype colon = argument.indexOf(u':');
        QString name = (colon < 0 ? argument : argument.left(colon)).toLower();
        const QString value = colon < 0 ? QString() : argument.mid(colon + 1);

        if (name.isEmpty() || (name.front() != u'/' && name.front() != u'-')) {
            options.usageMessage = UsageText(
                QCoreApplication::translate("CommandLine", "Did not understand: %1\r\n\r\n")
                    .arg(argument));
            break;
        }
        name.remove(0, 1);
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
                        "/conf:<file>\tGibt die Konfigurationsdatei an.\r\n"
                        "--help, -h, /?\tShows this text.\r\n"
                        "--version\tShows the version.\r\n"
                        "/check\tLists the files a save would change, writes nothing and exits "
                        "(status 0: none, 3: some).\r\n"
                        "/diff\tLike /check, but shows the changes as a unified diff.\r\n"
                        "/strict\tWith /export, /check or /diff: a $(NAME) without a value or a "
                        "variable no item declares is an error, and nothing is written.");
}

QString VersionText() {
    return QStringLiteral("TervoSetup " TERVO_VERSION);
}
