// Runs the built program from shell scripts as a user would, and checks its exit status, what it
// says on standard error and what it writes.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <array>

#include "testing/QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    QString script;  // for sh, with `tervosetup` on the PATH and no display
    int status;
    QStringList says;                // on standard error, which stays empty without them
    const char* exported = nullptr;  // in the outputs; without it nothing may be written
    // Runs out of memory under `ulimit -v`. AddressSanitizer needs more address space than that
    // leaves, and its operator new ends the program instead of throwing when it is given less.
    bool exhaustsMemory = false;
};

TEST(ProgramTest, EndsWithTheStatusAndMessageOfItsRun) {
    std::vector<Case> runs = {
        {"tervosetup /export", 0, {}, "listen 8080;"},
        // Nothing listens at this display: connecting to it would end the run inside the toolkit.
        {"DISPLAY=:7319.0 tervosetup /export", 0, {}, "host = db.example.org\n"},
        {"cd templates && tervosetup -EXPORT /conf:../config.xml", 0, {}, "port = 5432"},
        {"rm templates/server.conf.in && tervosetup /export",
         1,
         {"templates/server.conf.in could not be found"},
         "[database]"},
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
         "\"s/>4</>$(printf 'x%.0s' $(seq 200))</\" settings.xml && ulimit -v 400000 && "
         "tervosetup /export",
         1,
         {"server.conf could not be written\ntemplates/server.conf.in: there is not enough memory"},
         "[database]",
         true},
        // Regression: what another save wrote between the reading and the writing of the settings
        // was undone. This one holds the update lock while it edits.
        {"flock . sh -c 'touch locked; sleep 1; sed -i s/8080/9090/ settings.xml' & "
         "while [ ! -e locked ]; do sleep 0.01; done; tervosetup /export; wait",
         0,
         {},
         "listen 9090;"},
        // A check writes nothing and needs no display, and a diff is a patch that brings the
        // files up to date, from nothing and from an older version.
        {"DISPLAY=:7319.0 tervosetup /check > list; [ $? = 3 ] && [ ! -e app.ini ] && "
         "tervosetup /diff | patch -s -p1 && sed -i s/8080/9090/ settings.xml && "
         "tervosetup /diff | patch -s -p1 && tervosetup /check && cat list",
         0,
         {},
         "app.ini\nserver.conf\n; Generated"},
        // Regression: an export that could not start a thread of its own to write with ended in
        // std::system_error. Root is not held to a limit on processes, so it runs as nobody, in
        // a folder of its own; LeakSanitizer would need a thread of its own at the exit.
        {"sed -i /command/d config.xml && "
         "export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:detect_leaks=0} && "
         "if [ $(id -u) = 0 ]; then chown -R 65534:65534 . && "
         "set -- setpriv --reuid=65534 --regid=65534 --clear-groups; fi && "
         "\"$@\" prlimit --nproc=1 tervosetup /export",
         0,
         {},
         "listen 8080;"},
        {"tervosetup /export settings.xml", 2, {"understand: settings.xml", "/conf:<file>"}},
        // The editor must not wait for a display that never comes, nor for one that does not
        // answer; that one is found out by the window module, which must load.
        {"tervosetup", 2, {"no display"}},
        {"DISPLAY=:7319.0 tervosetup", 2, {"display could not be reached"}},
        // Without its window module the program still runs everything that needs no window,
        // and an export with a display tells its messages on standard error only.
        {"cp \"$(command -v tervosetup)\" alone && QT_QPA_PLATFORM=offscreen ./alone; "
         "[ $? = 2 ] && ./alone /export",
         0,
         {"the editor cannot be shown", "tervosetup-gui", "No such file or directory"},
         "listen 8080;"},
        {"cp \"$(command -v tervosetup)\" alone && rm templates/server.conf.in && "
         "QT_QPA_PLATFORM=offscreen ./alone /export",
         1,
         {"server.conf.in could not be found", "messages go to standard error only"},
         "[database]"},
    };
    // Whatever stands where the configuration or the settings should be, the run ends with a
    // message that names the file, writes nothing and never hangs. The reasons are the user's,
    // not the parser's.
    for (const auto& [name, maker, reason] : std::initializer_list<std::array<const char*, 3>>{
             {"nested.xml", "(printf '<xml>'; yes '<a>' | head -n 100000 | tr -d '\\n') > %1",
              "nested more than 256 levels deep"},
             {"external.xml",
              "echo \"<!DOCTYPE xml [<!ENTITY e SYSTEM 'file:///etc/passwd'>]>"
              "<xml>&e;</xml>\" > %1"},
             {"garbage.xml", "printf '\\0\\1\\377\\376 binary' > %1"},
             {"packed.xml", "printf '\\37\\213\\10\\0\\0\\0' > %1"},
             {"huge.xml", "head -c $((65 << 20)) /dev/zero | tr '\\0' ' ' > %1"},
             {"folder.xml", "mkdir %1"},
             {"fifo.xml", "mkfifo %1"},
             {"none.xml", "rm -f %1"}}) {
        for (const QString option : {" /conf:", " /file:"}) {
            runs.push_back({QString(maker).arg(name) + " && tervosetup /export" + option + name,
                            2,
                            {"could not be loaded", name, reason ? reason : ""}});
        }
    }
    // Each script runs in a fresh copy of the example; then the outputs and any change of the
    // settings file are printed, so that standard output shows everything the run wrote.
    const QString harness =
        QString(
            "unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; PATH='%1':$PATH; "
            "cp -R '%2/.' . && (%3); status=$?; cat app.ini server.conf 2>/dev/null; "
            "cmp -s settings.xml '%2/settings.xml' || echo settings.xml changed; exit $status")
            .arg(QFileInfo(TERVOSETUP_BINARY).path(), TERVOSETUP_EXAMPLES);
    for (const Case& run : runs) {
        if (run.exhaustsMemory && qEnvironmentVariableIsSet("ASAN_OPTIONS")) {
            continue;
        }
        SCOPED_TRACE(run.script.toStdString());
        QTemporaryDir copy;
        QProcess process;
        process.setWorkingDirectory(copy.path());
        // A second is plenty; five allow for a loaded machine or a sanitizer build.
        process.start("timeout", {"-k", "1", "5", "sh", "-c", harness.arg(run.script)});
        process.waitForFinished();
        const QString said = process.readAllStandardError();
        const QByteArray wrote = process.readAllStandardOutput();
        EXPECT_EQ(process.exitCode(), run.status) << qPrintable(said);
        EXPECT_EQ(said.isEmpty(), run.says.isEmpty()) << qPrintable(said);
        for (const QString& text : run.says + QStringList{"root:", "XML_PARSE"}) {
            EXPECT_EQ(said.contains(text), run.says.contains(text)) << qPrintable(said);
        }
        EXPECT_TRUE(run.exported ? wrote.contains(run.exported) : wrote.isEmpty()) << wrote.data();
    }
}

}  // namespace
