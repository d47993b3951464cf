// Runs the built program on a copy of the example in folders of root's and of another user's
// (nobody, uid 65534), and with what a script may get wrong on its command line and in its files:
// too many arguments, values that no variable may hold, misspelt declarations, commands and
// variables given twice. Checks the exit status, standard error and what is on disk.
#include "testing/ProgramRun.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

// `asnobody` runs a copy of the program as the user nobody, who may not reach the build folder.
#define AS_NOBODY                                                     \
    "cp \"$TERVOSETUP\" ../tervosetup && chmod 755 ../tervosetup && " \
    "asnobody() { setpriv --reuid=65534 --regid=65534 --clear-groups ../tervosetup \"$@\"; } && "

// A row of a table of runs: `says`, `shows` and `hides` list their parts separated by "|".
ProgramRun::Case Row(const char* what, const QString& script, int status, const QString& says = "",
                     const QString& shows = "", const QString& hides = "") {
    const auto parts = [](const QString& list) { return list.split(u'|', Qt::SkipEmptyParts); };
    return {what, script, status, parts(says), parts(shows), parts(hides)};
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

TEST(TrustedRunsTest, NeverStartsOrReadsWhatAnotherUserCouldHaveChosen) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give files to another user and take its identity";
    const ProgramRun::Case runs[] = {
        // Regression: root started the before command of another user's configuration, and only
        // then refused to write the settings file into that user's folder.
        Row("a command in a folder of another user's",
            "hooks '<command id=\"before\">sh -c \"id -un > ../ran\"</command>' && "
            "chown -R 65534:65534 . && tervosetup /export /batch; s=$?; tervosetup /check; "
            "c=$?; tervosetup /diff; echo \"check $c diff $?\"; [ -e ../ran ] && echo command-ran; "
            "exit $s",
            2,
            QString(kNobodysProject) +
                "|Another user could have chosen what the configuration config.xml holds, so none "
                "of its commands is started and none of its templates read. Nothing was saved.",
            "check 2 diff 2", "command-ran|[database]"),
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
        // What may be trusted still works for a user who is not root: its own folder, where
        // another user may not write (here in /tmp, which everyone may add to), and root's files.
        Row("a user's own folder", AS_NOBODY "chown -R 65534:65534 . && asnobody /export /batch", 0,
            "", "[database]"),
        Row("root's files, read by another user", AS_NOBODY "asnobody /check", 3, "",
            "app.ini\nserver.conf\n"),
    };
    for (const ProgramRun::Case& run : runs)
        ProgramRun::RunAndCheck(run);
}

// Regression: /strict wrote the settings file and the other outputs when an output could not be
// written (a folder at its path, or a folder of another user's on the way): the trial that writes
// nothing did not foresee it.
TEST(TrustedRunsTest, StrictForeseesAnOutputThatCannotBeWritten) {
    std::vector<ProgramRun::Case> runs = {
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
    for (const ProgramRun::Case& run : runs)
        ProgramRun::RunAndCheck(run);
}

// A script that gets its command line or its files wrong is told, naming the argument, the
// variable or the line, and never the value, which may be a secret.
TEST(TrustedRunsTest, SaysWhatTheCommandLineAndTheFilesGetWrong) {
    const ProgramRun::Case runs[] = {
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
    };
    for (const ProgramRun::Case& run : runs)
        ProgramRun::RunAndCheck(run);
}

}  // namespace
