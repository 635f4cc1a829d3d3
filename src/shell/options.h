// options.h -- the player's choices beyond the window's, kept in "options.txt" beside the window's
// lines: the sound volumes, the difficulty, auto-fire and reduced flashing. Their defaults change
// nothing, and a line is written only for a choice that differs from its default.
#pragma once

#include <string>

// Steps of the two volumes: 0 (silent) to VOLUME_STEPS (the game's own volumes).
constexpr int VOLUME_STEPS = 10;

// Per run, read at start-up and changed on the options screen.
extern int musicSteps;               // 0-10: the music at musicSteps / 10 of its volume
extern int effectSteps;              // 0-10: the sound effects likewise
extern std::string difficultyChoice; // preset chosen for the next game: "easy", "normal" or "hard"
extern bool reducedFlashing;         // the brightest flashes toned down, for photosensitive players

// A mixer volume scaled by steps of VOLUME_STEPS: full at VOLUME_STEPS.
int ScaledVolume(int volume, int steps);
// Sets the mixer to the sound switch's volumes (Mix_Volume 64 and Mix_VolumeMusic 128 when on, both
// 0 when off), scaled by the chosen steps.
void ApplySoundSwitch(bool on);
// Whether the sound switch's sound is heard now: the music's volume is not 0 (the effects' when the
// music's steps are 0). The menu's S turns the sound off when it is.
bool SoundAudible();
// Start-up, once the music plays: volumes chosen below their full steps scale the mixer's own
// start-up volumes (the channels' default and the music's 128); full steps leave them alone.
void ApplyStartVolumes();

// Reads the choices above from the options file at path (lines "music: N", "effects: N",
// "difficulty: easy|normal|hard", "auto-fire: off|1|2|both", "flashing: full|reduced"); a missing or
// damaged line keeps its default.
void ReadGameChoices(const std::string& path);
// The lines of the options file for the choices that differ from their defaults.
std::string GameChoicesText();
// Every choice above (and auto-fire) back to its default.
void DefaultGameChoices();
