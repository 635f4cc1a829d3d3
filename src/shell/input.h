// input.h -- the keys the game reads: SDL's keyboard through the player's controls file, and the
// controllers.
#pragma once

#include <SDL/SDL.h>

#include <string>
#include <vector>

// The ships and the screens keep reading the keys of the default controls; these arrays hold them
// as the player's own keys, the controllers and the fingers (touch.h) press them. With no controls
// file, no controller and no finger, the ships' array is SDL's own key-state array. A key pressed
// since the last frame counts as held in them for this frame, released or not.
//
// Per frame: the ships' keys: arrows, / and Z for player 1 (the first controller), W, S, A, D and
// B for player 2 (the second controller), and C (hits cost nothing).
const Uint8* ShipKeys();
// Per frame: the menu's and the game-over screen's keys: Up, Down, Z, / and B, and R, V and S.
// Either controller moves the selection and chooses; Enter (without Alt) and Space choose too, as /.
const Uint8* MenuKeys();
// While a replay plays, ShipKeys and MenuKeys return these arrays (indexed by SDLKey) instead;
// nullptr for both goes back to the keyboard and the controllers.
void SubstituteKeys(const Uint8* ship, const Uint8* menu);

// Whether the game reads the key: a key of the controls in force, Escape, C, Enter or Space.
bool GameUsesKey(SDLKey key);

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
    int back;  // Select or Back: opens the options screen from the menu, leaves it
    int dpad;  // the first of the d-pad's four buttons (up, down, left, right), or -1 for a hat
};
PadButtons PadLayout();
// The score table's controller buttons (the game-controller layout's, and Linux's common pads'):
// north opens it from the title menu, east goes back. Like Back and the d-pad, never fire or pause.
constexpr int PAD_SCORES_BUTTON = 3;
constexpr int PAD_BACK_BUTTON = 1;
// A stick pushed no further than this from its centre (of 32767) counts as centred.
constexpr int STICK_DEAD_ZONE = 8000;

// ---------------------------------------------------------------------------------------------
// Presses, for the options screen, which takes keys and buttons one by one

// What a press asks of a screen.
enum ScreenInput {
    SCREEN_OTHER,
    SCREEN_UP,
    SCREEN_DOWN,
    SCREEN_LEFT,
    SCREEN_RIGHT,
    SCREEN_CHOOSE,
    SCREEN_BACK
};
// One key or controller button pressed.
struct Press {
    SDLKey key;        // the key, or SDLK_UNKNOWN for a controller's press
    int pad;           // the controller (0 or 1), or -1 for a key
    int button;        // the controller's button, or -1 for a key, a stick, a hat or a d-pad
    ScreenInput input; // the move or choice it asks for: player 1's and 2's keys, Return, Space
                       // and Backspace, the controllers' sticks, d-pads, south and Back buttons
};
// Start of each drain of the event queue: the presses of the drain before are forgotten.
void ClearPresses();
// The presses of the last drain of the event queue (at most the first few), oldest first, each
// taken once; none while a replay plays, as the keyboard does not reach its game.
std::vector<Press> TakePresses();
// Whether a press opens the options screen from the title menu: O, or a controller's Back.
bool IsOptionsPress(const Press& press);
// While set, the pause key and a controller's Start pause nothing: the options screen is waiting for
// the key to move an action to.
extern bool pauseKeyTaken;

// While set, MenuKeys holds nothing (the options screen has the keys instead of the menu behind it);
// once cleared, it holds nothing until every menu key has been released.
void WithholdMenuKeys(bool withhold);

// ---------------------------------------------------------------------------------------------
// Moving keys, for the options screen

// Per run: auto-fire, for players who cannot hold a key: bit 0 player 1, bit 1 player 2. While a
// player's ship moves, its fire key is held for it (the charge gun charges while the ship moves and
// shoots when it stops).
extern int autoFire;
constexpr int AUTO_FIRE_BOTH = 3;

// The actions of the controls file, in its order.
int ControlActions();
// An action's name in the controls file ("p1 fire").
const char* ControlActionName(int action);
// The keys of an action as the screens show them: "UP", "/ Z".
std::string ActionKeyNames(int action);
// Whether key may be given to an action: Escape (quit), C (hits cost nothing), F11 (fullscreen), O
// (options), T (scores) and Backspace (leaves the options screen) keep their own meaning.
bool MovableKey(SDLKey key);
// Moves an action to key alone. An action that needs the key too (one read at the same time: the
// ships' keys together, the menu's together, and the pause key with all) gives it up and takes the
// moved action's old keys in exchange; where that would still leave one key on two such actions,
// nothing is moved. Returns the action that gave the key up (the first, where several did), ACTIONS
// (ControlActions()) when none had it, or -1 when nothing moved.
int MoveKey(int action, SDLKey key);
// Whether two actions read at the same time share a key (the defaults never do).
bool KeysDoubled();
// Every action back to its default key, the controllers' buttons back to their own.
void DefaultKeys();

// The controllers' buttons that can be moved: 0 "pad fire" (the south button by default; it also
// chooses in the menus) and 1 "pad pause" (Start). In the controls file: "pad fire = button N".
int PadRoles();
const char* PadRoleName(int role);
// The button that plays the role on both controllers.
int PadRoleButton(int role);
// Moves a role to a button; a button the other role has is swapped. Back (it leaves the options
// screen), the d-pad's buttons and the score table's are refused. Returns the role that gave the button up,
// PadRoles() when none did, or -1 when nothing moved.
int MovePadButton(int role, int button);
// Writes the keys in force to the player's controls file (UserConfigFile), which the game then reads
// them from; false when the write failed.
bool WriteControls();

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
