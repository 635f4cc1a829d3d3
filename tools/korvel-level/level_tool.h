// level_tool.h -- the korvel-level command: check, show and defaults, as text or JSON.
#pragma once

#include <cstdio>

// Runs a korvel-level command line (argv[0] is the program), writing results to out and
// messages to err. Returns the exit status: 0 all well; 1 when check finds the reading stopping
// early or a warning, or defaults refuses to replace a file; 2 when a file cannot be read or
// written, or the command line is wrong.
int RunLevelTool(int argc, char** argv, FILE* out, FILE* err);
