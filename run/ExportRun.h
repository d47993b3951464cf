#pragma once

#include "run/CommandLine.h"
#include "run/ProgramServices.h"
#include "settings/SettingsWriter.h"

// The unattended run of "/export": loads the configuration and the settings, saves the values back
// (with the before and after commands) and exports the templates, without a window. Every problem
// is shown through `services.dialogs`; the result is the exit status.
int RunExport(const CommandLineOptions& options, ProgramServices services);

// Shows what a save reports: why it failed, or each problem of a save that stands. Returns the
// exit status the result stands for.
int ShowSaveResult(const SaveResult& result, Dialogs& dialogs);
