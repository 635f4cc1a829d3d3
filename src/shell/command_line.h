// command_line.h -- the options the game takes on its command line.
#pragma once

// What ParseCommandLine asks of the caller: go on starting the game, or end with a status.
constexpr int START_GAME = -1;
// Exit status for a command line the game does not understand.
constexpr int USAGE_ERROR = 2;

// Reads the options in argv[1 .. argc - 1] in order: --fullscreen, --window and --scale F set
// windowChoice (and windowChoiceMade); --record and --replay set recordPath and playPath;
// --controls, --write-controls and --replays print or write the key bindings or the recorded games
// and end the program with their status; --help prints the usage on standard output and --version
// the version, each ending the program with status 0; anything else, and --record with --replay,
// prints what is wrong and the usage on standard error and ends it with USAGE_ERROR. Returns START_GAME or
// the exit status.
int ParseCommandLine(int argc, char** argv);
