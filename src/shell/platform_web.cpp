// platform_web.cpp -- the browser's page: its entry point and main-loop driver, the high score
// written whenever it changes, SDL 1.2's key names for the controls file, controllers that the
// browser shows only once a button is pressed, and what the page hands to the game (korvel_* below).
#include "platform.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <emscripten.h>

#include <cstring>
#include <string>
#include <vector>

#include "../flow/showcase.h"
#include "../world/object.h"
#include "app.h"
#include "display.h"
#include "files.h"
#include "input.h"
#include "level_check.h"
#include "settings.h"
#include "touch.h"
#include "web.h"
#include "window.h"

// The page's file system holds the game as installed: the program here, its data in
// ../share/korvel, the player's files under $HOME, which the page keeps in the browser's storage.
static const char* const PROGRAM_PATH = "/usr/bin/korvel";

// Per run: a run the page asked to show (korvel_watch) is being watched.
static bool pageWatching = false;

// Tells the page once the run it asked to show has left the screen: played to its end, or left with
// Escape.
static void FollowPageWatch() {
    if (!pageWatching || showing == SHOW_WATCH) return;
    pageWatching = false;
    EM_ASM(Module.watchEnded());
}

// The three values of "highscore.txt".
struct SavedValues {
    int highscore, vsync;
    bool sound;
    bool operator!=(const SavedValues& o) const {
        return highscore != o.highscore || vsync != o.vsync || sound != o.sound;
    }
};
// Per run: the values as last written.
static SavedValues saved;

static SavedValues Current() {
    return {highscore, vsync, sound};
}

// The browser has no exit: "highscore.txt" is written whenever one of its values has changed.
static void SaveWhenChanged() {
    if (!(Current() != saved)) return;
    WriteHighscore();
    KeepSaves();
    saved = Current();
}

// Escape or the menu's EXIT: the loop and the sound stop, "highscore.txt" is written as at the
// desktop's exit, and the page says so; it starts the game again at a key or tap (korvel_restart).
static void EndGame() {
    emscripten_cancel_main_loop();
    Mix_HaltMusic();
    Mix_HaltChannel(-1);
    WriteHighscore();
    KeepSaves();
    EM_ASM(Module.gameEnded());
}

// One turn per display frame. The browser rests between frames itself, so a paused turn only takes
// the events.
static void WebTurn() {
    if (EM_ASM_INT(return Module.takePadsChanged())) OpenControllers();
    FollowCanvasSize();
    if (paused)
        HandleEvents();
    else
        LoopTurn();
    FollowPageWatch();
    SaveWhenChanged();
    if (quit) EndGame();
}

// ---------------------------------------------------------------------------------------------
// What the page hands to the game

// A finger on the canvas: kind 0 lands, 1 moves, 2 lifts; x and y in the canvas's pixels.
extern "C" EMSCRIPTEN_KEEPALIVE void korvel_touch(int kind, int finger, float x, float y) {
    if (kind == 0) TouchDown(finger, x, y);
    if (kind == 1) TouchMove(finger, x, y);
    if (kind == 2) TouchUp(finger);
}

// The page's pause button.
extern "C" EMSCRIPTEN_KEEPALIVE void korvel_toggle_pause() {
    TogglePause();
}

// The page was hidden: the game pauses as with its pause key, and stays paused until the player
// resumes it.
extern "C" EMSCRIPTEN_KEEPALIVE void korvel_page_hidden() {
    if (!paused) TogglePause();
}

// The browser has entered or left fullscreen: "options.txt" records the mode when it has changed.
extern "C" EMSCRIPTEN_KEEPALIVE void korvel_fullscreen_changed(int fullscreen) {
    if (windowChoice.fullscreen == (fullscreen != 0)) return;
    windowChoice.fullscreen = fullscreen != 0;
    windowChoiceMade = true;
    WriteOptions(OptionsFile(), windowChoice);
    KeepSaves();
}

// Whether a key (Emscripten's SDL number) pressed with these modifiers is the game's: the page
// leaves every other key to the browser (reload, zoom, tab, history, developer tools).
extern "C" EMSCRIPTEN_KEEPALIVE int korvel_game_key(int key, int ctrl, int alt, int meta) {
    const auto modifierPlays = [](bool held, SDLKey left, SDLKey right) {
        return !held || GameUsesKey(left) || GameUsesKey(right);
    };
    return GameUsesKey(SDLKey(key)) && modifierPlays(ctrl, SDLK_LCTRL, SDLK_RCTRL) &&
           modifierPlays(alt, SDLK_LALT, SDLK_RALT) && modifierPlays(meta, SDLK_LGUI, SDLK_RGUI);
}

// After Escape or EXIT: the game starts again at the title menu, with this run's settings and saves.
extern "C" EMSCRIPTEN_KEEPALIVE void korvel_restart() {
    if (!quit) return;
    quit = false;
    paused = false;
    while (nAnim > 0)
        RemoveAnimation(0);
    // The game that ended was saved with its replay; the new one is recorded from a fresh world.
    StartTitle();
    ResetTouch();
    // The keys pressed in the last turn of the game that ended are not the new title menu's.
    ForgetTaps();
    if (sfx::music) Mix_PlayMusic(sfx::music, -1);
    RestartFrameClock();
    emscripten_set_main_loop(WebTurn, 0, 0);
    EM_ASM(Module.gameStarted());
}

// The page has put a run's replay (from the score server) at path: the game plays it as a replay
// watched from the table, then goes back to the title menu. 0, with the reason on the console, when
// it cannot be played here (or the game has ended).
extern "C" EMSCRIPTEN_KEEPALIVE int korvel_watch(const char* path) {
    if (quit) return 0;
    pageWatching = WatchThenTitle(path);
    return pageWatching;
}

// What is wrong with a level file the player offers, in a line: the line where the game's reading
// stops and why; "" when the game can use it. The level in force is read again afterwards.
static std::string LevelProblem(const char* path) {
    LevelReport report;
    std::string error;
    const bool read = CheckLevel(path, &report, &error);
    ReadLevel();
    if (!read) return error;
    if (!report.stopped) return "";
    return "line " + std::to_string(report.stop.line) + ": " + report.stop.hintText;
}

// The same for a controls file: its first line that cannot be used, and how many more there are.
// The controls in force are read again afterwards.
static std::string ControlsProblem(const char* path) {
    std::vector<std::string> problems = LoadControls(path);
    LoadControls(ConfigFile("controls.txt"));
    if (problems.empty()) return "";
    std::string first = problems[0];
    if (first.compare(0, strlen(path), path) == 0) first.erase(0, strlen(path));
    if (first.size() > 1 && first[0] == ':' && isdigit(static_cast<unsigned char>(first[1])))
        first = "line " + first.substr(1);
    else if (!first.empty() && first[0] == ':')
        first.erase(0, 2);
    if (problems.size() > 1) first += " (and " + std::to_string(problems.size() - 1) + " more)";
    return first;
}

// The page's check of a level.txt or controls.txt (name) the player loads, written at path before it
// replaces the player's copy: what is wrong with it, or "" when the game can use it.
extern "C" EMSCRIPTEN_KEEPALIVE const char* korvel_file_problem(const char* name, const char* path) {
    static std::string problem;
    problem = strcmp(name, "level.txt") == 0 ? LevelProblem(path) : ControlsProblem(path);
    return problem.c_str();
}

int main(int argc, char** argv) {
    FindInstalledDataFolder(PROGRAM_PATH);
    Init(argc, argv, "FPS: 60");
    saved = Current();
    RestartFrameClock();
    EM_ASM(Module.gameStarted());
    if (StartPageBench()) return 0;
    emscripten_set_main_loop(WebTurn, 0, 1);
}

// ---------------------------------------------------------------------------------------------
// Keys

extern "C" Uint8* SDL_GetKeyState(int* numkeys) {
    return SDL_GetKeyboardState(numkeys);
}

// Key names: Emscripten's SDL names every key "unknown key"; the controls file uses SDL 1.2's names.

struct KeyName {
    SDLKey key;
    const char* name;
};
// Keys whose name is not their own character.
static const KeyName KEY_NAMES[] = {
    {SDLK_BACKSPACE, "backspace"},
    {SDLK_TAB, "tab"},
    {SDLK_RETURN, "return"},
    {SDLK_ESCAPE, "escape"},
    {SDLK_SPACE, "space"},
    {SDLK_DELETE, "delete"},
    {SDLK_UP, "up"},
    {SDLK_DOWN, "down"},
    {SDLK_RIGHT, "right"},
    {SDLK_LEFT, "left"},
    {SDLK_INSERT, "insert"},
    {SDLK_HOME, "home"},
    {SDLK_END, "end"},
    {SDLK_PAGEUP, "page up"},
    {SDLK_PAGEDOWN, "page down"},
    {SDLK_F1, "f1"},
    {SDLK_F2, "f2"},
    {SDLK_F3, "f3"},
    {SDLK_F4, "f4"},
    {SDLK_F5, "f5"},
    {SDLK_F6, "f6"},
    {SDLK_F7, "f7"},
    {SDLK_F8, "f8"},
    {SDLK_F9, "f9"},
    {SDLK_F10, "f10"},
    {SDLK_F11, "f11"},
    {SDLK_F12, "f12"},
    {SDLK_F13, "f13"},
    {SDLK_F14, "f14"},
    {SDLK_F15, "f15"},
    {SDLK_NUMLOCKCLEAR, "numlock"},
    {SDLK_CAPSLOCK, "caps lock"},
    {SDLK_SCROLLLOCK, "scroll lock"},
    {SDLK_RSHIFT, "right shift"},
    {SDLK_LSHIFT, "left shift"},
    {SDLK_RCTRL, "right ctrl"},
    {SDLK_LCTRL, "left ctrl"},
    {SDLK_RALT, "right alt"},
    {SDLK_LALT, "left alt"},
    {SDLK_RGUI, "right super"},
    {SDLK_LGUI, "left super"},
    {SDLK_PRINTSCREEN, "print screen"},
    {SDLK_PAUSE, "pause"},
    {SDLK_APPLICATION, "menu"},
    {SDLK_KP_0, "[0]"},
    {SDLK_KP_1, "[1]"},
    {SDLK_KP_2, "[2]"},
    {SDLK_KP_3, "[3]"},
    {SDLK_KP_4, "[4]"},
    {SDLK_KP_5, "[5]"},
    {SDLK_KP_6, "[6]"},
    {SDLK_KP_7, "[7]"},
    {SDLK_KP_8, "[8]"},
    {SDLK_KP_9, "[9]"},
    {SDLK_KP_PERIOD, "[.]"},
    {SDLK_KP_DIVIDE, "[/]"},
    {SDLK_KP_MULTIPLY, "[*]"},
    {SDLK_KP_MINUS, "[-]"},
    {SDLK_KP_PLUS, "[+]"},
    {SDLK_KP_ENTER, "enter"},
    {SDLK_KP_EQUALS, "equals"},
};
// The first and last key SDL 1.2 names by its own character.
static const int FIRST_CHARACTER = '!', LAST_CHARACTER = '~';

extern "C" const char* SDL_GetKeyName(SDL_Keycode key) {
    for (const KeyName& k : KEY_NAMES)
        if (k.key == key) return k.name;
    static char character[2];
    if (key < FIRST_CHARACTER || key > LAST_CHARACTER || (key >= 'A' && key <= 'Z')) return "unknown key";
    character[0] = static_cast<char>(key);
    return character;
}
