// A save that is cut short by a crash or a kill must leave the settings and the exported file as
// they were or as they were meant to become, never a mix of two saves and never a torn file. The
// save runs in a separate process (tervo_crash_writer) that is killed with SIGKILL at random
// moments of its run; after every kill the folder is checked from the outside.

#include "platform/DiskFileSystem.h"
#include "schema/Configuration.h"
#include "schema/FieldNames.h"
#include "settings/FieldTexts.h"
#include "settings/SettingsLoader.h"

#include "testing/QStringPrinter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;

constexpr int kVariables = 2000;
// A run under AddressSanitizer takes several times as long; fewer kills keep the suite's time,
// and the sanitizers still watch every phase of the run.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kKills = 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kKills = 20;
#else
constexpr int kKills = 50;
#endif
#else
constexpr int kKills = 50;
#endif

const QString kConfig = QStringLiteral("config.xml");
const QString kSettings = QStringLiteral("settings.xml");
const QString kTemplate = QStringLiteral("template.in");
const QString kOutput = QStringLiteral("output.txt");

QString Name(int i) {
    return QStringLiteral("V%1").arg(i, 4, 10, QLatin1Char('0'));
}
QString Id(int i) {
    return QStringLiteral("$(") + Name(i) + u')';
}

// Hundreds of bytes per value, different for every variable, so that a value cut short or taken
// from another variable does not pass for the right one. The writer replaces the generation in
// front and keeps the rest.
QString Value(int generation, int i) {
    static const std::vector<QString> fillers = [] {
        std::vector<QString> all;
        for (int v = 0; v < kVariables; ++v) {
            std::minstd_rand letters(unsigned(v) + 1);
            QString filler = QStringLiteral("|%1|").arg(v);
            const int length = 200 + (v * 37) % 200;
            for (int k = 0; k < length; ++k) {
                filler.append(QChar(char16_t(u'a' + letters() % 26)));
            }
            all.push_back(filler);
        }
        return all;
    }();
    return QString::number(generation) + fillers[size_t(i)];
}

// The exported file of a generation, built here from the values rather than by the program's
// substitution.
QByteArray ExpectedOutput(int generation) {
    QByteArray text = "# exported\n";
    for (int i = 0; i < kVariables; ++i) {
        text += (Name(i) + QStringLiteral(" = ") + Value(generation, i) + u'\n').toUtf8();
    }
    return text;
}

void WriteFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size()) << path.toStdString();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What tells that a file was touched: a rename over it gives a new inode, a write in place a new
// size or time. Empty when nothing is there.
QByteArray FileSignature(const QString& path) {
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return QByteArray();
    }
    return QByteArray::number(qulonglong(info.st_ino)) + ' ' + QByteArray::number(info.st_size) +
           ' ' + QByteArray::number(info.st_mtim.tv_sec) + '.' +
           QByteArray::number(info.st_mtim.tv_nsec);
}

class CrashSafetyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mFolder.isValid());
        QByteArray config = "<xml>\n";
        QByteArray settings = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xml>\n";
        QByteArray templateText = "# exported\n";
        for (int i = 0; i < kVariables; ++i) {
            if (i % 500 == 0) {
                config += (i == 0 ? "" : "</group>\n") +
                          QStringLiteral("<group><name>Group %1</name>\n").arg(i / 500).toUtf8();
            }
            config += (QStringLiteral("<item><name>Variable %1</name><varname>").arg(i) + Id(i) +
                       QStringLiteral("</varname></item>\n"))
                          .toUtf8();
            settings += (QStringLiteral("  <variable id=\"") + Id(i) + QStringLiteral("\">") +
                         Value(0, i) + QStringLiteral("</variable>\n"))
                            .toUtf8();
            templateText += (Name(i) + QStringLiteral(" = ") + Id(i) + u'\n').toUtf8();
        }
        config += "</group>\n<files><file><input>" + kTemplate.toUtf8() + "</input><output>" +
                  kOutput.toUtf8() + "</output></file></files>\n</xml>\n";
        settings += "</xml>\n";
        WriteFile(Path(kConfig), config);
        WriteFile(Path(kSettings), settings);
        WriteFile(Path(kTemplate), templateText);
        ASSERT_EQ(LoadConfigurationFile(mDisk, Path(kConfig), &mConfig).message(), QString());
    }

    QString Path(const QString& name) const { return mFolder.filePath(name); }

    pid_t Start(int generation) {
        const QByteArray program = TERVO_CRASH_WRITER;
        const QByteArray folder = QFile::encodeName(mFolder.path());
        const QByteArray number = QByteArray::number(generation);
        char* const argv[] = {const_cast<char*>(program.constData()),
                              const_cast<char*>(folder.constData()),
                              const_cast<char*>(number.constData()), nullptr};
        pid_t pid = -1;
        const int error = posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ);
        EXPECT_EQ(error, 0) << "cannot start " << program.constData();
        return error == 0 ? pid : -1;
    }

    // The exit status, or -1 when the process did not exit by itself.
    static int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
    static int Wait(pid_t pid) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR) {
                return -1;
            }
        }
        return ExitStatus(status);
    }

    // The generation that every value of the settings file belongs to; -1, with the failure
    // recorded, when the file does not load or its values are not all of one generation.
    int SettingsGeneration() {
        MapFieldTexts fields(mConfig);
        const Status read = ReadSettingsInto(mDisk, Path(kSettings), mConfig, fields);
        if (!read.ok()) {
            ADD_FAILURE() << "the settings file does not load: " << read.message().toStdString();
            return -1;
        }
        const QString first = fields.FieldText(FieldControlName(Id(0))).value_or(QString());
        bool numeric = false;
        const int generation = first.section(u'|', 0, 0).toInt(&numeric);
        if (!numeric) {
            ADD_FAILURE() << "the first value has no generation: " << first.left(40).toStdString();
            return -1;
        }
        int wrong = 0;
        int firstWrong = -1;
        for (int i = 0; i < kVariables; ++i) {
            if (fields.FieldText(FieldControlName(Id(i))) != Value(generation, i)) {
                firstWrong = firstWrong < 0 ? i : firstWrong;
                ++wrong;
            }
        }
        if (wrong > 0) {
            ADD_FAILURE() << wrong << " values are not of generation " << generation
                          << ", the first one is " << Name(firstWrong).toStdString();
            return -1;
        }
        return generation;
    }

    // Files in the folder that are none of the four the run works with.
    QStringList StrayFiles() const {
        QStringList names =
            QDir(mFolder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.removeIf([](const QString& name) {
            return name == kConfig || name == kSettings || name == kTemplate || name == kOutput;
        });
        return names;
    }

    QTemporaryDir mFolder;
    DiskFileSystem mDisk;
    Configuration mConfig;
};

TEST_F(CrashSafetyTest, ACompleteRunReplacesEveryValueAndTheExport) {
    ASSERT_EQ(Wait(Start(7)), 0);
    EXPECT_EQ(SettingsGeneration(), 7);
    EXPECT_TRUE(ReadFile(Path(kOutput)) == ExpectedOutput(7)) << "the export is not generation 7";
    EXPECT_EQ(StrayFiles(), QStringList());
}

TEST_F(CrashSafetyTest, AKilledSaveLeavesTheOldOrTheNewFilesWhole) {
    // A first run, left alone, gives the export its first content and shows when, from the start
    // of a run, each file is first touched and when the run ends.
    const QByteArray settingsBefore = FileSignature(Path(kSettings));
    Micros settingsTouched{-1};
    Micros outputTouched{-1};
    const Clock::time_point started = Clock::now();
    const pid_t first = Start(1);
    ASSERT_GT(first, 0);
    int status = 0;
    while (waitpid(first, &status, WNOHANG) == 0) {
        const Micros now = std::chrono::duration_cast<Micros>(Clock::now() - started);
        if (settingsTouched.count() < 0 && FileSignature(Path(kSettings)) != settingsBefore) {
            settingsTouched = now;
        }
        if (outputTouched.count() < 0 && !FileSignature(Path(kOutput)).isEmpty()) {
            outputTouched = now;
        }
        std::this_thread::sleep_for(Micros(100));
    }
    const Micros runTime = std::chrono::duration_cast<Micros>(Clock::now() - started);
    ASSERT_EQ(ExitStatus(status), 0);
    ASSERT_EQ(SettingsGeneration(), 1);
    QByteArray output = ReadFile(Path(kOutput));
    ASSERT_TRUE(output == ExpectedOutput(1));
    // A change too quick for the polling to see counts as happening at the end of the run.
    if (settingsTouched.count() < 0) {
        settingsTouched = runTime;
    }
    if (outputTouched.count() < 0) {
        outputTouched = runTime;
    }

    // The kills take turns: at any moment of the run (a little past its end too, so that some
    // runs finish first); within four milliseconds of the moment the first run touched either file,
    // where a temporary file is written and renamed; and just after this run is seen touching
    // either file, which is where a write in place would be half done.
    std::mt19937 random(std::random_device{}());
    const auto between = [&](long long from, long long to) {
        return Micros(std::uniform_int_distribution<long long>(std::max(0LL, from), to)(random));
    };
    const auto killAt = [&](pid_t pid, Micros delay) {
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
    };
    const auto killAfterChange = [&](pid_t pid, const QString& path) {
        const QByteArray before = FileSignature(path);
        const Clock::time_point start = Clock::now();
        while (FileSignature(path) == before && Clock::now() - start < 2 * runTime) {
            std::this_thread::sleep_for(Micros(20));
        }
        killAt(pid, between(0, 500));
    };

    int settingsGeneration = 1;
    int keptOld = 0;
    int tookNew = 0;
    int newSettingsOldExport = 0;
    int strayAfterKill = 0;
    QStringList strays;
    int kills = 0;
    for (int kill = 0; kill < kKills && !HasFailure(); ++kill, ++kills) {
        const int generation = settingsGeneration + 1;
        const pid_t pid = Start(generation);
        ASSERT_GT(pid, 0);
        const char* when = "";
        switch (kill % 5) {
            case 0:
                when = "at a random moment";
                killAt(pid, between(0, runTime.count() * 11 / 10));
                break;
            case 1:
                when = "around the settings write";
                killAt(pid,
                       between(settingsTouched.count() - 4000, settingsTouched.count() + 4000));
                break;
            case 2:
                when = "around the export write";
                killAt(pid, between(outputTouched.count() - 4000, outputTouched.count() + 4000));
                break;
            case 3:
                when = "just after the settings file changed";
                killAfterChange(pid, Path(kSettings));
                break;
            default:
                when = "just after the export changed";
                killAfterChange(pid, Path(kOutput));
                break;
        }
        const int exit = Wait(pid);
        ASSERT_TRUE(exit == -1 || exit == 0) << "the writer failed by itself: " << exit;

        const int found = SettingsGeneration();
        ASSERT_TRUE(found == settingsGeneration || found == generation)
            << "after a kill " << when << " the settings are of generation " << found
            << ", expected " << settingsGeneration << " or " << generation;
        const QByteArray newOutput = ReadFile(Path(kOutput));
        const bool outputIsNew = newOutput == ExpectedOutput(generation);
        ASSERT_TRUE(outputIsNew || newOutput == output)
            << "after a kill " << when << " the export is neither the old nor "
            << "the new text (" << newOutput.size() << " bytes)";
        // The export is made from the saved settings, so it is never ahead of them.
        ASSERT_TRUE(!outputIsNew || found == generation)
            << "the export of generation " << generation << " stands beside older settings";
        if (found == generation) {
            settingsGeneration = generation;
            (outputIsNew ? tookNew : newSettingsOldExport) += 1;
        } else {
            ++keptOld;
        }
        output = newOutput;

        const QStringList now = StrayFiles();
        strayAfterKill += now.size() > strays.size() ? 1 : 0;
        strays = now;
    }
    std::printf(
        "%d kills, run of %lld us (settings written at %lld us, export at %lld us): %d "
        "kept the old settings, %d took the new settings and export, %d the new settings "
        "and the old export; %d kills left a file behind\n",
        kills, static_cast<long long>(runTime.count()),
        static_cast<long long>(settingsTouched.count()),
        static_cast<long long>(outputTouched.count()), keptOld, tookNew, newSettingsOldExport,
        strayAfterKill);
    // After all that, a run that is left alone still saves and exports everything.
    const int last = settingsGeneration + 1;
    ASSERT_EQ(Wait(Start(last)), 0);
    EXPECT_EQ(SettingsGeneration(), last);
    EXPECT_TRUE(ReadFile(Path(kOutput)) == ExpectedOutput(last));
    // A kill between a temporary file's naming and its rename over the target leaves it behind;
    // the next save of that target takes it away.
    EXPECT_EQ(StrayFiles(), QStringList());
}

}  // namespace
