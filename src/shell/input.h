// input.h -- the keys the game reads: SDL's keyboard through the player's controls file, and the
// controllers.
#pragma once

#include <SDL/SDL.h>

#include <string>
#include <vector>

// The ships and the screens keep reading the keys of the default controls; these arrays hold them
// as the player's own keys and the controllers press them. With no controls file and no
// controller, both are SDL's own key-state array. A key pressed since the last frame counts as
// held in them for this frame, released or not.
//
// Per frame: the ships' keys: arrows, / and Z for player 1 (the first controller), W, S, A, D and
// B for player 2 (the second controller), and C (hits cost nothing).
const Uint8* ShipKeys();
// Per frame: the menu's and the game-over screen's keys: Up, Down, Z, / and B, and R, V and S.
// Either controller moves the selection and chooses.
const Uint8* MenuKeys();
// While a replay plays, ShipKeys and MenuKeys return these arrays (indexed by SDLKey) instead;
// nullptr for both goes back to the keyboard and the controllers.
void SubstituteKeys(const Uint8* ship, const Uint8* menu);

// The keys in force for the menu switch whose default key is key (R, V or S), as the menu's help
// line names them: "R" with the default controls, "F1" or "X/Y" once moved.
std::string MenuSwitchKeys(SDLKey key);

// The event queue's drain starts: the keys pressed since the last frame are forgotten.
void ForgetTaps();
// Notes a key press taken from the queue: the key counts as held in the next frame's ShipKeys and
// MenuKeys even when it is released before the frame reads them.
void TakeKeyEvent(const SDL_Event& event);
// Follows the controllers' sticks, d-pads and buttons: every event taken from the queue passes here.
void TakeControllerEvent(const SDL_Event& event);
// Whether an event presses the pause key or a controller's Start.
bool IsPausePress(const SDL_Event& event);

// Per run: the controllers' buttons in the layout the SDL library presents them in.
struct PadButtons {
    int south; // fires, chooses in the menu
    int start; // pauses
    int dpad;  // the first of the d-pad's four buttons (up, down, left, right), or -1 for a hat
};
PadButtons PadLayout();
// A stick pushed no further than this from its centre (of 32767) counts as centred.
constexpr int STICK_DEAD_ZONE = 8000;

// Before SDL_Init: asks sdl12-compat for its game-controller mapping, so that common pads agree on
// their buttons (a player's own setting of it is kept).
void PrepareControllers();
// After SDL_Init: opens the first two controllers.
void OpenControllers();

// Start-up: the controls file ("controls.txt" where ConfigFile puts it); each line it cannot use
// gives one message on standard error, and its action keeps the default keys.
void ReadControls();
// Reads the controls file at path in place of the bindings in force; returns one message per
// problem ("path:line: what was wrong"). A missing file leaves the defaults.
std::vector<std::string> LoadControls(const std::string& path);
// The default controls, no file read, no controller seen.
void ResetControls();

// "korvel --controls": prints the controls in force and where each came from; the exit status.
int PrintControls();
// The default controls file, with a comment on how to edit it.
std::string DefaultControlsText();
// "korvel --write-controls": writes the default controls file for editing (never over an
// existing one); the exit status.
int WriteDefaultControls();
