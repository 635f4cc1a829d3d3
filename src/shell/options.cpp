// options.cpp -- "options.txt", the player's choice of window mode, scale and smoothing, and of the
// volumes, difficulty, auto-fire and flashing, read and written.
#include "options.h"

#include <SDL/SDL_mixer.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "files.h"
#include "input.h"
#include "touch.h"
#include "window.h"

WindowChoice windowChoice;
bool windowChoiceMade = false;
int musicSteps = VOLUME_STEPS;
int effectSteps = VOLUME_STEPS;
std::string difficultyChoice = "normal";
bool reducedFlashing = false;

// The sound switch's volumes when on, and the music's at start-up; the channels start at the mixer's
// own default.
static const int EFFECTS_VOLUME = 64;
static const int MUSIC_VOLUME = 128;
static const char* const DIFFICULTIES[] = {"easy", "normal", "hard"};
static const char* const AUTO_FIRE_NAMES[] = {"off", "1", "2", "both"};

// The options' file as both programs once shared it; each now keeps its own (OwnSaveName).
static const char* const SHARED_OPTIONS_FILE = "options.txt";
// Only this much of the options file is read: its lines need a few dozen bytes.
static const size_t OPTIONS_LIMIT = 4096;

// A decimal number from low to high into *value; false (and *value untouched) for anything else.
static bool ParseInRange(const char* text, float low, float high, float* value) {
    char* end = nullptr;
    const float read = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(read) || read < low || read > high) return false;
    *value = read;
    return true;
}

bool ParseScale(const char* text, float* scale) {
    if (strcmp(text, "fit") != 0) return ParseInRange(text, MIN_SCALE, MAX_SCALE, scale);
    *scale = 0;
    return true;
}

bool ParseTouchSensitivity(const char* text, float* value) {
    return ParseInRange(text, MIN_TOUCH_SENSITIVITY, MAX_TOUCH_SENSITIVITY, value);
}

// Applies one "key: value" line of the options file; any other line changes nothing.
static void ReadOptionLine(const std::string& line, WindowChoice* choice) {
    if (line == "mode: window") choice->fullscreen = false;
    if (line == "mode: fullscreen") choice->fullscreen = true;
    if (line == "smooth: on") choice->smooth = true;
    if (line == "smooth: off") choice->smooth = false;
    const std::string scaleKey = "scale: ";
    if (line.compare(0, scaleKey.size(), scaleKey) == 0)
        ParseScale(line.c_str() + scaleKey.size(), &choice->scale);
    const std::string touchKey = "touch: ";
    if (line.compare(0, touchKey.size(), touchKey) == 0)
        ParseTouchSensitivity(line.c_str() + touchKey.size(), &touchSensitivity);
}

// The lines of the options file at path (at most OPTIONS_LIMIT bytes of it), without their "\r".
static std::vector<std::string> OptionLines(const std::string& path) {
    std::vector<std::string> lines;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return lines;
    std::string text(OPTIONS_LIMIT, '\0');
    text.resize(fread(&text[0], 1, text.size(), f));
    fclose(f);
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

WindowChoice ReadOptions(const std::string& path) {
    WindowChoice choice;
    for (const std::string& line : OptionLines(path))
        ReadOptionLine(line, &choice);
    return choice;
}

// The value of a "key: value" line, or nullptr when the line has another key.
static const char* ValueOf(const std::string& line, const char* key) {
    const size_t length = strlen(key);
    if (line.compare(0, length, key) != 0 || line.compare(length, 2, ": ") != 0) return nullptr;
    return line.c_str() + length + 2;
}

// The index of value among names, or -1.
template <size_t N> static int IndexOf(const char* value, const char* const (&names)[N]) {
    for (size_t i = 0; i < N; i++)
        if (value && strcmp(value, names[i]) == 0) return static_cast<int>(i);
    return -1;
}

// A volume's steps as written: a whole number 0-10; anything else keeps *steps.
static void ReadSteps(const char* value, int* steps) {
    if (!value || !*value || strspn(value, "0123456789") != strlen(value) || strlen(value) > 2) return;
    const int read = atoi(value);
    if (read <= VOLUME_STEPS) *steps = read;
}

void ReadGameChoices(const std::string& path) {
    for (const std::string& line : OptionLines(path)) {
        ReadSteps(ValueOf(line, "music"), &musicSteps);
        ReadSteps(ValueOf(line, "effects"), &effectSteps);
        const int difficulty = IndexOf(ValueOf(line, "difficulty"), DIFFICULTIES);
        if (difficulty >= 0) difficultyChoice = DIFFICULTIES[difficulty];
        const int fire = IndexOf(ValueOf(line, "auto-fire"), AUTO_FIRE_NAMES);
        if (fire >= 0) autoFire = fire;
        const char* flashing = ValueOf(line, "flashing");
        if (flashing && strcmp(flashing, "reduced") == 0) reducedFlashing = true;
        if (flashing && strcmp(flashing, "full") == 0) reducedFlashing = false;
    }
}

std::string GameChoicesText() {
    std::string text;
    if (musicSteps != VOLUME_STEPS) text += "music: " + std::to_string(musicSteps) + "\n";
    if (effectSteps != VOLUME_STEPS) text += "effects: " + std::to_string(effectSteps) + "\n";
    if (difficultyChoice != "normal") text += "difficulty: " + difficultyChoice + "\n";
    if (autoFire != 0) text += std::string("auto-fire: ") + AUTO_FIRE_NAMES[autoFire & AUTO_FIRE_BOTH] + "\n";
    if (reducedFlashing) text += "flashing: reduced\n";
    return text;
}

void DefaultGameChoices() {
    musicSteps = effectSteps = VOLUME_STEPS;
    difficultyChoice = "normal";
    autoFire = 0;
    reducedFlashing = false;
}

int ScaledVolume(int volume, int steps) {
    return volume * steps / VOLUME_STEPS;
}

void ApplySoundSwitch(bool on) {
    Mix_Volume(-1, on ? ScaledVolume(EFFECTS_VOLUME, effectSteps) : 0);
    Mix_VolumeMusic(on ? ScaledVolume(MUSIC_VOLUME, musicSteps) : 0);
}

bool SoundAudible() {
    return musicSteps > 0 ? Mix_VolumeMusic(-1) != 0 : Mix_Volume(-1, -1) != 0;
}

void ApplyStartVolumes() {
    if (effectSteps != VOLUME_STEPS) Mix_Volume(-1, ScaledVolume(MIX_MAX_VOLUME, effectSteps));
    if (musicSteps != VOLUME_STEPS) Mix_VolumeMusic(ScaledVolume(MUSIC_VOLUME, musicSteps));
}

bool WriteOptions(const std::string& path, const WindowChoice& choice) {
    char scale[32] = "fit";
    if (choice.scale > 0) snprintf(scale, sizeof scale, "%g", choice.scale);
    char text[128];
    int length = snprintf(text, sizeof text, "mode: %s\nscale: %s\n",
                          choice.fullscreen ? "fullscreen" : "window", scale);
    // The smoothing and touch lines are written only when they differ from the default.
    if (choice.smooth != WindowChoice().smooth)
        length += snprintf(text + length, sizeof text - length, "smooth: %s\n", choice.smooth ? "on" : "off");
    if (touchSensitivity != DEFAULT_TOUCH_SENSITIVITY)
        snprintf(text + length, sizeof text - length, "touch: %g\n", touchSensitivity);
    return WriteFileDurably(path, text + GameChoicesText());
}

std::string OptionsFile() {
    return SaveFile(OwnSaveName(SHARED_OPTIONS_FILE).c_str());
}

WindowChoice ReadSavedOptions() {
    bool adopted = false;
    WindowChoice choice = ReadOptions(SaveToRead(SHARED_OPTIONS_FILE, &adopted));
    if (!adopted) return choice;
    // The landscape game's first start: the shared file's mode and smoothing become its own, not
    // its scale, which fitted the other window's shape; written at once as its own options.
    choice.scale = WindowChoice().scale;
    windowChoiceMade = true;
    return choice;
}
