// A save cut short by a kill must leave the settings and the exported file as they were or as they
// were meant to become: never a mix of two saves, never a torn file. Each save runs in a child
// process on the real disk and is killed with SIGKILL, at moments spread over the length of a run.

#include "platform/DiskFileSystem.h"
#include "platform/QProcessLauncher.h"
#include "session/EditSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kCount = 2000;  // variables

const auto Id = [](int i) { return "$(V" + QByteArray::number(i) + ')'; };
// The settings file of save `n` (byte for byte as a save writes it), or with `exported` its
// exported file; save -1 exports the ids themselves, and so gives the template. The values run
// to hundreds of bytes and differ for every variable and every save, so that a value cut short or
// taken from elsewhere shows.
QByteArray Expected(bool exported, int n) {
    QByteArray text = exported ? "" : "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xml>";
    for (int i = 0; i < kCount; ++i) {
        const QByteArray value =
            n < 0 ? Id(i) : QByteArray::number(n * kCount + i).leftJustified(300);
        text += exported ? value + '\n' : "<variable id=\"" + Id(i) + "\">" + value + "</variable>";
    }
    return exported ? text : text + "</xml>\n";
}

TEST(CrashSafetyTest, AKilledSaveLeavesTheOldOrTheNewFilesWhole) {
    QTemporaryDir folder;
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    QByteArray xml =
        "<xml><files><file><input>i</input><output>o</output></file></files><group><name>G</name>";
    for (int i = 0; i < kCount; ++i)
        xml += "<item><name>" + Id(i) + "</name><varname>" + Id(i) + "</varname></item>";
    DiskFileSystem disk;
    ASSERT_TRUE(disk.WriteFile("config.xml", xml + "</group></xml>").ok());
    ASSERT_TRUE(disk.WriteFile("i", Expected(true, -1)).ok());
    ASSERT_TRUE(disk.WriteFile("settings.xml", Expected(false, 0)).ok());
    // Files of the user's that are named much like temporary files, which must stay.
    ASSERT_TRUE(disk.WriteFile(".settings.xml.tervo-Backup", "mine").ok());
    ASSERT_TRUE(disk.WriteFile(".o.tervo-0000000000000001-backup", "mine").ok());
    // Which of two saves the settings file, or with `exported` the exported file, holds whole;
    // -1 for neither.
    const auto held = [&](bool exported, int newer, int older) {
        QByteArray bytes;
        disk.ReadFile(exported ? "o" : "settings.xml", 1 << 30, &bytes);
        if (bytes == Expected(exported, newer))
            return newer;
        return bytes == Expected(exported, older) ? older : -1;
    };
    // Runs save `n` in a child process, killed after `killAfter` microseconds unless that is 0.
    const auto save = [&](int n, qint64 killAfter) {
        const pid_t pid = fork();
        if (pid == 0) {
            QProcessLauncher processes;
            EditSession session(disk, processes);
            if (!session.LoadConfiguration("config.xml", "").ok() ||
                !session.Load("settings.xml").ok())
                _exit(1);
            const QList<QByteArray> values = Expected(true, n).split('\n');
            for (int i = 0; i < kCount; ++i)
                session.SetValue(Id(i), QString::fromUtf8(values[i]));
            session.Save({});
            _exit(0);
        }
        usleep(useconds_t(killAfter));
        if (killAfter > 0)
            kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    };

    QElapsedTimer timer;
    timer.start();
    save(1, 0);
    const qint64 runTime = timer.nsecsElapsed() / 1000;
    int settings = 1, exported = 1;
    for (int round = 0; round < 40 && !HasFailure(); ++round) {
        save(settings + 1, 1 + runTime * 11 * round / 400);
        const int newSettings = held(false, settings + 1, settings);
        exported = held(true, settings + 1, exported);
        EXPECT_TRUE(newSettings > 0 && exported > 0 && exported <= newSettings)
            << "in round " << round << " a file is torn or the export is ahead of the settings";
        settings = newSettings;
    }
    // A save left alone still writes everything, and takes away the temporary files that a kill
    // between naming one and renaming it over its target left behind, and nothing else.
    save(settings + 1, 0);
    EXPECT_EQ(held(false, settings + 1, -1) + held(true, settings + 1, -1), 2 * settings + 2);
    const QStringList left =
        QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(
        left.join(' ').toStdString(),
        ".o.tervo-0000000000000001-backup .settings.xml.tervo-Backup config.xml i o settings.xml");
}

}  // namespace
