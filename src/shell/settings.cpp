// settings.cpp -- reading "level.txt" and "highscore.txt", writing "highscore.txt" at exit.
#include "settings.h"

#include <SDL/SDL_mixer.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "../flow/difficulty.h"
#include "app.h"
#include "files.h"

#define SETTING(name, type, value, end) type name = value;
#include "settings_table.h"
#undef SETTING

int highscore = 0;
int vsync = 0;
bool sound = true;

// The high score's file as both programs once shared it.
static const char* const SHARED_HIGHSCORE_FILE = "highscore.txt";

// The name of this program's high-score file: in a working folder (a run folder) "highscore.txt" for
// both programs, as it always was there; in the player's save folder, the program's own.
static std::string HighscoreName() {
    const bool inWorkingFolder = SaveFile(SHARED_HIGHSCORE_FILE) == SHARED_HIGHSCORE_FILE;
    return inWorkingFolder ? SHARED_HIGHSCORE_FILE : OwnSaveName(SHARED_HIGHSCORE_FILE);
}

void ResetSettings() {
#define SETTING(name, type, value, end) name = value;
#include "settings_table.h"
#undef SETTING
}

// One formatted read of "key=value" and its line end; false when the line does not match.
template <class T> static bool ReadValue(FILE* f, const char* format, T* value) {
    return fscanf(f, format, value) == 1;
}

static const char* Conversion(int) {
    return "%i";
}
static const char* Conversion(float) {
    return "%f";
}

int ReadLevelFrom(FILE* f) {
    char format[96];
    int taken = 0;
#define SETTING(name, type, value, end)                                                                      \
    snprintf(format, sizeof format, "%s=%s%s", #name, Conversion(name), end);                                \
    if (!ReadValue(f, format, &name)) return taken;                                                          \
    taken += 1;
#include "settings_table.h"
#undef SETTING
    return taken;
}

static void Tame(int& value) {
    value = std::clamp(value, -SETTING_LIMIT, SETTING_LIMIT);
}
static void Tame(float& value) {
    value = std::isfinite(value) ? std::clamp(value, -1.0f * SETTING_LIMIT, 1.0f * SETTING_LIMIT) : 1.0f;
}

void TameSettings() {
    // A damaged or hostile file may hold huge values or, for the life-bar rate, no number at all
    // (such a rate keeps its default); the seed may be any number.
    const int seed = randomNumberSeed;
#define SETTING(name, type, value, end) Tame(name);
#include "settings_table.h"
#undef SETTING
    randomNumberSeed = seed;
}

void ReadLevel() {
    FILE* f = fopen(LevelFileInForce().c_str(), "r");
    if (!f) {
        printf("ERROR LOADING LEVEL, USING DEFAULTS!\n");
        fflush(stdout);
        return;
    }
    ReadLevelFrom(f);
    fclose(f);
    TameSettings();
}

bool saveProblemTold = false;

static void TellSaveProblem(const std::string& why) {
    if (saveProblemTold) return;
    fprintf(stderr, "korvel: the high score cannot be saved: %s\n", why.c_str());
    saveProblemTold = true;
}

void ReadHighscore() {
    const std::string name = HighscoreName();
    const std::string problem = SaveProblem(name.c_str());
    if (!problem.empty()) TellSaveProblem(problem);
    // The landscape game's first start takes the score both programs shared: nothing tells whose it is.
    const std::string path =
        name == SHARED_HIGHSCORE_FILE ? SaveFile(name.c_str()) : SaveToRead(SHARED_HIGHSCORE_FILE);
    FILE* f = fopen(path.c_str(), "r");
    if (!f) {
        highscore = 0;
        return;
    }
    ReadHighscoreFrom(f);
    fclose(f);
}

void ReadHighscoreFrom(FILE* f) {
    // The game stores 0 or 1 for each switch; any other number means on. A swap interval taken as
    // it stands (say 1000) would hold every frame for seconds.
    int storedVsync = vsync, storedSound = sound ? 1 : 0;
    if (fscanf(f, "highscore: %i\n", &highscore) == 1 && fscanf(f, "vsync: %i\n", &storedVsync) == 1) {
        vsync = storedVsync != 0 ? 1 : 0;
        if (fscanf(f, "sound: %i\n", &storedSound) == 1) sound = storedSound != 0;
    }
}

// The three lines go through a temporary file and a rename: an interrupted or failed write never
// destroys the stored score.
void WriteHighscore() {
    char text[96];
    snprintf(text, sizeof text, "highscore: %i\nvsync: %i\nsound: %i\n", highscore, vsync, sound ? 1 : 0);
    const std::string path = SaveFile(HighscoreName().c_str());
    if (!WriteFileDurably(path, text)) TellSaveProblem(path + ": " + strerror(errno));
}

void Savehighscore() {
    WriteHighscore();
    if (sfx::music) {
        Mix_FreeMusic(sfx::music);
        sfx::music = nullptr;
    }
}
