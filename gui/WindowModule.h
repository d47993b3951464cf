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
// a message box to show. The module holds no core of its own: its calls into the core go to the
// program's one copy, so objects pass between the two freely. Both sides are built from one tree
// and are used together only, so the interface passes the program's own types; it is no
// interface for other programs.
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

// What the module's entry function hands the program: the build the module comes from
// (TERVO_WINDOW_MODULE_BUILD, the version and an identifier of the build tree) and its window
// module, which lives as long as the process. The program uses a module of its own build only: one
// from another may lay out the types passed between them differently.
struct WindowModuleEntry {
    const char* build;
    WindowModule* module;
};

// The module's one exported function, by this name.
extern "C" Q_DECL_EXPORT const WindowModuleEntry* TervoSetupWindowModuleEntry();

// Loads the window module from where it was installed relative to the running program's real
// path (/proc/self/exe), or from beside the program, as in the build tree, and sets `*module`.
// Refuses, with a message that names the file or folder and the reason, a module that another user
// could have put or changed there (OpenTrustedFile), a damaged file, a file without the entry
// function and a module of another build. Without /proc the module is not looked for at all. The
// module stays loaded until the process ends.
Status LoadWindowModule(WindowModule** module);
