// Times a key typed in the search box while "Show Only Matches" is on: from the key to the pages
// laid out and painted with only the fields that match, as the user sees them.
//
//   filter_keystroke [tervosetup options]
//
// Types "variable 12" and deletes it again, key by key, on the configuration that bench/bench.py
// generates ("Variable <n>" labels), first with only the page shown at the start built, then with
// every page built; prints the median and the slowest key of each, in milliseconds.
#include "gui/QtDialogs.h"
#include "gui/frmsetup.h"
#include "platform/DiskFileSystem.h"
#include "platform/QProcessLauncher.h"
#include "run/CommandLine.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void TimeKeys(frmsetup& window, const char* what) {
    auto* text = window.findChild<QLineEdit*>(QStringLiteral("FindText"));
    std::vector<double> times;
    const auto timed = [&](auto key) {
        QElapsedTimer clock;
        clock.start();
        key();
        QApplication::processEvents();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    };
    const QString typed = QStringLiteral("variable 12");
    for (const QChar letter : typed) {
        timed([&] { QTest::keyClicks(text, QString(letter)); });
    }
    for (qsizetype i = 0; i < typed.size(); ++i) {
        timed([&] { QTest::keyClick(text, Qt::Key_Backspace); });
    }
    std::sort(times.begin(), times.end());
    std::printf("%s: median %.2f ms, slowest %.2f ms, over %zu keys\n", what,
                times[times.size() / 2], times.back(), times.size());
}

}  // namespace

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
    QTest::keySequence(&window, QKeySequence(QStringLiteral("Ctrl+F")));
    window.findChild<QAction*>(QStringLiteral("indOnlyMatches"))->setChecked(true);
    TimeKeys(window, "the first page built");
    auto* tabs = window.findChild<QTabBar*>(QStringLiteral("Categories"));
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
    }
    tabs->setCurrentIndex(0);
    QApplication::processEvents();
    TimeKeys(window, "every page built");
    return 0;
}
