#pragma once

#include <QString>
#include <QStringList>

// A run of the built program as a user's shell script makes it, for the tests that check the
// status it ends with, what it says and what it writes. The script runs with sh, without a
// display, in a fresh copy of examples/ (the example's before command is "true"; its settings file,
// which holds a password, readable by its owner only, as a user keeps it), and finds there:
//   tervosetup    a function that runs the built program by its path ($TERVOSETUP), never one
//                 that the PATH finds;
//   hooks TEXT    puts TEXT in place of the example's before command element;
//   stored        notes the settings file as it is; the harness notes it before the script.
// After the script, standard output gets the outputs app.ini and server.conf, then the line
// "settings.xml changed" when the settings file is no longer the one noted, so that it shows
// everything the run wrote.
class ProgramRun {
  public:
    struct Result {
        int status;
        QString said;   // on standard error
        QString wrote;  // on standard output
    };

    // One row of a table of runs: the script, and what its run must end with.
    struct Case {
        const char* what;  // names the case in every failure
        QString script;
        int status;
        QStringList says = {};   // each on standard error, which stays empty without them
        QStringList shows = {};  // each on standard output, which stays empty without them
        QStringList hides = {};  // on neither
    };

    // Runs `script` to its end. A run still going after minutes hangs: it is ended, and what it
    // said then ends with a line that says so.
    static Result Of(const QString& script);
    // Checks what `ran` ended with against `expected`, naming the case in every failure.
    static void Check(const Case& expected, const Result& ran);
    // Runs the case's script and checks it.
    static void RunAndCheck(const Case& expected) { Check(expected, Of(expected.script)); }
};
