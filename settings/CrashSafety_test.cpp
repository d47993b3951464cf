// A save cut short by a kill must leave the settings and the exported file as they were or as they
// were meant to become: never a mix of two saves, never a torn file. Each save runs in a child
// process on the real disk and is killed with SIGKILL at a random moment of its run. Whatever
// moment a kill comes at, the files must be whole: nothing here depends on the machine's speed.

#include "platform/DiskFileSystem.h"
#include "platform/QProcessLauncher.h"
#include "session/EditSession.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <thread>

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
    // Runs save `n` in a child process, killed after `killAfter` unless it is empty; true when the
    // save ran to its end, which it must then have done whole. `longest` is the longest time that
    // a save which nobody tried to kill took.
    std::chrono::microseconds longest(0);
    const auto save = [&](int n, std::optional<std::chrono::microseconds> killAfter) {
        const auto start = std::chrono::steady_clock::now();
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
            _exit(session.Save({}).Complete() ? 0 : 1);
        }
        if (killAfter) {
            std::this_thread::sleep_for(*killAfter);
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        const bool ended = WIFEXITED(status);
        EXPECT_TRUE(!ended || WEXITSTATUS(status) == 0) << "save " << n << " failed by itself";
        if (!killAfter) {
            longest = std::max(longest, std::chrono::duration_cast<std::chrono::microseconds>(
                                            std::chrono::steady_clock::now() - start));
        }
        return ended;
    };

    // Each kill comes at a random moment of a save, as a power cut would: within a little more
    // than a save took on this machine, so that the moments spread over a whole save on a fast
    // machine as on a slow one. A kill that comes after the end finds the save done, which is
    // harmless. The seed is printed with a failure, to repeat it.
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("random seed " + std::to_string(seed));
    std::mt19937 random(seed);
    ASSERT_TRUE(save(1, std::nullopt));
    int settings = 1, exported = 1;
    for (int round = 0; round < 40 && !HasFailure(); ++round) {
        const auto killAfter = std::chrono::microseconds(
            std::uniform_int_distribution<qint64>(0, longest.count() * 11 / 10)(random));
        save(settings + 1, killAfter);
        const int newSettings = held(false, settings + 1, settings);
        exported = held(true, settings + 1, exported);
        EXPECT_TRUE(newSettings > 0 && exported > 0 && exported <= newSettings)
            << "in round " << round << ", killed after " << killAfter.count()
            << " us: a file is torn or the export is ahead of the settings";
        settings = newSettings;
    }
    // A save left alone still writes everything, and takes away the temporary files that a kill
    // between naming one and renaming it over its target left behind, and nothing else.
    EXPECT_TRUE(save(settings + 1, std::nullopt));
    EXPECT_EQ(held(false, settings + 1, -1) + held(true, settings + 1, -1), 2 * settings + 2);
    const QStringList left =
        QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(
        left.join(' ').toStdString(),
        ".o.tervo-0000000000000001-backup .settings.xml.tervo-Backup config.xml i o settings.xml");
}

}  // namespace
