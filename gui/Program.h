#pragma once

// The whole program: reads the command line, then runs the unattended export or the editor
// window. Returns the exit status.
int RunProgram(int argc, char** argv);
