// Runs the built program on a copy of the example in folders of root's and of another user's
// (nobody, uid 65534), and with what a script may get wrong on its command line and in its files:
// too many arguments, values that no variable may hold, commands and variables given twice.
// Checks the exit status, standard error and what is on disk.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "testing/QStringPrinter.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TrustedRun {
    const char* script;  // for sh; see the harness below
    int status;
    QStringList says = {};   // on standard error
    QStringList shows = {};  // on standard output: what the script prints, then the outputs
    QStringList hides = {};  // on neither
};

// Each script runs in `proj`, a fresh copy of the example (whose before command is "true") in a
// folder that everyone may enter. `tervosetup` runs a copy of the built program by its path,
// `asnobody` the same as the user nobody, who may run it from there; `hooks` puts its argument in
// place of the before command, and `stored` notes the settings file as it is. At the end the
// outputs are printed, and whether the settings file is still the one noted.
const char kHarness[] =
    "unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; chmod 755 . && mkdir bin && "
    "cp '%1' bin/tervosetup && TERVOSETUP=\"$PWD/bin/tervosetup\" && "
    "tervosetup() { \"$TERVOSETUP\" \"$@\"; }; "
    "asnobody() { setpriv --reuid=65534 --regid=65534 --clear-groups \"$TERVOSETUP\" \"$@\"; }; "
    "hooks() { sed -i \"s|<command id=\\\"before\\\">true</command>|$1|\" config.xml; }; "
    "stored() { cp settings.xml ../stored.xml; }; "
    "mkdir proj && cp -R '%2/.' proj && cd proj && stored && (%3); status=$?; "
    "cat app.ini server.conf 2>/dev/null; "
    "cmp -s settings.xml ../stored.xml || echo settings.xml changed; exit $status";

// A save that would change the settings file: its value of $(GZIP) is the default.
#define CHANGE_ON_SAVE "sed -i /GZIP/d settings.xml && stored && "

// How a refusal names the folder `proj` of the user nobody.
const QString kNobodysProject =
    "/proj: the folder belongs to the user nobody, who is neither root nor the user running this "
    "program; nothing is read through it";

// Runs each script in a scratch folder of its own and checks what it came to.
template <typename Runs>
void RunEach(const Runs& runs) {
    const QString harness =
        QString(kHarness).arg(QFileInfo(TERVOSETUP_BINARY).absoluteFilePath(), TERVOSETUP_EXAMPLES);
    for (const TrustedRun& run : runs) {
        SCOPED_TRACE(run.script);
        QTemporaryDir scratch;
        QProcess process;
        process.setWorkingDirectory(scratch.path());
        // The limit only ends a run that hangs.
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

TEST(TrustedRunsTest, NeverStartsOrReadsWhatAnotherUserCouldHaveChosen) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give files to another user and take its identity";
    const TrustedRun runs[] = {
        // Regression: root started the before command of another user's configuration, and only
        // then refused to write the settings file into that user's folder.
        {"hooks '<command id=\"before\">sh -c \"id -un > ../ran\"</command>' && "
         "chown -R 65534:65534 . && tervosetup /export /batch; s=$?; tervosetup /check; "
         "c=$?; tervosetup /diff; echo \"check $c diff $?\"; [ -e ../ran ] && echo command-ran; "
         "exit $s",
         2,
         {kNobodysProject,
          "Another user could have chosen what the configuration config.xml holds, so none of "
          "its commands is started and none of its templates read. Nothing was saved."},
         {"check 2 diff 2"},
         {"command-ran", "[database]", "settings.xml changed"}},
        // Regression: a file that only root may read, linked into a folder of another user's,
        // was copied into an output that anyone may read, and shown by /diff.
        {"printf 'top secret' > ../secret && chmod 600 ../secret && rm templates/app.ini.in && "
         "ln -s \"$(cd .. && pwd)/secret\" templates/app.ini.in && chown -R 65534:65534 templates "
         "&& tervosetup /export /batch; s=$?; tervosetup /diff; echo \"diff $?\"; exit $s",
         2,
         {"/proj/templates: the folder belongs to the user nobody, who is neither root nor the "
          "user running this program; nothing is read through it\nAnother user could have "
          "chosen what the template templates/app.ini.in holds, so it is not read. Nothing was "
          "saved."},
         {"diff 2"},
         {"top secret", "[database]", "settings.xml changed"}},
        // What may be trusted still works: a user's own folder, where another user may not
        // write (here in /tmp, which everyone may add to), root's files read by another user,
        // and a folder that root's group may write to.
        {"chown -R 65534:65534 . && asnobody /export /batch", 0, {}, {"[database]"}},
        {"asnobody /check", 3},
        {"chmod 775 . templates && tervosetup /export /batch", 0, {}, {"[database]"}},
    };
    RunEach(runs);
}

// Regression: /strict wrote the settings file and the other outputs when an output could not be
// written (a folder at its path, or a folder of another user's on the way): the trial that writes
// nothing did not foresee it.
TEST(TrustedRunsTest, StrictForeseesAnOutputThatCannotBeWritten) {
    std::vector<TrustedRun> runs = {
        {CHANGE_ON_SAVE "mkdir app.ini && tervosetup /export /strict /batch",
         1,
         {"app.ini could not be written", "Nothing was saved or exported"},
         {},
         {"settings.xml changed", "listen 8080"}},
    };
    if (::geteuid() == 0) {
        runs.push_back(
            {CHANGE_ON_SAVE "mkdir out && chown 65534 out && "
                            "sed -i 's|>app.ini<|>out/app.ini<|' config.xml && "
                            "tervosetup /export /strict /batch",
             1,
             {"/proj/out: the folder belongs to the user nobody, who is neither root nor "
              "the user running this program; nothing is written through it",
              "Nothing was saved or exported"},
             {},
             {"settings.xml changed", "listen 8080"}});
    }
    RunEach(runs);
}

// A script that gets its command line or its files wrong is told, naming the argument, the
// variable or the line, and never the value, which may be a secret.
TEST(TrustedRunsTest, SaysWhatTheCommandLineAndTheFilesGetWrong) {
    const TrustedRun runs[] = {
        // Regression: arguments past the tenth were dropped without a word, and the run exported
        // from settings.xml instead of prod.xml.
        {"tervosetup /export /batch /set:DBHOST=1 /set:DBHOST=2 /set:DBHOST=3 /set:DBHOST=4 "
         "/set:DBHOST=5 /set:DBHOST=6 /set:DBHOST=7 /set:DBHOST=8 /set:DBPASS=s3cret "
         "/file:prod.xml",
         2,
         {"TervoSetup: ignoring the argument \"/set:DBPASS=...\": only the first 10 count\n"
          "TervoSetup: ignoring the argument \"/file:prod.xml\": only the first 10 count\n"
          "TervoSetup: nothing was done: the command line holds more than 10 arguments."},
         {},
         {"s3cret", "[database]"}},
        {"tervosetup --version 2 3 4 5 6 7 8 9 10 11",
         0,
         {"TervoSetup: ignoring the argument \"11\": only the first 10 count"},
         {"TervoSetup "}},
        // Regression: a value that is not UTF-8 became U+FFFD.
        {"DEPLOY_DBHOST=\"$(printf 'db\\377')\" tervosetup /export /env:DEPLOY_",
         2,
         {"The value of the environment variable DEPLOY_DBHOST is not UTF-8 text; nothing was "
          "saved."},
         {},
         {"[database]"}},
        // Regression: a value for one run was refused as one that "a settings file cannot store".
        {"tervosetup /export \"/set:DBHOST=$(printf 'a\\001b')\"; s=$?; "
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
        {"hooks '<command id=\"before\">true</command><command id=\"Before\">false</command>"
         "<command id=\"before\">false</command>' && tervosetup /export /strict; "
         "echo \"strict $?\"; [ -e app.ini ] && echo strict-wrote; tervosetup /export",
         0,
         {"config.xml:37: the command id \"Before\" is not \"before\" (ids are case-sensitive), "
          "so this command is never started\nconfig.xml:37: a second before command, which is "
          "never started: only the first, at line 37, is\n",
          "Nothing was saved or exported"},
         {"strict 1", "[database]"},
         {"strict-wrote"}},
        // Regression: a variable listed twice in the settings file kept the second value
        // without a word.
        {"sed -i 's|^</xml>|  <variable id=\"$(DBHOST)\">other</variable>\\n</xml>|' "
         "settings.xml && stored && tervosetup /check",
         3,
         {"settings.xml:15: $(DBHOST) is listed again; only its first entry, at line 3, counts"}},
        // Regression: a settings file without an XML declaration got one when it was saved.
        {CHANGE_ON_SAVE "sed -i 1d settings.xml && stored && tervosetup /export && "
                        "head -c 6 settings.xml",
         0,
         {},
         {"<xml>\n", "settings.xml changed"},
         {"<?xml"}},
    };
    RunEach(runs);
}

}  // namespace
