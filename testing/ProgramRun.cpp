#include "testing/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A run takes a second or two; this only ends one that hangs, such as one that waits for a
// message box, and leaves room for a loaded machine and a sanitizer build.
constexpr int kHangSeconds = 300;

// The noted settings file is kept outside the copy, where no script's listing sees it.
const char kHarness[] =
    "tervosetup() { \"$TERVOSETUP\" \"$@\"; }\n"
    "hooks() { sed -i \"s|<command id=\\\"before\\\">true</command>|$1|\" config.xml; }\n"
    "stored() { cp settings.xml ../stored.xml; }\n"
    "cp -R \"$TERVOSETUP_EXAMPLES/.\" . && chmod 600 settings.xml && stored && (\n%1\n)\n"
    "status=$?\n"
    "cat app.ini server.conf 2>/dev/null\n"
    "cmp -s settings.xml ../stored.xml || echo settings.xml changed\n"
    "exit $status\n";

}  // namespace

ProgramRun::Result ProgramRun::Of(const QString& script) {
    QTemporaryDir folder;  // holds the copy, `work`, and the noted settings file
    // The copy's own folder may be given to another user by a script, who must then be able to
    // reach it.
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                             QFile::ExeOther);
    QDir(folder.path()).mkdir("work");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("TERVOSETUP", QFileInfo(TERVOSETUP_BINARY).absoluteFilePath());
    environment.insert("TERVOSETUP_EXAMPLES", TERVOSETUP_EXAMPLES);
    // What the window remembers goes to the run's own folder, not the user's.
    environment.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder.filePath("work"));
    process.start("timeout", {"-k", "5", QString::number(kHangSeconds), "sh", "-c",
                              QString(kHarness).arg(script)});
    process.waitForFinished(-1);
    Result ran = {process.exitCode(), process.readAllStandardError(),
                  process.readAllStandardOutput()};
    // timeout's statuses for a command it had to end.
    if (ran.status == 124 || ran.status == 137) {
        ran.said +=
            QString("\n(the run had not ended after %1 s and was stopped)\n").arg(kHangSeconds);
    }
    return ran;
}

void ProgramRun::Check(const Case& expected, const Result& ran) {
    const std::string what = expected.what;
    const std::string said = "\nsaid: " + ran.said.toStdString();
    const std::string wrote = "\nwrote: " + ran.wrote.toStdString();
    EXPECT_EQ(ran.status, expected.status) << what << said;
    EXPECT_EQ(ran.said.isEmpty(), expected.says.isEmpty()) << what << said;
    EXPECT_EQ(ran.wrote.isEmpty(), expected.shows.isEmpty()) << what << wrote;
    for (const QString& text : expected.says) {
        EXPECT_TRUE(ran.said.contains(text))
            << what << ": expected on standard error: " << text.toStdString() << said;
    }
    for (const QString& text : expected.shows) {
        EXPECT_TRUE(ran.wrote.contains(text))
            << what << ": expected on standard output: " << text.toStdString() << wrote;
    }
    for (const QString& text : expected.hides) {
        EXPECT_FALSE(ran.said.contains(text) || ran.wrote.contains(text))
            << what << ": not expected: " << text.toStdString() << said << wrote;
    }
}
