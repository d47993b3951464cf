#pragma once

#include "run/CommandLine.h"
#include "run/Overrides.h"
#include "run/ProgramServices.h"
#include "run/RunOutput.h"
#include "session/EditSession.h"

// The runs without a window. Each loads the configuration and the settings file into an
// EditSession and saves, or previews the save, without a window. Every problem is shown through
// `services.dialogs`, every warning (SaveResult::warnings) goes to `output`; the result is the exit
// status. Every line of a message, a warning and the report of /check that holds a secret of the
// run (EditSession::Secrets) is held back; /diff holds back its own (SaveDiff). Each run first
// warns of what the configuration and the settings file hold that works, but hardly as meant
// (Configuration::Warnings, EditSession::LoadWarnings).
//  - "/export": the before command, the settings file, the templates, the after command
//    (EditSession::Save). A settings file that another save changed after the load is saved as
//    that save left it. No lock is held while a message is shown.
//  - "/check" and "/diff" (also with "/export"): computes the same files and writes none of them,
//    starts no command and takes no lock. Reports the paths of the files whose bytes would change,
//    one per line, or their diff (WriteFileDiff), which `patch -p1` applies, with the value of
//    every password hidden (SaveDiff). A file whose change a diff cannot carry (not a regular
//    file, a symlink, one outside the configuration's folder, one that cannot be read, either
//    version larger than 1 GiB, one whose passwords cannot be found) is left out of the diff with
//    a message that says why, and the run ends with 1. Status 3 when a file would change, 0 when
//    none would; a problem gives 1 or 2 as for /export. Each file is compared as it is computed,
//    and only /diff holds one, both versions of it, at a time.
//  - Each warning about the files (Configuration::Warnings, EditSession::LoadWarnings) goes to
//    `output` first.
//  - "/strict": a warning makes /check and /diff end with 1. /export ends with 1 before it
//    writes anything after a warning about the files (with 2 for a value at fault), and
//    otherwise first does the whole save on a file system that writes nothing
//    (SaveOptions::trialFirst): when that trial warns or has a problem, it writes nothing,
//    starts no command and ends with 1.
//  - "/set:", "/env:" (read from `environment`) and "/values:" (read through `services.files`, or
//    from `standardInput`): values for this run in place of the settings file's
//    (ApplyValueOptions). They are checked like the others, exported, and seen by /check and
//    /diff in the outputs; the settings file keeps its own values. A value for a variable that no
//    item declares, or one that cannot be read, ends the run with 2 before anything is written.
//  - An option the program does not know ends the run with 2 before anything is read, named
//    without its value: a run that nobody watches does not guess what it was meant to do.
int RunExport(const CommandLineOptions& options, ProgramServices services, RunOutput& output,
              const EnvironmentBytes& environment = SystemEnvironmentBytes(),
              ByteSource* standardInput = nullptr);

// Shows what a save of `settingsFile` reports: why it failed (the values that break their rules,
// named after the file), or each problem of a save that stands. A save the user stopped shows
// nothing. Returns the exit status the result stands for.
int ShowSaveResult(const SaveResult& result, const QString& settingsFile, Dialogs& dialogs);
