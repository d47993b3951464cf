// Opens the editor window on a configuration and reports when it is on screen, then quits.
//
//   window_startup [tervosetup options]    prints "exposed_at_ns <CLOCK_REALTIME in ns>"
//
// The caller takes the time before it starts the program and subtracts it, so the figure covers
// loading the program and its libraries as well.
#include "gui/QtDialogs.h"
#include "gui/frmsetup.h"
#include "platform/DiskFileSystem.h"
#include "platform/QProcessLauncher.h"
#include "run/CommandLine.h"

#include <QApplication>
#include <QTest>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    const CommandLineOptions options = ParseCommandLine(GetCommandLine(arguments.join(u' ')));
    DiskFileSystem files;
    QProcessLauncher processes;
    QtDialogs dialogs;
    frmsetup window(options, {dialogs, files, processes});
    if (window.Form_Load()) {
        return 2;
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 3;
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::printf(
        "exposed_at_ns %lld\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return 0;
}
