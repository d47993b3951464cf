// The command line comes from whoever starts the program: any text, any length.
//
// Input: the first byte picks the argument limit, the rest is the argument text in UTF-8.

#include "fuzz/FuzzCheck.h"
#include "run/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // At least one argument always comes back ("/splash" for an empty text), so a limit below one
    // is one no caller can mean; the program itself passes 10.
    const int maxArgs = 1 + (size > 0 ? data[0] % 16 : 9);
    const QString text = QString::fromUtf8(fuzz::Bytes(data, size).mid(1));
    QStringList ignored;
    const QStringList arguments = GetCommandLine(text, maxArgs, &ignored);
    // The words of the text, split independently of the program's own loop.
    const QStringList words = QString(text).replace(u'\t', u' ').split(u' ', Qt::SkipEmptyParts);
    FUZZ_CHECK(arguments == (words.isEmpty() ? QStringList(QStringLiteral("/splash"))
                                             : words.mid(0, maxArgs)),
               "the arguments are the first maxArgs words of the text, or \"/splash\"");
    FUZZ_CHECK(ignored == words.mid(maxArgs), "the words past maxArgs are handed back, in order");

    const CommandLineOptions options = ParseCommandLine(arguments);
    // The walk stops at the first argument that is no option, a "/set:" without "NAME=", an
    // "/env:" without a prefix, a "/values:" without a file, or at a request for help or the
    // version.
    qsizetype stop = 0;
    bool asked = false;
    for (; !asked && stop < arguments.size(); ++stop) {
        const QString& argument = arguments[stop];
        if (!argument.startsWith(u'/') && !argument.startsWith(u'-'))
            break;
        const QString name = argument.section(u':', 0, 0).toLower().mid(1);
        const QString value = argument.section(u':', 1);
        if ((name == u"set" && (!value.contains(u'=') || value.startsWith(u'='))) ||
            ((name == u"env" || name == u"values") && value.isEmpty()))
            break;
        asked = name == u"help" || name == u"-help" || name == u"h" || name == u"?" ||
                name == u"version" || name == u"-version";
    }
    FUZZ_CHECK((options.help || options.version) == asked,
               "help or the version is given when the walk reaches a request for it");
    // Of a malformed "/set:", only the option is quoted: the rest may be a secret.
    const auto quoted = [&arguments](qsizetype at) {
        const QString& argument = arguments[at];
        const bool set = argument.section(u':', 0, 0).toLower().mid(1) == u"set" &&
                         (argument.startsWith(u'/') || argument.startsWith(u'-'));
        return set ? argument.section(u':', 0, 0) +
                         QStringLiteral(":... (expected /set:NAME=VALUE; the rest is not shown)")
                   : argument;
    };
    FUZZ_CHECK(options.usageMessage ==
                   (asked || stop == arguments.size()
                        ? std::nullopt
                        : std::optional(UsageText(QStringLiteral("Did not understand: ") +
                                                  quoted(stop) + QStringLiteral("\r\n\r\n")))),
               "exactly the first argument that is no option or a malformed one is quoted");
    for (const QString& unknown : options.unknownOptions)
        FUZZ_CHECK(!unknown.contains(u'='), "an unknown option is noted without its value");

    // The base directory is the configuration path up to and including its last slash.
    const qsizetype nameStart = options.baseDir.size();
    const StartupPaths paths = ResolveStartupPaths(options);
    FUZZ_CHECK(options.configFile.startsWith(options.baseDir) &&
                   (nameStart == 0 || options.baseDir.endsWith(u'/')) &&
                   !options.configFile.mid(nameStart).contains(u'/') &&
                   !paths.configFile.isEmpty() && paths.settingsFile.startsWith(options.baseDir) &&
                   paths.settingsFile.size() > nameStart,
               "the configuration file and the settings file lie behind the base directory");
    return 0;
}
