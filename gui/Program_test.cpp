// Runs the built program from shell scripts as a user would (testing/ProgramRun.h), and checks its
// exit status, what it says on standard error and what it writes: values for one run, /batch, the
// before and after commands, and folders of root's and of another user's (nobody, uid 65534).
#include "testing/FakeDisplay.h"
#include "testing/ProgramRun.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A row of a table of runs: `says`, `shows` and `hides` list their parts separated by "|".
ProgramRun::Case Row(const char* what, const QString& script, int status, const QString& says = "",
                     const QString& shows = "", const QString& hides = "") {
    const auto parts = [](const QString& list) { return list.split(u'|', Qt::SkipEmptyParts); };
    return {what, script, status, parts(says), parts(shows), parts(hides)};
}

// Runs each case and checks it. Whatever a run says, it never passes on libxml2's own words.
void RunAndCheck(std::vector<ProgramRun::Case> cases) {
    for (ProgramRun::Case& c : cases) {
        c.hides << "root:"
                << "XML_PARSE";
        ProgramRun::RunAndCheck(c);
    }
}

// A diff is a patch that makes the change when applied.
TEST(ProgramTest, TheDiffIsAPatchOrSaysWhyItCannotBeOne) {
    RunAndCheck({
        // Regression: names with a blank, a tab or a line break were written bare in a diff, and
        // patch made other files of them.
        Row("outputs named with a blank, a tab and a line break",
            R"~(sed -i -e 's|>app.ini<|>my app.ini<|' -e 's|>server.conf<|>t\&#9;a\&#10;b<|' )~"
            R"~(-e 's|type.password|type>text|' )~"
            R"~(config.xml && tervosetup /diff | patch -s -p1 && tervosetup /check && )~"
            R"~(cat 'my app.ini' "$(printf 't\ta\nb')")~",
            0, "", "listen 8080;"),
    });
}

// Regression: an export that could not start a thread of its own to write with ended in
// std::system_error. Root is not held to a limit on processes, so it runs as nobody, in a folder
// of its own, from a copy there: nobody may not be able to enter the build folder, and prlimit
// would then run whatever other tervosetup the PATH holds. LeakSanitizer would need a thread of
// its own at the exit.
// (The example's settings file holds a password: the runs below make it its owner's alone, so
// that they have nothing to warn of.)
TEST(ProgramTest, ExportsWithoutAThreadOfItsOwn) {
    RunAndCheck({Row("an export limited to one process",
                     "sed -i /command/d config.xml && cp \"$TERVOSETUP\" ./copy && "
                     "export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:detect_leaks=0} && "
                     "if [ $(id -u) = 0 ]; then chown -R 65534:65534 . && "
                     "set -- setpriv --reuid=65534 --regid=65534 --clear-groups; fi && "
                     "\"$@\" prlimit --nproc=1 \"$PWD/copy\" /export",
                     0, "", "listen 8080;")});
}

// Values for one run reach the outputs and never the settings file: what a file, the environment
// and standard input give (their order and parsing, and /set:: run/Overrides_test.cpp).
TEST(ProgramTest, ValuesForOneRunReachTheOutputsOnly) {
    RunAndCheck({
        Row("/values: of a file, /env: with a value holding a blank, and /values: of standard "
            "input",
            "echo '<xml><variable id=\"$(DBPORT)\">6543</variable></xml>' > v.xml && "
            "printf '<xml><variable id=\"$(DBHOST)\">db2</variable></xml>' | "
            "DEPLOY_DBPASS='s3 cret' tervosetup /export /batch /values:v.xml /env:DEPLOY_ "
            "/values:- && ! grep s3 settings.xml",
            0, "", "host = db2\n|port = 6543\n|password = s3 cret\n", "settings.xml changed"),
    });
}

// /batch never opens a message box, whatever the display: a message box would wait for a click
// for ever. Offscreen, a box would open and wait; on an X display that never answers, a run that
// probed it would say so after 5 seconds, and one that connected would never end. Without /batch,
// such a display counts as no display: an export tells its messages on standard error only, the
// editor says the display could not be reached (the probe's timeout is tested with a short one in
// platform/Display_test.cpp).
TEST(ProgramTest, ABatchRunNeverOpensAMessageBox) {
    const FakeDisplay display(FakeDisplay::Transport::Local, FakeDisplay::Behaviour::Silent);
    ASSERT_FALSE(display.Name().isEmpty()) << "no display number was free";
    const QString unanswered = "TervoSetup: the display " + display.Name() +
                               ": took the connection but did not answer within 5 seconds, so ";
    RunAndCheck({
        // They make no application object of the window system, which would look for this
        // platform plugin and say that it found none.
        Row("/check, /diff and /export /batch with a platform that does not exist, offscreen and "
            "on a display that never answers",
            "rm templates/server.conf.in && export QT_QPA_PLATFORM=nowhere && "
            "tervosetup /check >/dev/null; tervosetup /diff >/dev/null; tervosetup /export /batch; "
            "QT_QPA_PLATFORM=offscreen tervosetup /export /batch; DISPLAY=" +
                display.Name() + " tervosetup /export /batch",
            1, "TervoSetup: templates/server.conf.in could not be found", "[database]",
            "platform plugin|the display"),
        Row("an export and the editor without /batch on a display that never answers",
            "rm templates/server.conf.in && DISPLAY=" + display.Name() +
                " tervosetup; echo \"editor $?\"; DISPLAY=" + display.Name() +
                " tervosetup /export",
            1,
            "templates/server.conf.in could not be found|" + unanswered +
                "messages go to standard error only.\n|" + unanswered +
                "it counts as no display.\n|the display could not be reached, so the editor "
                "cannot be shown",
            "editor 2|[database]"),
        Row("a word it does not understand, and /batch and, without a display, /set: for the "
            "window",
            "tervosetup /set:DBHOST=db2 2> set; c=$?; export QT_QPA_PLATFORM=offscreen; "
            "tervosetup /export nonsense /batch; a=$?; tervosetup /batch; echo $a $? $c; cat set",
            0, "TervoSetup: Did not understand: nonsense|are for runs without the window",
            "2 2 2\nTervoSetup: /batch, /set:, /env: and /values: are for runs without the "
            "window"),
    });
}

// An after command waited for runs on the new files; its failure is reported with the last lines
// of its standard error, and the save stands. A command not waited for holds nothing back, and a
// pipe that reads the run's output ends with the run, not with the command. (A before command
// waited for: its order in ExportRun_test, its timeout in QProcessLauncher_test, the save its
// failure stops in EditSession_test.) A command waited for holds up the saves of others, and dies
// with the run that waits for it.
TEST(ProgramTest, ACommandHoldsBackWhatComesAfterItOnlyWhenWaitedFor) {
    RunAndCheck({
        Row("an after command that looks at an output and fails",
            "echo '[ -e server.conf ] && echo after-saw-outputs > seen; echo broken >&2; exit 4' > "
            "a.sh && hooks '<command id=\"after\" wait=\"true\">sh a.sh</command>' && "
            "tervosetup /export; s=$?; cat seen; exit $s",
            1,
            "The after command did not succeed.\nThe command ended with status 4: sh a.sh\nThe "
            "last lines it wrote to standard error:\nbroken",
            "after-saw-outputs|[database]"),
        // The command waits on the FIFO `gate`, which opens only once the pipe has ended; a run
        // that passed the pipe on would never end.
        Row("a before command not waited for, which does not hold the run's output open",
            "mkfifo gate && echo 'read x < gate' > b.sh && "
            "hooks '<command id=\"before\">sh b.sh</command>' && "
            "tervosetup /export 2>&1 | cat && echo pipes-closed; echo > gate",
            0, "", "pipes-closed|[database]"),
        // Regression: what another save wrote between the reading and the writing of the settings
        // was undone. The other save here is another run, whose after command, waited for while
        // that run holds the update lock, edits the settings file once the export has said that it
        // waits; the export then saves and exports the edited value. FIFOs carry the events: `held`
        // when the other save has the lock, `told` when the export has said that it waits (and once
        // more at the end, should it never say so). Only the run with HOLD set in its environment
        // waits and edits.
        Row("an export while another save holds the lock",
            "exec 3>&1; mkfifo held told; exec 4<>held 5<>told; "
            "hooks '<command id=\"before\">true</command><command id=\"after\" wait=\"true\">"
            "sh -c \"case $HOLD in 1) echo > held; read x \\&lt; told; "
            "sed -i s/8080/9090/ settings.xml;; esac\"</command>'; "
            "( export HOLD=1; tervosetup /export ) & "
            "read x <&4; { tervosetup /export; echo $? > status; } 2>&1 >&3 | "
            "while IFS= read -r line; do printf '%s\\n' \"$line\" >&2; "
            "case $line in *'saving there'*) echo > told; esac; done; "
            "echo > told; wait; exit $(cat status)",
            0, "another program is saving there...", "listen 9090;"),
        // A run that dies while it waits for a command takes the command with it: nobody would stop
        // it at its timeout any more. Regression: after kill -9 of the run, the command went on, a
        // child of init. The script waits for events (the command's pid file, the command's end),
        // each at most two minutes, which only a hung machine needs.
        Row("kill -9 of a run that waits for its before command",
            "echo 'echo $$ > pid.new && mv pid.new pid && exec sleep 600' > b.sh && "
            "hooks '<command id=\"before\" wait=\"true\" timeout=\"600\">sh b.sh</command>' && "
            "{ \"$TERVOSETUP\" /export /batch & run=$!; } && i=0; "
            "while [ ! -s pid ] && kill -0 $run && [ $i -lt 1200 ]; do sleep 0.1; i=$((i+1)); "
            "done; kill -9 $run; { wait $run; } 2>/dev/null; p=$(cat pid); i=0; "
            "while kill -0 $p 2>/dev/null && [ $i -lt 1200 ]; do sleep 0.1; i=$((i+1)); done; "
            "if kill -0 $p 2>/dev/null; then kill $p; echo command-outlived-the-run; "
            "else echo command-ended; fi",
            0, "", "command-ended", "command-outlived-the-run|[database]"),
    });
}

// The example with "numbr" for the type of Workers, on line 31 of its configuration.
#define MISSPELT_TYPE                                                                       \
    "sed -i 's|<type>number</type><min>1</min><max>64</max>|<type>numbr</type><min>1</min>" \
    "<max>64</max>|' config.xml && "
const char kMisspeltType[] =
    "config.xml:31: type \"numbr\" is read as free text; did you mean \"number\"?";

// How a refusal names the copy's folder `work` when it belongs to the user nobody.
const QString kNobodysProject =
    "/work: the folder belongs to the user nobody, who is neither root nor the user running this "
    "program; nothing is read through it";

TEST(ProgramTest, NeverStartsOrReadsWhatAnotherUserCouldHaveChosen) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give files to another user and take its identity";
    RunAndCheck({
        // Regression: root started the before command of another user's configuration, and only
        // then refused to write the settings file into that user's folder.
        Row("a command in a folder of another user's",
            "hooks '<command id=\"before\">sh -c \"id -un > ../ran\"</command>' && "
            "chown -R 65534:65534 . && tervosetup /export /batch; s=$?; tervosetup /check; "
            "c=$?; tervosetup /diff; echo \"check $c diff $?\"; [ -e ../ran ] && echo command-ran; "
            "exit $s",
            2, QString(kNobodysProject) + "|The file could not be loaded!", "check 2 diff 2",
            "command-ran|[database]"),
        // Regression: another user's settings file in root's folder filled root's outputs.
        Row("a settings file of another user's",
            "chown 65534 settings.xml && tervosetup /export /batch; s=$?; tervosetup /diff; "
            "echo \"diff $?\"; exit $s",
            2,
            "/work/settings.xml: the file belongs to the user nobody, who is neither root nor the "
            "user running this program; it is not read",
            "diff 2", "[database]"),
        // Regression: a command's program in another user's folder, by its path or found on the
        // PATH, ran as root.
        Row("a command's program in a folder of another user's",
            "mkdir hooks && printf '#!/bin/sh\\ntouch ../ran\\n' > hooks/pre.sh && "
            "chmod 755 hooks/pre.sh && chown -R 65534 hooks && "
            "hooks '<command id=\"before\">hooks/pre.sh</command>' && tervosetup /export /batch; "
            "s=$?; tervosetup /check; echo \"check $?\"; [ -e ../ran ] && echo command-ran; "
            "exit $s",
            2,
            "/work/hooks: the folder belongs to the user nobody, who is neither root nor the user "
            "running this program; nothing is started through it\nAnother user could have chosen "
            "the program that the command hooks/pre.sh starts, so nothing was started. Nothing "
            "was saved.",
            "check 2", "command-ran|[database]"),
        // Regression: /diff showed what a hard link in a sticky folder held, a file only root
        // may read, as the old version of an output.
        Row("an output hard-linked in a sticky folder to a file only root may read",
            "printf 'top secret' > ../secret && chmod 600 ../secret && mkdir -m 1777 s && "
            "ln ../secret s/app.ini && sed -i 's|>app.ini<|>s/app.ini<|' config.xml && "
            "tervosetup /diff; echo \"diff $?\"",
            0,
            "/work/s/app.ini: the file has 2 hard links, in a folder where other users may create "
            "files: another user could have linked it there; it is not written",
            "diff 1", "top secret"),
        // Regression: a file that only root may read, linked into a folder of another user's,
        // was copied into an output that anyone may read, and shown by /diff.
        Row("a template linked into a folder of another user's",
            "printf 'top secret' > ../secret && chmod 600 ../secret && rm templates/app.ini.in && "
            "ln -s \"$(cd .. && pwd)/secret\" templates/app.ini.in && chown -R 65534:65534 "
            "templates && tervosetup /export /batch; s=$?; tervosetup /diff; echo \"diff $?\"; "
            "exit $s",
            2,
            "/work/templates: the folder belongs to the user nobody, who is neither root nor the "
            "user running this program; nothing is read through it\nAnother user could have "
            "chosen what the template templates/app.ini.in holds, so it is not read. Nothing was "
            "saved.",
            "diff 2", "top secret|[database]"),
    });
}

// An output that is a file the run reads is refused, and the rest is exported; with /strict, an
// output that cannot be written stops the run before anything is written.
TEST(ProgramTest, RefusesAnOutputItMayNotOrCannotWrite) {
    std::vector<ProgramRun::Case> runs = {
        // Regression: an output that was the settings or the configuration file, through a
        // symlink or a hard link, was overwritten.
        Row("an output that is a symlink to the settings file",
            "ln -s settings.xml app.ini && tervosetup /export", 1,
            "\"templates/app.ini.in\" -> \"app.ini\" was not exported: its output is the same "
            "file as the settings file settings.xml.",
            "listen 8080;"),
        Row("an output that is a hard link of the configuration",
            "ln config.xml server.conf && tervosetup /export", 1,
            "the same file as the configuration file config.xml.", "[database]"),
        // Regression: /strict wrote the settings file and the other outputs when an output
        // could not be written (a folder at its path, or a folder of another user's on the way):
        // the trial that writes nothing did not foresee it.
        Row("an output at the place of a folder",
            "mkdir app.ini && tervosetup /export /strict /batch", 1,
            "app.ini could not be written|Nothing was saved or exported", "", "listen 8080"),
    };
    if (::geteuid() == 0) {
        runs.push_back(Row(
            "an output in a folder of another user's",
            "mkdir out && chown 65534 out && sed -i 's|>app.ini<|>out/app.ini<|' config.xml && "
            "tervosetup /export /strict /batch",
            1,
            "/work/out: the folder belongs to the user nobody, who is neither root nor the user "
            "running this program; nothing is written through it|Nothing was saved or exported",
            "", "listen 8080"));
    }
    RunAndCheck(runs);
}

// A script that gets its command line or its files wrong is told, naming the argument, the
// variable or the line, and never the value, which may be a secret.
TEST(ProgramTest, SaysWhatTheCommandLineAndTheFilesGetWrong) {
    RunAndCheck({
        // Regression: arguments past the tenth were dropped without a word, and the run exported
        // from settings.xml instead of prod.xml.
        Row("eleven arguments to a run that saves",
            "tervosetup /export /batch /set:DBHOST=1 /set:DBHOST=2 /set:DBHOST=3 /set:DBHOST=4 "
            "/set:DBHOST=5 /set:DBHOST=6 /set:DBHOST=7 /set:DBHOST=8 /set:DBPASS=s3cret "
            "/file:prod.xml",
            2,
            "TervoSetup: ignoring the argument \"/set:DBPASS=...\": only the first 10 count\n"
            "TervoSetup: ignoring the argument \"/file:prod.xml\": only the first 10 count\n"
            "TervoSetup: nothing was done: the command line holds more than 10 arguments.",
            "", "s3cret|[database]"),
        // Regression: a second before command, and one of id "Before", were never started, and
        // nobody was told. Each misspelling is named at the start of every run, which goes on as
        // the format says; /strict makes it an error.
        Row("a misspelt type, and before commands given twice and misspelt",
            MISSPELT_TYPE
            "hooks '<command id=\"before\">true</command><command id=\"Before\">false</command>"
            "<command id=\"before\">false</command>' && tervosetup /diff /strict > /dev/null; "
            "echo \"diff $?\"; tervosetup /export /strict; echo \"strict $?\"; [ -e app.ini ] && "
            "echo strict-wrote; tervosetup /export",
            0,
            QString(kMisspeltType) +
                "|config.xml:48: the command id \"Before\" is not \"before\" (ids are "
                "case-sensitive), so this command is never started\nconfig.xml:48: a second "
                "before command, which is never started: only the first, at line 48, is\n"
                "|Nothing was saved or exported",
            "diff 1\nstrict 1\n|[database]|workers 4;", "strict-wrote"),
        Row("a value at fault, which /strict does not make a warning of",
            MISSPELT_TYPE "tervosetup /export /strict /set:DBPORT=99999", 2,
            QString(kMisspeltType) + "|/set:DBPORT: Port ($(DBPORT)): must be at most 65535", "",
            "[database]|Nothing was saved or exported"),
        // Regression: a variable listed twice in the settings file kept the second value
        // without a word.
        Row("a variable listed twice in the settings file",
            "sed -i 's|^</xml>|  <variable id=\"$(DBHOST)\">other</variable>\\n</xml>|' "
            "settings.xml && stored && tervosetup /check",
            3,
            "settings.xml:15: $(DBHOST) is listed again; only its first entry, at line 3, counts",
            "app.ini\nserver.conf\n", "settings.xml changed"),
        // A run that nobody watches does not guess: an option it does not know, a /set: without
        // a name or an "=", and a value that is not UTF-8 end it before anything is written. The
        // window, whose user sees what it will save, goes on without an unknown option, also
        // without repeating its value.
        Row("unknown options, malformed /set: and bytes that are not UTF-8",
            "tervosetup /export /batch /sset:PW=s3cret; a=$?; tervosetup /check -st:PW=s3cret; "
            "b=$?; tervosetup /diff /set:=s3cret; c=$?; tervosetup /export /set:s3cret; d=$?; "
            "tervosetup /export \"$(printf '/set:DBPASS=s3cret\\377')\"; e=$?; "
            "tervosetup /sset:PW=s3cret; echo $a $b $c $d $e $?",
            0,
            "TervoSetup: Nothing was done: \"/sset:\" is not an option (see --help).\n|"
            "TervoSetup: Nothing was done: \"-st:\" is not an option (see --help).\n|"
            "TervoSetup: Did not understand: /set:... (expected /set:NAME=VALUE; the rest is not "
            "shown)|The value of /set:DBPASS is not UTF-8 text; nothing was saved.|"
            "TervoSetup: ignoring the unknown option \"/sset:\" (see --help)",
            "2 2 2 2 2 2\n", "s3cret|settings.xml changed|[database]"),
    });
}

}  // namespace
