// platform_web.cpp -- the browser's shell: the page's entry point and main-loop driver, saves kept in
// the browser's storage, SDL 1.2's key names for the controls file, and controllers that the
// browser shows only once a button is pressed.
#include "platform.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <emscripten.h>

#include <string>

#include "app.h"
#include "display.h"
#include "files.h"
#include "input.h"
#include "settings.h"
#include "web.h"

const char* const MUSIC_FILE = "music1.ogg";
const bool WINDOW_CHOICES = false;

// The page's file system holds the game as installed: the program here, its data in
// ../share/korvel, the player's files under $HOME, which the page keeps in the browser's storage.
static const char* const PROGRAM_PATH = "/usr/bin/korvel";

void KeepSaves() {
    EM_ASM(Module.keepSaves());
}

void SavesWritten() {
    KeepSaves();
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
// desktop's exit, and the page says so.
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
    SaveWhenChanged();
    if (quit) EndGame();
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
