#include "gui/Program.h"

#include "gui/QtDialogs.h"
#include "gui/frmsetup.h"
#include "platform/ConsoleDialogs.h"
#include "platform/DiskFileSystem.h"
#include "platform/Display.h"
#include "platform/MemoryHints.h"
#include "platform/QProcessLauncher.h"
#include "run/CommandLine.h"
#include "run/ExportRun.h"
#include "run/Messages.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

// The argument text as one string: the arguments joined by single blanks, for the splitting rules
// of GetCommandLine.
QString ArgumentText(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments.join(u' ');
}

// Writes `text` to `stream` in the encoding of the terminal, with the line breaks of the system.
void Print(std::FILE* stream, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray bytes = (text + u'\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

// The report on standard output, warnings on standard error.
class StandardStreams final : public RunOutput {
  public:
    void Report(const QByteArray& bytes) override {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    }
    void Warn(const QString& line) override { Print(stderr, line); }
};

// The status of a run, unless its report could not be written out whole: then a script would
// take a cut list for the whole one.
int Finished(int status) {
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? status : kExitFailed;
}

// Without a display nothing may wait for a user: messages go to standard error.
int RunWithoutDisplay(const CommandLineOptions& options, FileSystem& files,
                      ProcessLauncher& processes) {
    ConsoleDialogs console;
    if (options.usageMessage) {
        console.ShowMessage(*options.usageMessage);
        return kExitFailed;
    }
    if (!options.exportMode && !options.checkMode && !options.diffMode) {
        std::fputs(Messages::NoDisplay().toLocal8Bit().constData(), stderr);
        return kExitFailed;
    }
    StandardStreams output;
    return Finished(RunExport(options, {console, files, processes}, output));
}

// The application object of a run, made only if a display can be reached. Qt ends the process
// when its platform plugin cannot connect; naming the plugin "minimal" after the one wanted makes
// it fall back instead, and a run that finds itself on "minimal" knows that no display was
// reached.
class DisplayConnection {
  public:
    DisplayConnection(int argc, char** argv) {
        for (int i = 0; i < argc; ++i) {
            mArguments.emplace_back(argv[i]);
        }
        if (const QByteArray wanted = WantedPlatforms(); !wanted.isEmpty()) {
            mArguments.emplace_back("-platform");
            mArguments.push_back(wanted + ";minimal");
        }
        for (QByteArray& argument : mArguments) {
            mArgv.push_back(argument.data());
        }
        mArgv.push_back(nullptr);
        mArgc = static_cast<int>(mArguments.size());
        mApplication = std::make_unique<QApplication>(mArgc, mArgv.data());
        if (QGuiApplication::platformName() == u"minimal" && !WantedPlatforms().isEmpty()) {
            mApplication.reset();
            return;
        }
        // Every window of the program and its message boxes show the program's icon.
        QIcon icon;
        icon.addFile(QStringLiteral(":/icons/tervosetup-48.png"));
        icon.addFile(QStringLiteral(":/icons/tervosetup-128.png"));
        QApplication::setWindowIcon(icon);
    }

    // The application, or null when no display could be reached.
    QApplication* Application() const { return mApplication.get(); }

  private:
    // The platform plugins Qt would try on its own, or nothing where the fallback is not needed.
    static QByteArray WantedPlatforms() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        QByteArray wanted = qgetenv("QT_QPA_PLATFORM");
        if (wanted.isEmpty()) {
            wanted = qEnvironmentVariableIsEmpty("DISPLAY") ? "wayland;xcb" : "xcb";
        }
        return wanted.contains("minimal") ? QByteArray() : wanted;
#else
        return QByteArray();
#endif
    }

    std::vector<QByteArray> mArguments;
    std::vector<char*> mArgv;
    int mArgc = 0;
    std::unique_ptr<QApplication> mApplication;
};

// The messages of a run without a window. Each goes to standard error, so that a log keeps it,
// and is also shown in a message box when a display can be reached. The connection to the display
// is made only when there is something to show, so an export that goes well does not wait for it.
class ExportDialogs final : public Dialogs {
  public:
    ExportDialogs(int argc, char** argv) : mArgc(argc), mArgv(argv) {}

    void ShowMessage(const QString& text) override {
        mConsole.ShowMessage(text);
        if (QtDialogs* boxes = Boxes()) {
            boxes->ShowMessage(text);
        }
    }
    Answer AskYesNoCancel(const QString& text) override {
        QtDialogs* boxes = Boxes();
        return boxes ? boxes->AskYesNoCancel(text) : mConsole.AskYesNoCancel(text);
    }
    std::optional<QString> AskOpenFileName(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> AskSaveFileName(const QString&, const QString&) override {
        return std::nullopt;
    }

  private:
    QtDialogs* Boxes() {
        if (!mDisplay) {
            mDisplay = std::make_unique<DisplayConnection>(mArgc, mArgv);
        }
        return mDisplay->Application() ? &mBoxes : nullptr;
    }

    int mArgc;
    char** mArgv;
    ConsoleDialogs mConsole;
    std::unique_ptr<DisplayConnection> mDisplay;
    QtDialogs mBoxes;
};

}  // namespace

int RunProgram(int argc, char** argv) {
    const CommandLineOptions options = ParseCommandLine(GetCommandLine(ArgumentText(argc, argv)));
    if (options.help || options.version) {
        Print(stdout, options.help ? UsageText() : VersionText());
        return Finished(kExitOk);
    }
    for (const QString& unknown : options.unknownOptions) {
        Print(stderr, Messages::UnknownOptionIgnored(unknown));
    }
    DiskFileSystem files;
    QProcessLauncher processes;
    // A check is made for scripts and tools that run unattended: it never opens a message box.
    if (!HasDisplay(QProcessEnvironment::systemEnvironment()) || options.checkMode ||
        options.diffMode) {
        return RunWithoutDisplay(options, files, processes);
    }

    if (options.usageMessage || options.exportMode) {
        ExportDialogs dialogs(argc, argv);
        if (options.usageMessage) {
            dialogs.ShowMessage(*options.usageMessage);
            return kExitFailed;
        }
        StandardStreams output;
        return Finished(RunExport(options, {dialogs, files, processes}, output));
    }

    const DisplayConnection display(argc, argv);
    if (display.Application() == nullptr) {
        std::fputs(Messages::DisplayUnreachable().toLocal8Bit().constData(), stderr);
        return kExitFailed;
    }
    QtDialogs dialogs;
    // A window of thousands of fields makes tens of megabytes of small allocations.
    PreferHugePagesForHeap(kWindowHeapBytes);
    frmsetup window(options, {dialogs, files, processes});
    dialogs.SetParent(&window);
    if (const std::optional<int> failed = window.Form_Load()) {
        return *failed;
    }
    window.show();
    return display.Application()->exec();
}
