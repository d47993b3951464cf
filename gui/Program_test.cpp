// Runs the built program from shell scripts as a user would, and checks its exit status, what it
// says on standard error and what it writes.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "testing/FakeDisplay.h"
#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    QString script;  // for sh, where `tervosetup` runs the built program and no display is set
    int status;
    QStringList says;                // on standard error, which stays empty without them
    const char* exported = nullptr;  // in the outputs; without it nothing may be written
    // Runs out of memory under `ulimit -v`. AddressSanitizer needs more address space than that
    // leaves, and its operator new ends the program instead of throwing when it is given less.
    bool exhaustsMemory = false;
};

struct Ran {
    int status;
    QString said;      // on standard error
    QByteArray wrote;  // on standard output: the outputs and whether the settings file changed
};

// Runs `script` with sh in a fresh copy of the example, where `tervosetup` is a function that runs
// the built program by its path, never one the PATH finds; then prints the outputs and any change
// of the settings file, so that standard output shows everything the run wrote.
Ran RunScript(const QString& script) {
    const QString harness =
        QString(
            "unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; TERVOSETUP='%1'; "
            "tervosetup() { \"$TERVOSETUP\" \"$@\"; }; "
            "cp -R '%2/.' . && (%3); status=$?; cat app.ini server.conf 2>/dev/null; "
            "cmp -s settings.xml '%2/settings.xml' || echo settings.xml changed; exit $status")
            .arg(QFileInfo(TERVOSETUP_BINARY).absoluteFilePath(), TERVOSETUP_EXAMPLES, script);
    QTemporaryDir copy;
    QProcess process;
    process.setWorkingDirectory(copy.path());
    // A run takes well under a second; the limit is there only to end a run that hangs, and is
    // wide enough for a loaded machine, tests in parallel and a sanitizer build.
    process.start("timeout", {"-k", "5", "120", "sh", "-c", harness});
    process.waitForFinished(-1);
    return {process.exitCode(), process.readAllStandardError(), process.readAllStandardOutput()};
}

TEST(ProgramTest, EndsWithTheStatusAndMessageOfItsRun) {
    std::vector<Case> runs = {
        // Regression: an output that was the settings or the configuration file, through a
        // symlink or a hard link, was overwritten.
        {"ln -s settings.xml app.ini && tervosetup /export",
         1,
         {"\"templates/app.ini.in\" -> \"app.ini\" was not exported: its output is the same "
          "file as the settings file settings.xml."},
         "listen 8080;"},
        {"ln config.xml server.conf && tervosetup /export",
         1,
         {"the same file as the configuration file config.xml."},
         "[database]"},
        // Regression: running out of memory ended the run with std::bad_alloc. Values that hold
        // later variables' ids make "$(HTTPPORT)" 800 MB long.
        {"a=$(printf '$(SERVERNAME)%.0s' $(seq 2000)); b=$(printf '$(WORKERS)%.0s' $(seq 2000)); "
         "sed -i -e \"s/>8080</>$a</\" -e \"s/>inventory.example.org</>$b</\" -e "
         "\"s/>4</>$(printf 'x%.0s' $(seq 200))</\" settings.xml && "
         "sed -i s/number/text/ config.xml && ulimit -v 400000 && tervosetup /export",
         1,
         {"server.conf could not be written\ntemplates/server.conf.in: there is not enough memory"},
         "[database]",
         true},
        // Regression: what another save wrote between the reading and the writing of the settings
        // was undone. This one holds the update lock while it edits, until the export has said
        // that it waits (after a second), however slowly it starts.
        {"flock . sh -c 'touch locked; for i in $(seq 600); do grep -qs saving err && break; "
         "sleep 0.05; done; sed -i s/8080/9090/ settings.xml' & "
         "while [ ! -e locked ]; do sleep 0.01; done; tervosetup /export 2> err; s=$?; wait; "
         "cat err >&2; exit $s",
         0,
         {"another program is saving there..."},
         "listen 9090;"},
        // Regression: /strict let an export go on unchecked when its trial run ran out of memory,
        // which it did on a large template: the trial held every output whole.
        {"printf '$(MISSING)\\n' > t && yes 'host = $(DBHOST) and some words' | head -c 60000000 "
         ">> t && mv t templates/app.ini.in && ulimit -v 300000 && tervosetup /export /strict",
         1,
         {"app.ini:1: $(MISSING) has no value", "Nothing was saved or exported"},
         nullptr,
         true},
        // Regression: names with a blank, a tab or a line break were written bare in a diff, and
        // patch made other files of them.
        {R"~(sed -i -e 's|>app.ini<|>my app.ini<|' -e 's|>server.conf<|>t\&#9;a\&#10;b<|' )~"
         R"~(-e 's|type.password|type>text|' )~"
         R"~(config.xml && tervosetup /diff | patch -s -p1 && tervosetup /check && )~"
         R"~(cat 'my app.ini' "$(printf 't\ta\nb')")~",
         0,
         {},
         "listen 8080;"},
        // A diff cannot carry a change to a pipe, a device or a file too large to read: it says so.
        // Regression: it showed the diff of an empty file, which put the new text in front of the
        // old one.
        {"mkfifo app.ini && truncate -s 1100M server.conf && tervosetup /diff; s=$?; "
         "rm app.ini server.conf; exit $s",
         1,
         {"app.ini would change, but /diff cannot show how: app.ini: is not a regular file",
          "server.conf would change, but /diff cannot show how: server.conf: the file is larger "
          "than 1073741824 bytes"}},
        // Regression: /check and /diff waited until a save that held the lock was done.
        {"flock -o . sh -c 'echo $$ > locked; exec sleep 10' & "
         "while [ ! -s locked ]; do sleep 0.01; done; tervosetup /check > list; a=$?; "
         "tervosetup /diff > diff; b=$?; kill $(cat locked); wait; [ $a$b = 33 ]",
         0,
         {"The diff shows passwords as ********"}},
        // Regression: an export that could not start a thread of its own to write with ended in
        // std::system_error. Root is not held to a limit on processes, so it runs as nobody, in
        // a folder of its own, from a copy there: nobody may not be able to enter the build
        // folder, and prlimit would then run whatever other tervosetup the PATH holds.
        // LeakSanitizer would need a thread of its own at the exit.
        {"sed -i /command/d config.xml && cp \"$TERVOSETUP\" ./copy && "
         "export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:detect_leaks=0} && "
         "if [ $(id -u) = 0 ]; then chown -R 65534:65534 . && "
         "set -- setpriv --reuid=65534 --regid=65534 --clear-groups; fi && "
         "\"$@\" prlimit --nproc=1 \"$PWD/copy\" /export",
         0,
         {},
         "listen 8080;"},
        // A password never shows in a diff, in the settings file or in an output.
        {"sed -i 's#example-secret#n3w-s\\&amp;cret#' settings.xml && tervosetup /diff > d; "
         "[ $? = 3 ] && grep -c '^+password = \\*\\*\\*\\*\\*\\*\\*\\*$' d && ! grep cret d",
         0,
         {"The diff shows passwords as ********"},
         "1\nsettings.xml changed"},
        // A value that breaks its item's rules is never saved nor exported, by any run.
        {"sed -e 's#>8080<#>99999<#' -e 's#>4<#>four<#' settings.xml > other.xml && "
         "tervosetup /export /file:other.xml",
         2,
         {"other.xml: Listen port ($(HTTPPORT)): must be at most 65535\n"
          "other.xml: Workers ($(WORKERS)): is not a whole number"}},
    };
    // Regression: libxml2 took over half a minute over an element with 80,000 attributes, in
    // either file. The run names the file and the reason, writes nothing and ends at once.
    for (const QString option : {" /conf:", " /file:"}) {
        runs.push_back(
            {"(printf '<xml>\\n<e'; seq -f ' a%.0f=\"\"' 80000; printf '/></xml>') > c.xml "
             "&& tervosetup /export" +
                 option + "c.xml",
             2,
             {"could not be loaded", "c.xml", "line 2: an element has more than 1000 attributes"}});
    }
    for (const Case& run : runs) {
        if (run.exhaustsMemory && qEnvironmentVariableIsSet("ASAN_OPTIONS")) {
            continue;
        }
        SCOPED_TRACE(run.script.toStdString());
        const auto [status, said, wrote] = RunScript(run.script);
        EXPECT_EQ(status, run.status) << qPrintable(said);
        EXPECT_EQ(said.isEmpty(), run.says.isEmpty()) << qPrintable(said);
        for (const QString& text : run.says + QStringList{"root:", "XML_PARSE"}) {
            EXPECT_EQ(said.contains(text), run.says.contains(text)) << qPrintable(said);
        }
        EXPECT_TRUE(run.exported ? wrote.contains(run.exported) : wrote.isEmpty()) << wrote.data();
    }
}

// A display that takes the connection and never answers would hold the program inside the window
// system for ever. It counts as no display: an export tells its messages on standard error only
// and ends with its own status, the editor says the display could not be reached.
TEST(ProgramTest, EndsWhenTheDisplayNeverAnswers) {
    const Case runs[] = {
        // %1 stands for the display
        {"rm templates/server.conf.in && DISPLAY=%1 tervosetup /export",
         1,
         {"templates/server.conf.in could not be found",
          "TervoSetup: the display %1: took the connection but did not answer within 5 seconds, so "
          "messages go to standard error only.\n"}},
        {"DISPLAY=%1 tervosetup",
         2,
         {"TervoSetup: the display %1: took the connection but did not answer within 5 seconds, so "
          "it counts as no display.\n",
          "the display could not be reached, so the editor cannot be shown"}},
    };
    for (const auto transport : {FakeDisplay::Transport::Local, FakeDisplay::Transport::Tcp}) {
        const FakeDisplay display(transport, FakeDisplay::Behaviour::Silent);
        ASSERT_FALSE(display.Name().isEmpty());
        for (const Case& run : runs) {
            const QString script = run.script.arg(display.Name());
            SCOPED_TRACE(script.toStdString());
            const Ran ran = RunScript(script);
            EXPECT_EQ(ran.status, run.status) << qPrintable(ran.said);
            for (const QString& text : run.says) {
                const QString expected = text.contains("%1") ? text.arg(display.Name()) : text;
                EXPECT_EQ(ran.said.count(expected), 1) << "expected once: " << qPrintable(expected)
                                                       << "\nsaid: " << qPrintable(ran.said);
            }
        }
    }
}

}  // namespace
