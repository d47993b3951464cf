#include "gui/Program.h"

#include "gui/DisplayConnection.h"
#include "gui/QtDialogs.h"
#include "gui/frmsetup.h"
#include "platform/ConsoleDialogs.h"
#include "platform/DiskFileSystem.h"
#include "platform/Display.h"
#include "platform/QProcessLauncher.h"
#include "platform/SystemError.h"
#include "platform/Translation.h"
#include "run/CommandLine.h"
#include "run/ExportRun.h"
#include "run/Messages.h"
#include "run/Overrides.h"
#include "run/ProgramServices.h"

#include <QCoreApplication>

#include <errno.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

// The application object of the program while it shows no window, with the catalog of the user's
// language installed, so that every text of a run is translated where it is made. Only one
// application object may exist at a time: this one ends before a DisplayConnection is made.
class ConsoleApplication {
  public:
    ConsoleApplication(int argc, char** argv) : mArgc(argc) {
        // Qt sets the C library's locale from the environment; a run without a window keeps the
        // one it has always run in, so that the system's error texts stay as they were.
        const std::string previous = std::setlocale(LC_ALL, nullptr);
        mApplication = std::make_unique<QCoreApplication>(mArgc, argv);
        std::setlocale(LC_ALL, previous.c_str());
        InstallTranslation(&mTranslator);
    }

  private:
    int mArgc;  // QCoreApplication keeps a reference to it
    std::unique_ptr<QCoreApplication> mApplication;
    ProgramTranslator mTranslator;  // removes itself from the application before it ends
};

// The argument text as one string: the arguments joined by single blanks, for the splitting rules
// of GetCommandLine. Taken from the bytes, so that a byte that is not UTF-8 is refused where a
// value needs text, never changed into another character.
QString ArgumentText(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(ArgumentFromBytes(QByteArray(argv[i])));
    }
    return arguments.join(u' ');
}

// Standard input, for "/values:-". It cannot be read twice.
class StandardInput final : public ByteSource {
  public:
    Status Read(char* buffer, std::size_t capacity, std::size_t* got) override {
        ssize_t read;
        do {
            read = ::read(STDIN_FILENO, buffer, capacity);
        } while (read < 0 && errno == EINTR);
        *got = read > 0 ? std::size_t(read) : 0;
        return read >= 0
                   ? Status::Ok()
                   : Status::PathError(QCoreApplication::translate("Overrides", "standard input"),
                                       DescribeErrno(errno));
    }
    Status Rewind() override {
        return Status::PathError(QCoreApplication::translate("Overrides", "standard input"),
                                 DescribeErrno(ESPIPE));
    }
};

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

// Without a display, or with /batch, nothing may wait for a user: messages go to standard error.
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
    StandardInput input;
    return Finished(
        RunExport(options, {console, files, processes}, output, SystemEnvironmentBytes(), &input));
}

// How long an X display has to answer a new connection. The window system would wait for ever;
// a live display answers in milliseconds, a remote one over a slow link in well under this.
constexpr std::chrono::seconds kDisplayAnswerTime{5};

// Whether the display a window would go to answers; when it does not, says so on standard error
// with what follows from it. A display that takes connections and never answers would otherwise
// hold the program inside the window system for ever.
bool DisplayAnswers(const QString& consequence) {
    const std::optional<QString> display =
        XDisplayToProbe(QProcessEnvironment::systemEnvironment());
    if (!display) {
        return true;
    }
    const Status answered = ProbeXDisplay(*display, kDisplayAnswerTime);
    if (!answered.ok()) {
        Print(stderr, QCoreApplication::translate("Program", "TervoSetup: %1, so %2.")
                          .arg(answered.message(), consequence));
    }
    return answered.ok();
}

// The messages of a run without a window. Each goes to standard error, so that a log keeps it,
// and is also shown in a message box when a display can be reached. The display is connected only
// when there is something to show, so an export that goes well never waits for the display.
class ExportDialogs final : public Dialogs {
  public:
    // `application` is ended while the message boxes, which make an application object of their
    // own, are open, and made again when they cannot be.
    ExportDialogs(int argc, char** argv, std::unique_ptr<ConsoleApplication>& application)
        : mArgc(argc), mArgv(argv), mApplication(application) {}

    void Show(const QString& text, MessageKind kind) override {
        mConsole.ShowMessage(text, kind);
        if (Dialogs* boxes = Boxes()) {
            boxes->ShowMessage(text, kind);
        }
    }
    Answer AskYesNoCancel(const QString& text) override {
        Dialogs* boxes = Boxes();
        return boxes ? boxes->AskYesNoCancel(text) : mConsole.AskYesNoCancel(text);
    }
    bool AskYesNo(const QString& text) override {
        Dialogs* boxes = Boxes();
        return boxes ? boxes->AskYesNo(text) : mConsole.AskYesNo(text);
    }
    // A run without a window has nothing to choose between, nor files to pick.
    std::optional<int> AskChoice(const QString& text, const QStringList& choices) override {
        return mConsole.AskChoice(text, choices);
    }
    std::optional<QString> AskOpenFileName(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> AskSaveFileName(const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QString> AskPath(PathKind, const QString&) override { return std::nullopt; }
    std::optional<QString> AskFolder(const QString&, const QString&) override {
        return std::nullopt;
    }
    // Nobody watches an unattended run: it waits as long as the configuration says.
    std::unique_ptr<Waiting> ShowWaiting(const QString& text) override {
        return mConsole.ShowWaiting(text);
    }

  private:
    // The message boxes, or null when they cannot be shown; tried once.
    Dialogs* Boxes() {
        if (!mTried) {
            mTried = true;
            if (!DisplayAnswers(
                    QCoreApplication::translate("Program", "messages go to standard error only"))) {
                return nullptr;
            }
            mApplication.reset();
            mDisplay = std::make_unique<DisplayConnection>(mArgc, mArgv);
            if (mDisplay->Application() != nullptr) {
                mBoxes = std::make_unique<QtDialogs>();
            } else {
                mDisplay.reset();
                mApplication = std::make_unique<ConsoleApplication>(mArgc, mArgv);
            }
        }
        return mBoxes.get();
    }

    int mArgc;
    char** mArgv;
    std::unique_ptr<ConsoleApplication>& mApplication;
    ConsoleDialogs mConsole;
    bool mTried = false;
    std::unique_ptr<DisplayConnection> mDisplay;
    std::unique_ptr<QtDialogs> mBoxes;  // declared after the display, so it ends first
};

// Runs the editor window on `options` until it is closed; returns the exit status.
int RunEditor(int argc, char** argv, const CommandLineOptions& options, FileSystem& files,
              ProcessLauncher& processes) {
    const DisplayConnection display(argc, argv);
    if (display.Application() == nullptr) {
        std::fputs(Messages::DisplayUnreachable().toLocal8Bit().constData(), stderr);
        return kExitFailed;
    }
    QtDialogs dialogs;
    frmsetup window(options, {dialogs, files, processes});
    dialogs.SetParent(&window);
    if (const std::optional<int> failed = window.Form_Load()) {
        return *failed;
    }
    window.show();
    return display.Application()->exec();
}

}  // namespace

int RunProgram(int argc, char** argv) {
    const QString argumentText = ArgumentText(argc, argv);
    auto application = std::make_unique<ConsoleApplication>(argc, argv);
    QStringList ignored;
    const CommandLineOptions options =
        ParseCommandLine(GetCommandLine(argumentText, kMaxArguments, &ignored));
    for (const QString& argument : ignored) {
        Print(stderr, Messages::ArgumentIgnored(argument, kMaxArguments));
    }
    if (options.help || options.version) {
        Print(stdout, options.help ? HelpText() : VersionText());
        return Finished(kExitOk);
    }
    // A run without a window refuses them (RunExport); the window, which shows what it will
    // save, goes on without them.
    const bool unattended = options.exportMode || options.checkMode || options.diffMode;
    for (const QString& unknown : unattended ? QStringList() : options.unknownOptions) {
        Print(stderr, Messages::UnknownOptionIgnored(unknown));
    }
    // Values for one run and the promise of no window concern the runs without one only: the
    // window saves what its fields show.
    if (!options.usageMessage && !unattended && (options.batch || !options.values.empty())) {
        std::fputs(Messages::NeedsRunWithoutWindow().toLocal8Bit().constData(), stderr);
        return kExitFailed;
    }
    // A script that gives more arguments than count would otherwise export from the wrong
    // files, or with the wrong values, and be told that all went well.
    if (!options.usageMessage && !ignored.isEmpty() && unattended) {
        std::fputs(Messages::TooManyArguments(kMaxArguments).toLocal8Bit().constData(), stderr);
        return kExitFailed;
    }
    DiskFileSystem files;
    QProcessLauncher processes;
    // A check is made for scripts and tools that run unattended: it never opens a message box,
    // and neither does a run that says it is one (/batch), whatever the display. Such a run never
    // connects to a display: it makes no application object but the console's.
    if (options.batch || !HasDisplay(QProcessEnvironment::systemEnvironment()) ||
        options.checkMode || options.diffMode) {
        return RunWithoutDisplay(options, files, processes);
    }

    if (options.usageMessage || options.exportMode) {
        ExportDialogs dialogs(argc, argv, application);
        if (options.usageMessage) {
            dialogs.ShowMessage(*options.usageMessage, Dialogs::MessageKind::Warning);
            return kExitFailed;
        }
        StandardStreams output;
        StandardInput input;
        return Finished(RunExport(options, {dialogs, files, processes}, output,
                                  SystemEnvironmentBytes(), &input));
    }

    if (!DisplayAnswers(QCoreApplication::translate("Program", "it counts as no display"))) {
        std::fputs(Messages::DisplayUnreachable().toLocal8Bit().constData(), stderr);
        return kExitFailed;
    }
    application.reset();  // the editor's application object takes its place
    return RunEditor(argc, argv, options, files, processes);
}
