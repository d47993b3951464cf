#pragma once

#include "run/CommandLine.h"
#include "run/ProgramServices.h"
#include "settings/SettingsWriter.h"

// The unattended run of "/export": loads the configuration, then, holding the update lock of the
// settings file, loads the settings once and saves that very document back (SaveAndExport: the
// before command, the file, the templates, the after command), without a window. Every problem
// is shown through `services.dialogs`; the result is the exit status.
int RunExport(const CommandLineOptions& options, ProgramServices services);

// Shows what a save reports: why it failed, or each problem of a save that stands. Returns the
// exit status the result stands for.
int ShowSaveResult(const SaveResult& result, Dialogs& dialogs);
