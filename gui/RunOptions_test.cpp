// Runs the built program on a copy of the example (testing/ProgramRun.h) with the options for
// scripts and CI jobs: values for one run (/set:, /env:), /batch, and the before and after
// commands. Checks the exit status, standard error and what is on disk.
#include "testing/FakeDisplay.h"
#include "testing/ProgramRun.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

// A row of a table of runs: `says`, `shows` and `hides` list their parts separated by "|".
ProgramRun::Case Row(const char* what, const QString& script, int status, const QString& says = "",
                     const QString& shows = "", const QString& hides = "") {
    const auto parts = [](const QString& list) { return list.split(u'|', Qt::SkipEmptyParts); };
    return {what, script, status, parts(says), parts(shows), parts(hides)};
}

// Values for one run reach the outputs and never the settings file; one that breaks its item's
// rules refuses the whole run: nothing is saved.
TEST(RunOptionsTest, ValuesForOneRunReachTheOutputsOnly) {
    const ProgramRun::Case cases[] = {
        Row("/set: by bare name and by id, and /env: with a value holding a blank",
            "DEPLOY_DBPASS='s3 cret' tervosetup /export /set:DBHOST=db2 '/set:$(DBPORT)=6543' "
            "/env:DEPLOY_ && ! grep s3 settings.xml",
            0, "", "host = db2\n|port = 6543\n|password = s3 cret\n", "settings.xml changed"),
        Row("/set: of a value out of its item's range", "tervosetup /export /set:DBPORT=99999", 2,
            "/set:DBPORT: Port ($(DBPORT)): must be at most 65535", "", "[database]"),
    };
    for (const ProgramRun::Case& c : cases)
        ProgramRun::RunAndCheck(c);
}

// /batch never opens a message box, whatever the display: a message box would wait for a click
// for ever. Offscreen, a box would open and wait; on an X display that never answers, a run that
// probed it would say so after 5 seconds, and one that connected would never end.
TEST(RunOptionsTest, ABatchRunNeverOpensAMessageBox) {
    const FakeDisplay display(FakeDisplay::Transport::Local, FakeDisplay::Behaviour::Silent);
    ASSERT_FALSE(display.Name().isEmpty()) << "no display number was free";
    const ProgramRun::Case cases[] = {
        // They make no application object of the window system, which would look for this
        // platform plugin and say that it found none.
        Row("/check, /diff and /export /batch with a platform that does not exist",
            "rm templates/server.conf.in && export QT_QPA_PLATFORM=nowhere && "
            "tervosetup /check >/dev/null; tervosetup /diff >/dev/null; tervosetup /export /batch",
            1, "TervoSetup: templates/server.conf.in could not be found", "[database]",
            "platform plugin"),
        Row("offscreen",
            "rm templates/server.conf.in && QT_QPA_PLATFORM=offscreen tervosetup /export /batch", 1,
            "TervoSetup: templates/server.conf.in could not be found", "[database]"),
        Row("an X display that never answers",
            "rm templates/server.conf.in && DISPLAY=" + display.Name() +
                " tervosetup /export /batch",
            1, "TervoSetup: templates/server.conf.in could not be found", "[database]",
            "the display"),
        Row("a word it does not understand, and /batch and, without a display, /set: for the "
            "window",
            "tervosetup /set:DBHOST=db2 2> set; c=$?; export QT_QPA_PLATFORM=offscreen; "
            "tervosetup /export nonsense /batch; a=$?; tervosetup /batch; echo $a $? $c; cat set",
            0, "TervoSetup: Did not understand: nonsense|are for runs without the window",
            "2 2 2\nTervoSetup: /batch, /set: and /env: are for runs without the window"),
    };
    for (const ProgramRun::Case& c : cases)
        ProgramRun::RunAndCheck(c);
}

// A before command waited for ends before anything is written; its failure stops the save with
// how it ended and the last ten lines of its standard error. An after command waited for runs on
// the new files; its failure is reported, and the save stands.
TEST(RunOptionsTest, ACommandWaitedForHoldsBackWhatComesAfterIt) {
    const ProgramRun::Case cases[] = {
        // It waits for the first line of app.ini, a FIFO, which only an export that did not wait
        // for it would write: it ends by its timeout, and nothing has been written.
        Row("a before command that never ends",
            "mkfifo app.ini && echo 'exec 3<>app.ini; read line <&3; echo outputs-first > order' > "
            "b.sh && hooks '<command id=\"before\" wait=\"true\" timeout=\"1\">sh b.sh</command>' "
            "&& tervosetup /export; s=$?; rm app.ini; cat order 2>/dev/null; exit $s",
            2,
            "The before command did not succeed, so nothing was saved.\nThe command did not end "
            "within its timeout of 1 s and was stopped: sh b.sh"),
        Row("a before command that fails",
            "echo 'for i in $(seq 12); do echo line$i >&2; done; exit 3' > b.sh && "
            "hooks '<command id=\"before\" wait=\"true\">sh b.sh</command>' && "
            "tervosetup /export",
            2,
            "The before command did not succeed, so nothing was saved.\nThe command ended with "
            "status 3: sh b.sh\nThe last lines it wrote to standard error:\nline3\n|line12\n",
            "", "line2\n|[database]"),
        Row("a before command that is killed",
            "echo 'kill -KILL $$' > b.sh && "
            "hooks '<command id=\"before\" wait=\"true\">sh b.sh</command>' && "
            "tervosetup /export",
            2, "The command was ended by signal 9 (SIGKILL): sh b.sh", "", "[database]"),
        Row("an after command that looks at an output",
            "echo '[ -e server.conf ] && echo after-saw-outputs > seen' > a.sh && "
            "hooks '<command id=\"after\" wait=\"true\">sh a.sh</command>' && "
            "tervosetup /export && cat seen",
            0, "", "after-saw-outputs|[database]"),
        Row("an after command that fails",
            "echo 'echo broken >&2; exit 4' > a.sh && "
            "hooks '<command id=\"after\" wait=\"true\">sh a.sh</command>' && "
            "tervosetup /export",
            1,
            "The after command did not succeed.\nThe command ended with status 4: sh a.sh\nThe "
            "last lines it wrote to standard error:\nbroken",
            "[database]"),
    };
    for (const ProgramRun::Case& c : cases)
        ProgramRun::RunAndCheck(c);
}

// A command started and not waited for does not hold the run's output open: a pipe that reads it
// ends with the run, not with the command. The command here waits on the FIFO `gate`, which
// opens only once the pipe has ended; a run that passed the pipe on would never end.
TEST(RunOptionsTest, ACommandNotWaitedForLeavesTheRunsOutput) {
    ProgramRun::RunAndCheck(Row("a before command that runs on",
                                "mkfifo gate && echo 'read x < gate' > b.sh && "
                                "hooks '<command id=\"before\">sh b.sh</command>' && "
                                "tervosetup /export 2>&1 | cat && echo pipes-closed; echo > gate",
                                0, "", "pipes-closed|[database]"));
}

}  // namespace
