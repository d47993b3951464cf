// Runs the built program on a copy of the example with the options for scripts and CI jobs:
// values for one run (/set:, /env:), /batch, and the before and after commands the
// configuration waits for. Checks the exit status, standard error and what is on disk.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

struct OptionRun {
    const char* script;  // for sh; see the harness below
    int status;
    QStringList says = {};   // on standard error
    QStringList shows = {};  // on standard output: what the script prints, then the outputs
    QStringList hides = {};  // on neither
};

// Each script runs in a fresh copy of the example, whose before command is "true". `tervosetup`
// runs the built program by its path, `hooks` puts its argument in place of that command, and
// `stored` notes the settings file as it is; at the end the outputs are printed, and whether the
// settings file is still the one noted.
const char kHarness[] =
    "unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; TERVOSETUP='%1'; "
    "tervosetup() { \"$TERVOSETUP\" \"$@\"; }; "
    "hooks() { sed -i \"s|<command id=\\\"before\\\">true</command>|$1|\" config.xml; }; "
    "stored() { cp settings.xml stored.xml; }; "
    "cp -R '%2/.' . && stored && (%3); status=$?; cat app.ini server.conf 2>/dev/null; "
    "cmp -s settings.xml stored.xml || echo settings.xml changed; exit $status";

// A save that would change the settings file: its value of $(GZIP) is the default.
#define CHANGE_ON_SAVE "sed -i /GZIP/d settings.xml && stored && "

TEST(RunOptionsTest, EndsWithTheStatusMessagesAndFilesOfEachOption) {
    const OptionRun runs[] = {
        // Values for one run reach the outputs and never the settings file.
        {"tervosetup /export /set:DBHOST=db2 '/set:$(DBPORT)=6543'",
         0,
         {},
         {"host = db2\n", "port = 6543\n"},
         {"settings.xml changed"}},
        {"DEPLOY_DBPASS='s3 cret' tervosetup /export /env:DEPLOY_ && ! grep s3 settings.xml",
         0,
         {},
         {"password = s3 cret\n"},
         {"settings.xml changed"}},
        {"tervosetup /export /env:NOBODY_", 0, {}, {"host = db.example.org\n"}},
        {CHANGE_ON_SAVE "tervosetup /export /set:DBHOST=db2 /set:NOPE=1",
         2,
         {"config.xml declares no variable \"NOPE\", which /set:NOPE gives a value"},
         {},
         {"[database]", "settings.xml changed"}},
        {CHANGE_ON_SAVE "DEPLOY_NOPE=1 tervosetup /export /env:DEPLOY_",
         2,
         {"which the environment variable DEPLOY_NOPE gives a value"},
         {},
         {"[database]", "settings.xml changed"}},
        {"tervosetup /export /set:DBHOST",
         2,
         {"Did not understand: /set:DBHOST"},
         {},
         {"[database]"}},
        {"tervosetup /export /set:DBPORT=99999",
         2,
         {"/set:DBPORT: Port ($(DBPORT)): must be at most 65535"},
         {},
         {"[database]"}},
        {"tervosetup /export && tervosetup /diff /set:DBHOST=db2 > d; [ $? = 3 ] && cat d",
         0,
         {},
         {"-host = db.example.org\n+host = db2\n"},
         {"a/settings.xml"}},
        {"tervosetup /set:DBHOST=db2", 2, {"/set: and /env: are for runs without the window"}},
        // /batch, /check and /diff never open a message box, whatever the display: they make no
        // application object of the window system, which would look for this platform plugin
        // and say that it found none.
        {"rm templates/server.conf.in && export QT_QPA_PLATFORM=nowhere && "
         "tervosetup /check >/dev/null; tervosetup /diff >/dev/null; tervosetup /export /batch",
         1,
         {"TervoSetup: templates/server.conf.in could not be found"},
         {"[database]"},
         {"platform plugin"}},
        {"rm templates/server.conf.in && if command -v xvfb-run >/dev/null; then "
         "xvfb-run -a \"$TERVOSETUP\" /export /batch; else "
         "QT_QPA_PLATFORM=offscreen tervosetup /export /batch; fi",
         1,
         {"TervoSetup: templates/server.conf.in could not be found"},
         {"[database]"}},
        {"QT_QPA_PLATFORM=offscreen tervosetup /export nonsense /batch",
         2,
         {"TervoSetup: Did not understand: nonsense"}},
        {"QT_QPA_PLATFORM=offscreen tervosetup /batch", 2, {"are for runs without the window"}},
        // A before command waited for ends before anything is written; its failure stops the
        // save with its status and the last ten lines of its standard error.
        {"echo 'sleep 1; [ -e app.ini ] && echo outputs-first > order || echo waited > order' > "
         "b.sh && "
         "hooks '<command id=\"before\" wait=\"true\">sh b.sh</command>' && "
         "tervosetup /export && cat order",
         0,
         {},
         {"waited\n", "[database]"},
         {"outputs-first"}},
        {CHANGE_ON_SAVE "echo 'for i in $(seq 12); do echo line$i >&2; done; exit 3' > b.sh && "
                        "hooks '<command id=\"before\" wait=\"true\">sh b.sh</command>' && "
                        "tervosetup /export",
         2,
         {"The before command did not succeed, so nothing was saved.\nThe command ended with "
          "status 3: sh b.sh\nThe last lines it wrote to standard error:\nline3\n",
          "line12\n"},
         {},
         {"line2\n", "[database]", "settings.xml changed"}},
        {CHANGE_ON_SAVE "echo 'kill -KILL $$' > b.sh && "
                        "hooks '<command id=\"before\" wait=\"true\">sh b.sh</command>' && "
                        "tervosetup /export",
         2,
         {"The command was ended by signal 9 (SIGKILL): sh b.sh"},
         {},
         {"[database]", "settings.xml changed"}},
        // Stopping it stops what it started as well.
        {CHANGE_ON_SAVE
         "echo 'sleep 60 & echo $! > child; wait' > b.sh && "
         "hooks '<command id=\"before\" wait=\"true\" timeout=\"1\">sh b.sh"
         "</command>' && tervosetup /export; s=$?; sleep 1; "
         "case $(ps -o stat= -p $(cat child)) in Z*|'') echo child-stopped; esac; exit $s",
         2,
         {"The command did not end within its timeout of 1 s and was stopped: sh b.sh"},
         {"child-stopped"},
         {"[database]", "settings.xml changed"}},
        // An after command waited for runs on the new files; its failure is reported, and the
        // save stands.
        {"echo '[ -e server.conf ] && echo after-saw-outputs > seen' > a.sh && "
         "hooks '<command id=\"after\" wait=\"true\">sh a.sh</command>' && "
         "tervosetup /export && cat seen",
         0,
         {},
         {"after-saw-outputs", "[database]"}},
        {CHANGE_ON_SAVE "echo 'echo broken >&2; exit 4' > a.sh && "
                        "hooks '<command id=\"after\" wait=\"true\">sh a.sh</command>' && "
                        "tervosetup /export",
         1,
         {"The after command did not succeed.\nThe command ended with status 4: sh a.sh\nThe "
          "last lines it wrote to standard error:\nbroken"},
         {"[database]", "settings.xml changed"}},
        {"echo 'kill -TERM $$' > a.sh && "
         "hooks '<command id=\"after\" wait=\"true\">sh a.sh</command>' && tervosetup /export",
         1,
         {"signal 15 (SIGTERM): sh a.sh"},
         {"[database]"}},
        {"hooks '<command id=\"after\" wait=\"true\" timeout=\"1\">sleep 60</command>' && "
         "tervosetup /export",
         1,
         {"The after command did not succeed.\nThe command did not end within its timeout of 1 s"},
         {"[database]"}},
        // A command started and not waited for does not hold the run's output open: a pipe that
        // reads it ends with the run, not with the command.
        {"hooks '<command id=\"before\">sleep 30</command>' && s=$(date +%s) && "
         "tervosetup /export 2>&1 | cat && [ $(($(date +%s) - s)) -lt 15 ] && echo pipes-closed",
         0,
         {},
         {"pipes-closed", "[database]"}},
    };
    const QString harness =
        QString(kHarness).arg(QFileInfo(TERVOSETUP_BINARY).absoluteFilePath(), TERVOSETUP_EXAMPLES);
    for (const OptionRun& run : runs) {
        SCOPED_TRACE(run.script);
        QTemporaryDir copy;
        QProcess process;
        process.setWorkingDirectory(copy.path());
        // The limit only ends a run that hangs, such as one that waits for a message box.
        process.start("timeout", {"-k", "5", "120", "sh", "-c", harness.arg(run.script)});
        process.waitForFinished(-1);
        const QString said = process.readAllStandardError();
        const QString wrote = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), run.status) << qPrintable(said);
        EXPECT_EQ(said.isEmpty(), run.says.isEmpty()) << qPrintable(said);
        for (const QString& text : run.says) {
            EXPECT_TRUE(said.contains(text)) << "expected on standard error: " << qPrintable(text)
                                             << "\nsaid: " << qPrintable(said);
        }
        for (const QString& text : run.shows) {
            EXPECT_TRUE(wrote.contains(text)) << "expected on standard output: " << qPrintable(text)
                                              << "\nwrote: " << qPrintable(wrote);
        }
        for (const QString& text : run.hides) {
            EXPECT_FALSE(said.contains(text) || wrote.contains(text))
                << "not expected: " << qPrintable(text) << "\nsaid: " << qPrintable(said)
                << "\nwrote: " << qPrintable(wrote);
        }
    }
}

}  // namespace
