#pragma once

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"

// Exit statuses of the program.
enum ExitStatus : int {
    kExitOk = 0,          // everything done
    kExitIncomplete = 1,  // settings saved, but a template, an output or the after command failed
    kExitFailed = 2,      // nothing saved: bad command line, unloadable file, failed save
    kExitChanges = 3,     // /check, /diff: a save would change a file
};

// The outside world of a run.
struct ProgramServices {
    Dialogs& dialogs;
    FileSystem& files;
    ProcessLauncher& processes;
};
