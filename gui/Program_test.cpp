// Runs the built program from shell scripts as a user would (testing/ProgramRun.h), and checks its
// exit status, what it says on standard error and what it writes.
#include "testing/FakeDisplay.h"
#include "testing/ProgramRun.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

#include <memory>
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

// Regression: an output that was the settings or the configuration file, through a symlink or a
// hard link, was overwritten. It is refused, and the rest is exported.
TEST(ProgramTest, RefusesAnOutputThatIsTheSettingsOrTheConfigurationFile) {
    RunAndCheck({
        Row("an output that is a symlink to the settings file",
            "ln -s settings.xml app.ini && tervosetup /export", 1,
            "\"templates/app.ini.in\" -> \"app.ini\" was not exported: its output is the same "
            "file as the settings file settings.xml.",
            "listen 8080;"),
        Row("an output that is a hard link of the configuration",
            "ln config.xml server.conf && tervosetup /export", 1,
            "the same file as the configuration file config.xml.", "[database]"),
    });
}

// Running out of memory is a failure of the file that needed it, told like any other. How the run
// tells it is checked over a file system that runs out of memory when asked
// (run/ExportRun_test.cpp); here a real one runs out of it.
TEST(ProgramTest, ReportsRunningOutOfMemoryAsAFailureOfTheFile) {
    // Under `ulimit -v`. AddressSanitizer needs more address space than that leaves, and its
    // operator new ends the program instead of throwing when it is given less.
    if (qEnvironmentVariableIsSet("ASAN_OPTIONS"))
        GTEST_SKIP() << "AddressSanitizer cannot run out of memory as a program does";
    RunAndCheck({
        // Regression: /strict let an export go on unchecked when its trial run ran out of memory,
        // which it did on a large template: the trial held every output whole.
        Row("the trial run of /strict on a large template",
            "printf '$(MISSING)\\n' > t && yes 'host = $(DBHOST) and some words' | "
            "head -c 60000000 >> t && mv t templates/app.ini.in && ulimit -v 300000 && tervosetup "
            "/export /strict",
            1, "app.ini:1: $(MISSING) has no value|Nothing was saved or exported"),
    });
}

// Regression: what another save wrote between the reading and the writing of the settings was
// undone. The other save here holds the update lock of the folder and edits the settings file
// once the export has said that it waits; the export then saves and exports the edited value.
// FIFOs carry the events: `held` when the other save has the lock, `told` when the export has
// said that it waits (and once more at the end, should it never say so).
TEST(ProgramTest, TakesTurnsWithAnotherSaveInTheFolder) {
    RunAndCheck(
        {Row("an export while another save holds the lock",
             "exec 3>&1; mkfifo held told; exec 4<>held 5<>told; "
             "flock . sh -c 'echo > held; read x < told; sed -i s/8080/9090/ settings.xml' & "
             "read x <&4; { tervosetup /export; echo $? > status; } 2>&1 >&3 | "
             "while IFS= read -r line; do printf '%s\\n' \"$line\" >&2; "
             "case $line in *'saving there'*) echo > told; esac; done; "
             "echo > told; wait; exit $(cat status)",
             0, "another program is saving there...", "listen 9090;")});
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
TEST(ProgramTest, ExportsWithoutAThreadOfItsOwn) {
    RunAndCheck({Row("an export limited to one process",
                     "sed -i /command/d config.xml && cp \"$TERVOSETUP\" ./copy && "
                     "export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:detect_leaks=0} && "
                     "if [ $(id -u) = 0 ]; then chown -R 65534:65534 . && "
                     "set -- setpriv --reuid=65534 --regid=65534 --clear-groups; fi && "
                     "\"$@\" prlimit --nproc=1 \"$PWD/copy\" /export",
                     0, "", "listen 8080;")});
}

// A display that takes the connection and never answers would hold the program inside the window
// system for ever. It counts as no display: an export tells its messages on standard error only
// and ends with its own status, the editor says the display could not be reached. The probe's
// timeout itself is tested with a short one (platform/Display_test.cpp); here each run waits the
// program's 5 seconds once, both at the same time.
TEST(ProgramTest, EndsWhenTheDisplayNeverAnswers) {
    const FakeDisplay display(FakeDisplay::Transport::Local, FakeDisplay::Behaviour::Silent);
    ASSERT_FALSE(display.Name().isEmpty()) << "no display number was free";
    const QString unanswered = "TervoSetup: the display " + display.Name() +
                               ": took the connection but did not answer within 5 seconds, so ";
    const ProgramRun::Case cases[] = {
        Row("an export",
            "rm templates/server.conf.in && DISPLAY=" + display.Name() + " tervosetup /export", 1,
            "templates/server.conf.in could not be found|" + unanswered +
                "messages go to standard error only.\n",
            "[database]"),
        Row("the editor", "DISPLAY=" + display.Name() + " tervosetup", 2,
            unanswered + "it counts as no display.\n" +
                "|the display could not be reached, so the editor cannot be shown"),
    };
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (const ProgramRun::Case& c : cases)
        runs.push_back(std::make_unique<ProgramRun>(c.script));
    for (size_t i = 0; i < runs.size(); ++i) {
        const ProgramRun::Result ran = runs[i]->Finish();
        ProgramRun::Check(cases[i], ran);
        EXPECT_EQ(ran.said.count(unanswered), 1) << cases[i].what << ": the display was not "
                                                 << "probed once\nsaid: " << qPrintable(ran.said);
    }
}

}  // namespace
