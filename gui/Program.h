#pragma once

// The whole program: reads the command line, then runs the unattended export or the editor
// window. Returns the exit status. Needs QtCore only: the window and the message boxes come from
// the window module (gui/WindowModule.h), loaded when one of them is to be shown.
int RunProgram(int argc, char** argv);
