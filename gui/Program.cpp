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

#include <cstdio>
#include <memory>
#include <optional>

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

// Without a display nothing may wait for a user: messages go to standard error.
int RunWithoutDisplay(const CommandLineOptions& options, FileSystem& files,
                      ProcessLauncher& processes) {
    ConsoleDialogs console;
    if (options.usageMessage) {
        console.ShowMessage(*options.usageMessage);
        return kExitFailed;
    }
    if (!options.exportMode) {
        std::fputs(Messages::NoDisplay().toLocal8Bit().constData(), stderr);
        return kExitFailed;
    }
    return RunExport(options, {console, files, processes});
}

// Message boxes for a run without a window. The connection to the display is made only when
// there is something to show, so an export that goes well does not wait for it, and does not
// need a display that can be reached at all.
class DeferredQtDialogs final : public Dialogs {
  public:
    DeferredQtDialogs(int& argc, char** argv) : mArgc(argc), mArgv(argv) {}

    void ShowMessage(const QString& text) override { Gui().ShowMessage(text); }
    Answer AskYesNoCancel(const QString& text) override { return Gui().AskYesNoCancel(text); }
    std::optional<QString> AskOpenFileName(const QString& fileName,
                                           const QString& filter) override {
        return Gui().AskOpenFileName(fileName, filter);
    }
    std::optional<QString> AskSaveFileName(const QString& fileName,
                                           const QString& filter) override {
        return Gui().AskSaveFileName(fileName, filter);
    }

  private:
    QtDialogs& Gui() {
        if (!mApplication) {
            mApplication = std::make_unique<QApplication>(mArgc, mArgv);
        }
        return mDialogs;
    }

    int& mArgc;
    char** mArgv;
    std::unique_ptr<QApplication> mApplication;
    QtDialogs mDialogs;
};

}  // namespace

int RunProgram(int argc, char** argv) {
    const CommandLineOptions options = ParseCommandLine(GetCommandLine(ArgumentText(argc, argv)));
    DiskFileSystem files;
    QProcessLauncher processes;
    if (!HasDisplay(QProcessEnvironment::systemEnvironment())) {
        return RunWithoutDisplay(options, files, processes);
    }

    if (options.usageMessage || options.exportMode) {
        DeferredQtDialogs dialogs(argc, argv);
        if (options.usageMessage) {
            dialogs.ShowMessage(*options.usageMessage);
            return kExitFailed;
        }
        return RunExport(options, {dialogs, files, processes});
    }

    QApplication application(argc, argv);
    QtDialogs dialogs;
    // A window of thousands of fields makes tens of megabytes of small allocations.
    PreferHugePagesForHeap(kWindowHeapBytes);
    frmsetup window(options, {dialogs, files, processes});
    dialogs.SetParent(&window);
    if (const std::optional<int> failed = window.Form_Load()) {
        return *failed;
    }
    window.show();
    return application.exec();
}
