// settings.h -- the tuning values of "level.txt" and the switches kept in "highscore.txt".
#pragma once

#include <cstdio>

// Per run: tuning values, read once at start-up and never written. Each is named after its key.
#define SETTING(name, type, value, end) extern type name;
#include "settings_table.h"
#undef SETTING

// Number of tuning values in "level.txt".
constexpr int SETTINGS_COUNT = 61;
// Largest magnitude a tuning value may have: beyond it the game's own arithmetic would overflow.
// No sensible setting comes near it (a million frames is over four hours).
constexpr int SETTING_LIMIT = 1000000;

// Per run, saved at exit: the best score, the v-sync request (1 = on) and the sound switch.
extern int highscore;
extern int vsync;
extern bool sound;
// Per run: set once the player has been told on standard error that the score cannot be saved, so
// they are told only once.
extern bool saveProblemTold;

// A tuning value used as a divisor or a remainder's modulus: anything below 1 acts as 1.
inline int Divisor(int value) {
    return value < 1 ? 1 : value;
}

// Reads "highscore.txt" (SaveFile); a missing or short file keeps the defaults. Says on standard
// error when the score cannot be saved, and why.
void ReadHighscore();
// Reads "level.txt"; prints the one error message when it cannot be opened. Stops at the first
// line that does not match its key, leaving that value and all later ones at their defaults.
void ReadLevel();
// Reads the tuning values from an open file (the body of ReadLevel) and returns how many it took;
// the file is left where the reading stopped.
int ReadLevelFrom(FILE* f);
// Holds the values just read where the game can use them (ReadLevel does this after reading):
// every value but randomNumberSeed within SETTING_LIMIT either way, a lifeBarRate that is not a
// number back to 1.
void TameSettings();
// Reads the three lines of "highscore.txt" from an open file (the body of ReadHighscore).
void ReadHighscoreFrom(FILE* f);
// Puts every tuning value back to its default.
void ResetSettings();
// Writes "highscore.txt" durably (WriteFileDurably), so a failed write keeps the old file; a
// failed save is told on standard error, unless ReadHighscore already said why.
void WriteHighscore();
// WriteHighscore, then frees the music. Registered with atexit.
void Savehighscore();
