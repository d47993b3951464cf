#pragma once

#include "CommandLine.h"
#include "ProgramServices.h"

// The unattended run of "/export": loads the configuration and the settings, saves the values back
// (with the before and after commands) and exports the templates, without a window. Every problem
// is shown through `services.dialogs`; the result is the exit status.
int RunExport(const CommandLineOptions& options, ProgramServices services);
