// Runs the built program on a copy of the example in folders of root's and of another user's
// (nobody, uid 65534), and with what a script may get wrong on its command line and in its files:
// too many arguments, values that no variable may hold, commands and variables given twice.
// Checks the exit status, standard error and what is on disk.
#include "testing/ProgramRun.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

// `asnobody` runs a copy of the program as the user nobody, who may not reach the build folder.
#define AS_NOBODY                                                     \
    "cp \"$TERVOSETUP\" ../tervosetup && chmod 755 ../tervosetup && " \
    "asnobody() { setpriv --reuid=65534 --regid=65534 --clear-groups ../tervosetup \"$@\"; } && "

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
        {"a command in a folder of another user's",
         "hooks '<command id=\"before\">sh -c \"id -un > ../ran\"</command>' && "
         "chown -R 65534:65534 . && tervosetup /export /batch; s=$?; tervosetup /check; "
         "c=$?; tervosetup /diff; echo \"check $c diff $?\"; [ -e ../ran ] && echo command-ran; "
         "exit $s",
         2,
         {kNobodysProject,
          "Another user could have chosen what the configuration config.xml holds, so none of "
          "its commands is started and none of its templates read. Nothing was saved."},
         {"check 2 diff 2"},
         {"command-ran", "[database]"}},
        // Regression: a file that only root may read, linked into a folder of another user's,
        // was copied into an output that anyone may read, and shown by /diff.
        {"a template linked into a folder of another user's",
         "printf 'top secret' > ../secret && chmod 600 ../secret && rm templates/app.ini.in && "
         "ln -s \"$(cd .. && pwd)/secret\" templates/app.ini.in && chown -R 65534:65534 templates "
         "&& tervosetup /export /batch; s=$?; tervosetup /diff; echo \"diff $?\"; exit $s",
         2,
         {"/work/templates: the folder belongs to the user nobody, who is neither root nor the "
          "user running this program; nothing is read through it\nAnother user could have "
          "chosen what the template templates/app.ini.in holds, so it is not read. Nothing was "
          "saved."},
         {"diff 2"},
         {"top secret", "[database]"}},
        // What may be trusted still works: a user's own folder, where another user may not
        // write (here in /tmp, which everyone may add to), root's files read by another user,
        // and a folder that root's group may write to.
        {"a user's own folder",
         AS_NOBODY "chown -R 65534:65534 . && asnobody /export /batch",
         0,
         {},
         {"[database]"}},
        {"root's files, read by another user",
         AS_NOBODY "asnobody /check",
         3,
         {},
         {"app.ini\nserver.conf\n"}},
        {"a folder that root's group may write to",
         "chmod 775 . templates && tervosetup /export /batch",
         0,
         {},
         {"[database]"}},
    };
    for (const ProgramRun::Case& run : runs)
        ProgramRun::RunAndCheck(run);
}

// Regression: /strict wrote the settings file and the other outputs when an output could not be
// written (a folder at its path, or a folder of another user's on the way): the trial that writes
// nothing did not foresee it.
TEST(TrustedRunsTest, StrictForeseesAnOutputThatCannotBeWritten) {
    std::vector<ProgramRun::Case> runs = {
        {"an output at the place of a folder",
         "mkdir app.ini && tervosetup /export /strict /batch",
         1,
         {"app.ini could not be written", "Nothing was saved or exported"},
         {},
         {"listen 8080"}},
    };
    if (::geteuid() == 0) {
        runs.push_back(
            {"an output in a folder of another user's",
             "mkdir out && chown 65534 out && sed -i 's|>app.ini<|>out/app.ini<|' config.xml && "
             "tervosetup /export /strict /batch",
             1,
             {"/work/out: the folder belongs to the user nobody, who is neither root nor "
              "the user running this program; nothing is written through it",
              "Nothing was saved or exported"},
             {},
             {"listen 8080"}});
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
        {"eleven arguments to a run that saves",
         "tervosetup /export /batch /set:DBHOST=1 /set:DBHOST=2 /set:DBHOST=3 /set:DBHOST=4 "
         "/set:DBHOST=5 /set:DBHOST=6 /set:DBHOST=7 /set:DBHOST=8 /set:DBPASS=s3cret "
         "/file:prod.xml",
         2,
         {"TervoSetup: ignoring the argument \"/set:DBPASS=...\": only the first 10 count\n"
          "TervoSetup: ignoring the argument \"/file:prod.xml\": only the first 10 count\n"
          "TervoSetup: nothing was done: the command line holds more than 10 arguments."},
         {},
         {"s3cret", "[database]"}},
        {"eleven arguments to --version",
         "tervosetup --version 2 3 4 5 6 7 8 9 10 11",
         0,
         {"TervoSetup: ignoring the argument \"11\": only the first 10 count"},
         {"TervoSetup "}},
        // Regression: a value that is not UTF-8 became U+FFFD.
        {"a value that is not UTF-8",
         "DEPLOY_DBHOST=\"$(printf 'db\\377')\" tervosetup /export /env:DEPLOY_",
         2,
         {"The value of the environment variable DEPLOY_DBHOST is not UTF-8 text; nothing was "
          "saved."},
         {},
         {"[database]"}},
        // Regression: a value for one run was refused as one that "a settings file cannot store".
        {"a control character in values for one run",
         "tervosetup /export \"/set:DBHOST=$(printf 'a\\001b')\"; s=$?; "
         "DEPLOY_DBUSER=\"$(printf 'a\\002b')\" tervosetup /check /env:DEPLOY_; echo $s $?",
         0,
         {"The value of /set:DBHOST holds the character U+0001, which no value of a variable may "
          "hold; nothing was saved.",
          "The value of the environment variable DEPLOY_DBUSER holds the character U+0002, which "
          "no value of a variable may hold; nothing was saved."},
         {"2 2"},
         {"settings file cannot store", "[database]"}},
        // Regression: a second before command, and one of id "Before", were never started, and
        // nobody was told; /strict makes that an error.
        {"before commands given twice and misspelt",
         "hooks '<command id=\"before\">true</command><command id=\"Before\">false</command>"
         "<command id=\"before\">false</command>' && tervosetup /export /strict; "
         "echo \"strict $?\"; [ -e app.ini ] && echo strict-wrote; tervosetup /export",
         0,
         {"config.xml:48: the command id \"Before\" is not \"before\" (ids are case-sensitive), "
          "so this command is never started\nconfig.xml:48: a second before command, which is "
          "never started: only the first, at line 48, is\n",
          "Nothing was saved or exported"},
         {"strict 1", "[database]"},
         {"strict-wrote"}},
        // Regression: a variable listed twice in the settings file kept the second value
        // without a word.
        {"a variable listed twice in the settings file",
         "sed -i 's|^</xml>|  <variable id=\"$(DBHOST)\">other</variable>\\n</xml>|' "
         "settings.xml && stored && tervosetup /check",
         3,
         {"settings.xml:15: $(DBHOST) is listed again; only its first entry, at line 3, counts"},
         {"app.ini\nserver.conf\n"},
         {"settings.xml changed"}},
    };
    for (const ProgramRun::Case& run : runs)
        ProgramRun::RunAndCheck(run);
}

}  // namespace
