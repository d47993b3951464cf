// The command line comes from whoever starts the program: any text, any length.
//
// Input: the first byte picks the argument limit, the rest is the argument text in UTF-8.

#include "fuzz/FuzzCheck.h"
#include "run/CommandLine.h"

#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

namespace {

bool StartsAsOption(const QString& argument) {
    return !argument.isEmpty() && (argument.front() == u'/' || argument.front() == u'-');
}

void CheckSplit(const QString& text, int maxArgs, const QStringList& arguments) {
    FUZZ_CHECK(!arguments.isEmpty(), "at least one argument");
    FUZZ_CHECK(arguments.size() <= maxArgs, "at most maxArgs arguments");
    for (const QString& argument : arguments) {
        FUZZ_CHECK(!argument.isEmpty(), "no argument is empty");
        FUZZ_CHECK(!argument.contains(u' ') && !argument.contains(u'\t'),
                   "no argument holds a blank or a tab");
    }
    // The words of the text, split independently of the program's own loop.
    static const QRegularExpression separators(QStringLiteral("[ \t]+"));
    QStringList words = text.split(separators, Qt::SkipEmptyParts);
    if (words.isEmpty()) {
        words.append(QStringLiteral("/splash"));
    }
    if (arguments != words.mid(0, maxArgs)) {
        fuzz::Show("text", text);
        fuzz::Show("first argument", arguments.front());
        FUZZ_CHECK(false, "the arguments are the first maxArgs words of the text");
    }
}

void CheckParse(const QStringList& arguments) {
    const CommandLineOptions options = ParseCommandLine(arguments);
    qsizetype firstNonOption = -1;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (!StartsAsOption(arguments[i])) {
            firstNonOption = i;
            break;
        }
    }
    if (firstNonOption < 0) {
        FUZZ_CHECK(!options.usageMessage, "only a non-option argument sets the usage message");
    } else {
        FUZZ_CHECK(options.usageMessage.has_value(),
                   "a non-option argument sets the usage message");
        const QString expected =
            QStringLiteral("Did not understand: ") + arguments[firstNonOption] + u'\r';
        FUZZ_CHECK(options.usageMessage->startsWith(QStringLiteral("Did not understand: ")),
                   "the usage message starts with \"Did not understand: \"");
        FUZZ_CHECK(options.usageMessage->startsWith(expected),
                   "the usage message quotes the first argument that is not an option");
    }

    // The base directory is the configuration path up to its last slash.
    FUZZ_CHECK(options.configFile.startsWith(options.baseDir), "baseDir prefixes configFile");
    FUZZ_CHECK(options.baseDir.isEmpty() || options.baseDir.endsWith(u'/'),
               "baseDir ends with a slash");
    FUZZ_CHECK(!options.configFile.mid(options.baseDir.size()).contains(u'/'),
               "baseDir ends at the last slash");
    const StartupPaths paths = ResolveStartupPaths(options);
    FUZZ_CHECK(!paths.configFile.isEmpty(), "there is always a configuration file");
    FUZZ_CHECK(paths.settingsFile.startsWith(options.baseDir),
               "the settings file sits behind the configuration's directory");
    FUZZ_CHECK(paths.settingsFile.size() > options.baseDir.size(),
               "the settings file has a name after the directory");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    // At least one argument always comes back ("/splash" for an empty text), so a limit below one
    // is one no caller can mean; the program itself passes 10.
    const int maxArgs = 1 + data[0] % 16;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const QStringList arguments = GetCommandLine(text, maxArgs);
    CheckSplit(text, maxArgs, arguments);
    CheckParse(arguments);
    return 0;
}
