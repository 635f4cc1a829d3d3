// settings.h -- the tuning values of "level.txt" and the switches kept in "highscore.txt".
#pragma once

#include <cstdio>

// Per run: tuning values, read once at start-up and never written. Each is named after its key.
#define SETTING(name, type, value, end) extern type name;
#include "settings_table.h"
#undef SETTING

// Number of tuning values in "level.txt".
constexpr int SETTINGS_COUNT = 61;

// Per run, saved at exit: the best score, the v-sync request (1 = on) and the sound switch.
extern int highscore;
extern int vsync;
extern bool sound;

// A tuning value used as a divisor or a remainder's modulus: anything below 1 acts as 1.
inline int Divisor(int value) {
    return value < 1 ? 1 : value;
}

// Reads "highscore.txt" from the working folder; a missing or short file keeps the defaults.
void ReadHighscore();
// Reads "level.txt"; prints the one error message when it cannot be opened. Stops at the first
// line that does not match its key, leaving that value and all later ones at their defaults.
void ReadLevel();
// Reads the tuning values from an open file (the body of ReadLevel), taming values that would
// overflow the game's arithmetic.
void ReadLevelFrom(FILE* f);
// Reads the three lines of "highscore.txt" from an open file (the body of ReadHighscore).
void ReadHighscoreFrom(FILE* f);
// Puts every tuning value back to its default.
void ResetSettings();
// Writes "highscore.txt" durably (WriteFileDurably), so a failed write keeps the old
// file, and frees the music. Registered with atexit.
void Savehighscore();
