#pragma once

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/ProcessLauncher.h"
#include "platform/Status.h"
#include "run/CommandLine.h"

#include <memory>

// Everything of the program that needs QtWidgets, as the start-up sees it. The program itself
// links QtCore and libxml2 only, so that a run without a window starts without loading the dozens
// of window system libraries; it loads the window module (tervosetup-gui) when it has a window or
// a message box to show. Both sides are built from one tree and are used together only, so the
// interface passes the program's own types; it is no interface for other programs.
class WindowModule {
  public:
    // Connects to the display for the message boxes of a run without a window. Null when no
    // display can be reached. The boxes keep the connection as long as they live. `argc` and
    // `argv` are the program's; they are copied.
    virtual std::unique_ptr<Dialogs> OpenMessageBoxes(int argc, char** argv) = 0;

    // Connects to the display and runs the editor window on `options` until it is closed; returns
    // the exit status. When no display can be reached, says so on standard error and returns
    // kExitFailed.
    virtual int RunEditor(int argc, char** argv, const CommandLineOptions& options,
                          FileSystem& files, ProcessLauncher& processes) = 0;

  protected:
    ~WindowModule() = default;
};

// The module's one exported function, by this name: its WindowModule, which lives as long as
// the process.
extern "C" Q_DECL_EXPORT WindowModule* TervoSetupWindowModule();

// Loads the window module from where the installation puts it relative to the running program
// (`argv0` is its argv[0], for where /proc cannot tell), or from beside the program, as in the
// build tree, and sets `*module`. On failure the message names the file and the loader's reason.
// The module stays loaded until the process ends.
Status LoadWindowModule(const char* argv0, WindowModule** module);
