// Runs the built program as a user's script would, and checks exit statuses and messages.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

struct RunResult {
    int exitCode = -1;
    QString standardError;
    qint64 milliseconds = 0;
};

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(mDir.isValid());
        // A copy of the shipped example, so that runs never touch the repository.
        const QDir examples(QStringLiteral(TERVOSETUP_EXAMPLES));
        for (const QString name :
             {"config.xml", "settings.xml", "templates/app.ini.in", "templates/server.conf.in"}) {
            QDir().mkpath(QFileInfo(Path(name)).path());
            ASSERT_TRUE(QFile::copy(examples.filePath(name), Path(name))) << name.toStdString();
        }
    }

    QString Path(const QString& name) const { return mDir.filePath(name); }

    QByteArray Read(const QString& name) const {
        QFile file(Path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Runs the program without any display unless `display` names one, in the copy's folder
    // unless told otherwise.
    RunResult Run(const QStringList& arguments, const QString& workingDirectory = QString(),
                  const QString& display = QString()) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QString::fromLatin1(name));
        }
        if (!display.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display);
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(workingDirectory.isEmpty() ? mDir.path() : workingDirectory);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(TERVOSETUP_BINARY), arguments);
        RunResult result;
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "the program did not end";
            return result;
        }
        result.milliseconds = timer.elapsed();
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.standardError = QString::fromLocal8Bit(process.readAllStandardError());
        return result;
    }

    QTemporaryDir mDir;
};

TEST_F(ProgramTest, ExportWritesTheSettingsAndEveryTemplate) {
    const RunResult result = Run({QStringLiteral("/export")});
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_EQ(result.standardError, QString());
    EXPECT_TRUE(Read(QStringLiteral("app.ini")).contains("host = db.example.org\n"));
    EXPECT_TRUE(Read(QStringLiteral("server.conf")).contains("listen 8080;"));
    EXPECT_TRUE(Read(QStringLiteral("settings.xml")).contains(">inventory<"));
}

TEST_F(ProgramTest, AnExportWithNothingToShowNeverConnectsToTheDisplay) {
    // Nothing listens at this display: connecting to it would end the run inside the toolkit.
    const RunResult result = Run({QStringLiteral("/export")}, QString(), QStringLiteral(":7319.0"));
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_TRUE(Read(QStringLiteral("app.ini")).contains("host = db.example.org\n"));
}

TEST_F(ProgramTest, ExportFromAnotherFolderUsesTheConfigurationsDirectory) {
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("elsewhere")));
    const RunResult result = Run(
        {QStringLiteral("-EXPORT"), QStringLiteral("/conf:") + Path(QStringLiteral("config.xml"))},
        Path(QStringLiteral("elsewhere")));
    EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();
    EXPECT_TRUE(Read(QStringLiteral("app.ini")).contains("port = 5432"));
}

TEST_F(ProgramTest, ExportReportsProblemsOnStandardErrorWithItsStatus) {
    QFile::remove(Path(QStringLiteral("templates/server.conf.in")));
    const RunResult incomplete = Run({QStringLiteral("/export")});
    EXPECT_EQ(incomplete.exitCode, 1);
    EXPECT_TRUE(incomplete.standardError.contains(
        QStringLiteral("templates/server.conf.in could not be found")))
        << incomplete.standardError.toStdString();
    EXPECT_TRUE(Read(QStringLiteral("app.ini")).contains("host = db.example.org"));

    const RunResult noConfig = Run({QStringLiteral("/export"), QStringLiteral("/conf:none.xml")});
    EXPECT_EQ(noConfig.exitCode, 2);
    EXPECT_TRUE(noConfig.standardError.contains(QStringLiteral("The file could not be loaded!")));
    EXPECT_TRUE(noConfig.standardError.contains(QStringLiteral("none.xml")));
}

TEST_F(ProgramTest, AMalformedCommandLineShowsTheSyntax) {
    const RunResult result = Run({QStringLiteral("/export"), QStringLiteral("settings.xml")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("Did not understand: settings.xml")));
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("/conf:<file>")));
    EXPECT_EQ(Read(QStringLiteral("app.ini")), QByteArray("<missing>"));
}

TEST_F(ProgramTest, WithoutADisplayTheEditorEndsAtOnceWithAMessage) {
    const QByteArray settings = Read(QStringLiteral("settings.xml"));
    const RunResult result = Run({});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.standardError.contains(QStringLiteral("no display")));
    // It must not wait for a display that never comes; a second is plenty, five allow for a
    // loaded machine or a sanitizer build.
    EXPECT_LT(result.milliseconds, 5000);
    EXPECT_EQ(Read(QStringLiteral("settings.xml")), settings);
}

// Whatever stands where the configuration or the settings should be, the run ends with a message
// that names the file, writes nothing and never hangs.
TEST_F(ProgramTest, HostileFilesAreRefusedWithAMessage) {
    const QByteArray settings = Read(QStringLiteral("settings.xml"));
    const auto write = [this](const char* name, const QByteArray& bytes) {
        QFile file(Path(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    };
    QByteArray nested;
    for (int i = 0; i < 100000; ++i)
        nested += "<a>";
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE xml [<!ENTITY a \"ha\">";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY " + QByteArray(1, char('a' + i)) + " \"" +
                  QByteArray(10, ' ').replace(" ", "&" + QByteArray(1, char('a' + i - 1)) + ";") +
                  "\">";
    }
    laughs += "]><xml>&j;</xml>";
    write("nested.xml", "<xml>" + nested);
    write("laughs.xml", laughs);
    write("external.xml",
          "<!DOCTYPE xml [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><xml>&e;</xml>");
    write("garbage.xml", QByteArray("\x00\x01\xff\xfe binary", 12));
    write("packed.xml", QByteArray("\x1f\x8b\x08\x00\x00\x00", 6));
    write("huge.xml", QByteArray(65 * 1024 * 1024, ' '));
    ASSERT_TRUE(QDir(mDir.path()).mkdir(QStringLiteral("folder.xml")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path(QStringLiteral("fifo.xml"))).constData(), 0600), 0);

    for (const char* name : {"nested.xml", "laughs.xml", "external.xml", "garbage.xml",
                             "packed.xml", "huge.xml", "folder.xml", "fifo.xml"}) {
        for (const char* option : {"/conf:", "/file:"}) {
            const QString argument = QString::fromUtf8(option) + QString::fromUtf8(name);
            const RunResult result = Run({QStringLiteral("/export"), argument});
            EXPECT_EQ(result.exitCode, 2) << argument.toStdString();
            EXPECT_TRUE(
                result.standardError.contains(QStringLiteral("The file could not be loaded!")))
                << argument.toStdString();
            EXPECT_TRUE(result.standardError.contains(QString::fromUtf8(name)))
                << result.standardError.toStdString();
            EXPECT_FALSE(result.standardError.contains(QStringLiteral("root:")));
        }
    }
    EXPECT_EQ(Read(QStringLiteral("settings.xml")), settings);
    EXPECT_EQ(Read(QStringLiteral("app.ini")), QByteArray("<missing>"));

    // The reasons are the user's, not the parser's.
    const RunResult deep = Run({QStringLiteral("/export"), QStringLiteral("/file:nested.xml")});
    EXPECT_TRUE(deep.standardError.contains(QStringLiteral("nested more than 256 levels deep")))
        << deep.standardError.toStdString();
    EXPECT_FALSE(deep.standardError.contains(QStringLiteral("XML_PARSE")));
}

}  // namespace
