#include "run/CommandLine.h"

#include <QCoreApplication>
#include <QStringDecoder>

#include <algorithm>

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

// The length of the UTF-8 sequence that starts `bytes`, or 0 when none does: a byte that begins
// no sequence, a sequence cut short, one written longer than it needs (overlong), a surrogate or
// a code point beyond U+10FFFF.
qsizetype Utf8SequenceLength(QByteArrayView bytes) {
    const auto at = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = at(0);
    qsizetype length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length || at(1) < low || at(1) > high) {
        return 0;
    }
    for (qsizetype i = 2; i < length; ++i) {
        if (at(i) < 0x80 || at(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// A byte that is not UTF-8 (0x80 to 0xFF) stands in the text as this plus the byte: a low
// surrogate without its high one, which no UTF-8 text yields.
constexpr char16_t kEscapedByte = 0xDC00;

// The option name of an argument, lower-cased, with its "/" or "-"; the whole argument up to the
// first ":".
QString OptionName(const QString& argument) {
    return argument.section(u':', 0, 0).toLower();
}

// The value of "/set:NAME=VALUE", "/env:PREFIX" or "/values:FILE", or nothing when it is
// malformed: a "/set:" without "=" or without a name before it, an "/env:" without a prefix, a
// "/values:" without a file.
std::optional<ValueOption> ReadValueOption(ValueOption::Kind kind, const QString& value) {
    if (kind != ValueOption::Kind::Set) {
        return value.isEmpty() ? std::nullopt : std::optional(ValueOption{kind, value, {}});
    }
    const qsizetype equals = value.indexOf(u'=');
    if (equals <= 0) {
        return std::nullopt;
    }
    return ValueOption{kind, value.left(equals), value.mid(equals + 1)};
}

}  // namespace

QString ArgumentFromBytes(const QByteArray& bytes) {
    QString text;
    const auto decode = [&text](QByteArrayView run) {
        // A mark at the start is a character of the argument, as everywhere else in it.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        text += decoder(run);
    };
    qsizetype runStart = 0;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = Utf8SequenceLength(QByteArrayView(bytes).sliced(at));
        if (length > 0) {
            at += length;
            continue;
        }
        decode(QByteArrayView(bytes).sliced(runStart, at - runStart));
        text += QChar(char16_t(kEscapedByte + static_cast<unsigned char>(bytes[at])));
        runStart = ++at;
    }
    decode(QByteArrayView(bytes).sliced(runStart));
    return text;
}

bool HoldsBytesNotUtf8(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= kEscapedByte + 0x80 && c.unicode() <= kEscapedByte + 0xFF;
    });
}

CommandLineOptions ParseCommandLine(const QStringList& arguments) {
    CommandLineOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const qsizetype colon = argument.indexOf(u':');
        QString name = OptionName(argument);
        const QString value = colon < 0 ? QString() : argument.mid(colon + 1);

        const bool isOption = !name.isEmpty() && (name.front() == u'/' || name.front() == u'-');
        name.remove(0, 1);
        const std::optional<ValueOption::Kind> valueKind =
            !isOption           ? std::nullopt
            : name == u"set"    ? std::optional(ValueOption::Kind::Set)
            : name == u"env"    ? std::optional(ValueOption::Kind::Environment)
            : name == u"values" ? std::optional(ValueOption::Kind::File)
                                : std::nullopt;
        const std::optional<ValueOption> valueOption =
            valueKind ? ReadValueOption(*valueKind, value) : std::nullopt;
        if (!isOption || (valueKind && !valueOption)) {
            // What follows "/set:" may be a secret that lacks only its name.
            options.usageMessage = UsageText(
                valueKind == ValueOption::Kind::Set
                    ? QCoreApplication::translate("CommandLine",
                                                  "Did not understand: %1... (expected "
                                                  "/set:NAME=VALUE; the rest is not shown)\r\n\r\n")
                          .arg(argument.section(u':', 0, 0) + u':')
                    : QCoreApplication::translate("CommandLine", "Did not understand: %1\r\n\r\n")
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
            options.unknownOptions.append(ShownArgument(argument));
        }
    }
    return options;
}

QString ShownArgument(const QString& argument) {
    const QString name = OptionName(argument).mid(1);
    const bool option = argument.startsWith(u'/') || argument.startsWith(u'-');
    if (option && (name == u"file" || name == u"conf" || name == u"values" || name == u"env")) {
        return argument;
    }
    const qsizetype colon = argument.indexOf(u':');
    if (option && name == u"set" && colon >= 0) {
        const qsizetype equals = argument.indexOf(u'=', colon);
        return argument.left((equals < 0 ? colon : equals) + 1);
    }
    const qsizetype equals = argument.indexOf(u'=');
    if (equals >= 0 && (colon < 0 || equals < colon)) {
        return argument.left(equals);
    }
    return colon < 0 ? argument : argument.left(colon + 1);
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
        "/file:<file>\tOpens the settings file <file>, in the configuration's folder (default "
        "settings.xml).\n"
        "/conf:<file>\tNames the configuration file (default config.xml).\n"
        "/export\tSaves and exports without a window, then exits.\n"
        "/check\tLists the files a save would change, writes nothing and exits.\n"
        "/diff\tLike /check, but shows the changes as a unified diff, passwords as ********.\n"
        "/strict\tWith /export, /check or /diff: a $(NAME) without a value, a variable no item "
        "declares, a likely misspelling in the configuration or a password in a file others may "
        "read is an error, and nothing is written.\n"
        "/set:<NAME>=<value>\tWith /export, /check or /diff: uses <value> for the variable "
        "NAME in this run only; the settings file keeps its value. Repeatable.\n"
        "/env:<PREFIX>\tThe same for each environment variable <PREFIX><NAME>.\n"
        "/values:<file>\tThe same for each variable of <file>, in the format of the settings "
        "file; /values:- reads it from standard input, the way to give passwords. Repeatable.\n"
        "/batch\tWith /export, /check or /diff: never opens a window or a message box; every "
        "message goes to standard error.\n"
        "--help, -h, /?\tShows this text.\n"
        "--version\tShows the version.\n"
        "\n"
        "Exit status of /export, /check and /diff:\n"
        "0\tSaved and exported; /check, /diff: nothing would change.\n"
        "1\tSaved, but a template, an output or the after command had a problem; with /strict, "
        "a warning, and nothing was written.\n"
        "2\tNothing saved: the command line, a file, a value, trust, the lock, or a before "
        "command that failed.\n"
        "3\t/check, /diff: a save would change a file.\n"
        "\n"
        "See man tervosetup.");
}

QString VersionText() {
    return QStringLiteral("TervoSetup " TERVO_VERSION);
}
