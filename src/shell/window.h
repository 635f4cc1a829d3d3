// window.h -- the window's mode, scale and smoothing: the player's choice, the options file that keeps
// it, and the video mode that shows it at the window's real size.
#pragma once

#include <string>

// Range of a scale factor chosen by the player.
constexpr float MIN_SCALE = 0.25f;
constexpr float MAX_SCALE = 4.0f;

// The player's choice of mode and scale.
struct WindowChoice {
    bool fullscreen = false; // the whole screen, the picture letterboxed; else a window
    float scale = 0;         // window scale factor, MIN_SCALE .. MAX_SCALE; 0: none chosen, fit the desktop
    bool smooth = false;     // polygon edges multisampled where the driver offers it; off by default:
                             // a software renderer loses its frame rate (BENCHMARKS.md)
};

// Per run: the choice in effect, from "options.txt" and the command line, changed by F11, Alt+Enter
// and resizing the window.
extern WindowChoice windowChoice;
// Per run: set once the command line or a toggle has made a choice this run; only then is
// "options.txt" written, so a run without one leaves the folder as it found it.
extern bool windowChoiceMade;

// Reads a scale factor: a whole decimal number from MIN_SCALE to MAX_SCALE, or "fit" (0). False (and
// *scale untouched) for anything else.
bool ParseScale(const char* text, float* scale);
// The choice stored at path; a missing, damaged or hostile file gives the defaults, line by line.
// Its "touch: <value>" line sets touchSensitivity (touch.h).
WindowChoice ReadOptions(const std::string& path);
// Stores choice, and touchSensitivity unless it is the default, at path durably (WriteFileDurably);
// false when the write failed.
bool WriteOptions(const std::string& path, const WindowChoice& choice);
// Where this program's options are kept: "options.txt" beside "highscore.txt" (their landscape
// names in the landscape game, OwnSaveName).
std::string OptionsFile();
// The options this program starts with: its own file's; on the landscape game's first start, the
// mode and smoothing of the file both programs shared, marked as a choice made, so they are written.
WindowChoice ReadSavedOptions();

// The largest window scale up to largest (itself, or whole eighths below it, down to MIN_SCALE)
// that fits a desktop of the given size with room for a panel; largest when the desktop's size is
// unknown (0).
float FitScale(int desktopWidth, int desktopHeight, float largest = 1);
// True when the SDL 1.2 library in use is sdl12-compat (over SDL 2), not the classic one.
bool OnSdl12Compat();

// Opens the window in the chosen mode, at the chosen scale fitted to the desktop (a note on standard
// error when it had to shrink), smoothed when chosen and offered. Exits the process with status 1
// when no window opens.
void OpenGameWindow();
// Keeps the frame on show as the game pauses, to show it again after a mode change while paused.
void KeepPausedFrame();
// Switches between window and fullscreen and remembers the choice.
void ToggleFullscreen();
// Shows choice at once (the browser: only its fullscreen) and remembers it.
void ApplyWindowChoice(const WindowChoice& choice);
// Sets the window's mode again at the size the window manager gave it, refits the picture and
// remembers the scale.
void ResizeWindow(int pixelWidth, int pixelHeight);
// After SDL_Init: ends the program with status 1 and a message naming DISPLAY on standard error when
// SDL's video did not start, or fell back to a driver that shows no window (a text terminal's, SDL 2's
// offscreen one) the player did not ask for with SDL_VIDEODRIVER.
void RequireDisplay();
// Says on standard error why no OpenGL window could be opened, and exits with status 1.
[[noreturn]] void WindowFailed();
