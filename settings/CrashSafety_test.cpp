// A save cut short by a kill must leave the settings and the exported file as they were or as they
// were meant to become: never a mix of two saves, never a torn file. Each save runs in a child
// process on the real disk and is killed with SIGKILL at a random moment of its run.

#include "platform/DiskFileSystem.h"
#include "platform/QProcessLauncher.h"
#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsWriter.h"
#include "testing/QStringPrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kVariables = 2000;

QByteArray Id(int i) {
    return "$(V" + QByteArray::number(i) + ')';
}
// The settings file of a save (byte for byte as a save writes it), or with `exported` its exported
// file; generation -1 gives the template. The values run to hundreds of bytes and differ for every
// variable and every save, so that a value cut short or taken from elsewhere shows.
QByteArray Expected(bool exported, int generation) {
    QByteArray text = exported ? "" : "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xml>";
    for (int i = 0; i < kVariables; ++i) {
        const QByteArray value = generation < 0 ? Id(i)
                                                : QByteArray::number(generation) + '|' +
                                                      QByteArray::number(i) + QByteArray(300, 'x');
        text += exported ? value + '\n' : "<variable id=\"" + Id(i) + "\">" + value + "</variable>";
    }
    return exported ? text : text + "</xml>\n";
}

TEST(CrashSafetyTest, AKilledSaveLeavesTheOldOrTheNewFilesWhole) {
    QTemporaryDir folder;
    DiskFileSystem disk;
    const QString settingsPath = folder.filePath("settings.xml");
    QByteArray xml =
        "<xml><files><file><input>t.in</input><output>out.txt</output></file></files>"
        "<group><name>G</name>";
    for (int i = 0; i < kVariables; ++i) {
        xml += "<item><name>" + Id(i) + "</name><varname>" + Id(i) + "</varname></item>";
    }
    Configuration config;
    ASSERT_TRUE(config.Parse(xml + "</group></xml>", "config.xml").ok());
    ASSERT_TRUE(disk.WriteFile(folder.filePath("t.in"), Expected(true, -1)).ok());
    ASSERT_TRUE(disk.WriteFile(settingsPath, Expected(false, 0)).ok());
    const auto holds = [&](bool exported, int generation) {
        QByteArray bytes;
        disk.ReadFile(exported ? folder.filePath("out.txt") : settingsPath, 1 << 30, &bytes);
        return bytes == Expected(exported, generation);
    };
    // Saves and exports the values of `generation` in a child process, killed after `killAfter`
    // microseconds unless that is 0; returns its exit status, or -1 when it was killed.
    const auto save = [&](int generation, qint64 killAfter) {
        const pid_t pid = fork();
        if (pid == 0) {
            MapFieldTexts fields(config);
            const QList<QByteArray> values = Expected(true, generation).split('\n');
            for (int i = 0; i < kVariables; ++i) {
                fields.SetFieldText(FieldControlName(Id(i)), QString::fromUtf8(values[i]));
            }
            QProcessLauncher processes;
            const SaveResult result = SaveAndExport(config, fields, settingsPath, settingsPath,
                                                    folder.path() + '/', {disk, processes});
            _exit(result.Complete() ? 0 : 2);
        }
        if (killAfter > 0) {
            usleep(useconds_t(killAfter));
            kill(pid, SIGKILL);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };

    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(save(1, 0), 0);
    const qint64 runTime = timer.nsecsElapsed() / 1000;
    int settings = 1;
    int exported = 1;
    for (int round = 0; round < 40 && !HasFailure(); ++round) {
        const int generation = settings + 1;
        ASSERT_LE(save(generation, 1 + QRandomGenerator::global()->bounded(runTime * 11 / 10)), 0);
        const bool newSettings = holds(false, generation);
        const bool newExport = holds(true, generation);
        EXPECT_TRUE(newSettings || holds(false, settings)) << "torn settings in round " << round;
        EXPECT_TRUE(newExport || holds(true, exported)) << "torn export in round " << round;
        EXPECT_TRUE(newSettings || !newExport) << "the export is ahead of the settings";
        settings = newSettings ? generation : settings;
        exported = newExport ? generation : exported;
    }
    // A save left alone still writes everything, and takes away the temporary files that a kill
    // between naming one and renaming it over its target left behind.
    ASSERT_EQ(save(settings + 1, 0), 0);
    EXPECT_TRUE(holds(false, settings + 1) && holds(true, settings + 1));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"out.txt", "settings.xml", "t.in"}));
}

}  // namespace
