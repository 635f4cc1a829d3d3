// window.h -- the window's mode and scale: the player's choice, the options file that keeps it, and
// the video mode that shows it.
#pragma once

#include <string>

// Range of a scale factor chosen by the player.
constexpr float MIN_SCALE = 0.25f;
constexpr float MAX_SCALE = 4.0f;

// The player's choice of mode and scale.
struct WindowChoice {
    bool fullscreen = false; // the whole screen, the picture letterboxed; else a window
    float scale = 0;         // window scale factor, MIN_SCALE .. MAX_SCALE; 0: none chosen, fit the desktop
};

// Per run: the choice in effect, from "options.txt" and the command line, changed by F11 or Alt+Enter.
extern WindowChoice windowChoice;
// Per run: set once the command line or a toggle has made a choice this run; only then is
// "options.txt" written, so a run without one leaves the folder as it found it.
extern bool windowChoiceMade;

// Reads a scale factor: a whole decimal number from MIN_SCALE to MAX_SCALE. False (and *scale
// untouched) for anything else.
bool ParseScale(const char* text, float* scale);
// The choice stored at path; a missing, damaged or hostile file gives the defaults, line by line.
WindowChoice ReadOptions(const std::string& path);
// Stores choice at path durably (WriteFileDurably); false when the write failed.
bool WriteOptions(const std::string& path, const WindowChoice& choice);
// Where the options are kept: "options.txt" beside "highscore.txt".
std::string OptionsFile();

// The largest window scale, in eighths from 1 down to MIN_SCALE, that fits a desktop of the given
// size with room for a panel; 1 when the desktop's size is unknown (0).
float FitScale(int desktopWidth, int desktopHeight);
// True when the SDL 1.2 library in use is sdl12-compat (over SDL 2), not the classic one.
bool OnSdl12Compat();
// True on an SDL 1.2 that can scale an OpenGL picture (sdl12-compat with its OpenGL scaling on).
bool CanScale();

// Opens the window in the chosen mode and scale (unscaled in a window where the library cannot
// scale, said once on standard error). Exits the process with status 1 when no window opens.
void OpenGameWindow();
// Switches between window and fullscreen and remembers the choice.
void ToggleFullscreen();
// Says on standard error why no OpenGL window could be opened, and exits with status 1.
[[noreturn]] void WindowFailed();
