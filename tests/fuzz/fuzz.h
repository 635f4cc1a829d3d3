// fuzz.h -- what the fuzz targets share: the input as a file, and the game's own start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The input as an open read-only file (fclose it), as the game's readers get their files.
FILE* InputFile(const uint8_t* data, size_t size);
// The input written to a file of this process; returns its path (the same one every call).
std::string InputPath(const uint8_t* data, size_t size);
// The game's start-up, window, mixer and font included, in the current folder (the run folder,
// whose highscore.txt the game rewrites at exit). Needs DISPLAY and SDL_AUDIODRIVER=dummy.
void StartGameProgram();
// Stops the run: the fuzzer takes it as a finding.
[[noreturn]] void Finding(const char* what);
