// options.cpp -- "options.txt", the player's choice of window mode, scale and smoothing, read and
// written.
#include "window.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "files.h"

WindowChoice windowChoice;
bool windowChoiceMade = false;

// The options' file as both programs once shared it; each now keeps its own (OwnSaveName).
static const char* const SHARED_OPTIONS_FILE = "options.txt";
// Only this much of the options file is read: its lines need a few dozen bytes.
static const size_t OPTIONS_LIMIT = 4096;

bool ParseScale(const char* text, float* scale) {
    if (strcmp(text, "fit") == 0) {
        *scale = 0;
        return true;
    }
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value) || value < MIN_SCALE || value > MAX_SCALE)
        return false;
    *scale = value;
    return true;
}

// Applies one "key: value" line of the options file; any other line changes nothing.
static void ReadOptionLine(std::string line, WindowChoice* choice) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "mode: window") choice->fullscreen = false;
    if (line == "mode: fullscreen") choice->fullscreen = true;
    if (line == "smooth: on") choice->smooth = true;
    if (line == "smooth: off") choice->smooth = false;
    const std::string scaleKey = "scale: ";
    if (line.compare(0, scaleKey.size(), scaleKey) == 0)
        ParseScale(line.c_str() + scaleKey.size(), &choice->scale);
}

WindowChoice ReadOptions(const std::string& path) {
    WindowChoice choice;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return choice;
    std::string text(OPTIONS_LIMIT, '\0');
    text.resize(fread(&text[0], 1, text.size(), f));
    fclose(f);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        ReadOptionLine(line, &choice);
    return choice;
}

bool WriteOptions(const std::string& path, const WindowChoice& choice) {
    char scale[32] = "fit";
    if (choice.scale > 0) snprintf(scale, sizeof scale, "%g", choice.scale);
    char text[96];
    const int length = snprintf(text, sizeof text, "mode: %s\nscale: %s\n",
                                choice.fullscreen ? "fullscreen" : "window", scale);
    // The smoothing line is written only when it differs from the default.
    if (choice.smooth != WindowChoice().smooth)
        snprintf(text + length, sizeof text - length, "smooth: %s\n", choice.smooth ? "on" : "off");
    return WriteFileDurably(path, text);
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
