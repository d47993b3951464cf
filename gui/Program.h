#pragma once

// The whole program: reads the command line, then runs the unattended export or the editor
// window. Returns the exit status. A run connects to a display only when it has a window or a
// message box to show; until then, and for /batch, /check and /diff throughout, its only
// application object is a QCoreApplication.
int RunProgram(int argc, char** argv);
