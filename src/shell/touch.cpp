// touch.cpp -- the fingers' movement and taps as the keys of the ships and the menu.
#include "touch.h"

#include <algorithm>
#include <cmath>

#include "../flow/options_screen.h"
#include "../flow/screens.h"
#include "../player/player.h"
#include "app.h"
#include "display.h"

float touchSensitivity = DEFAULT_TOUCH_SENSITIVITY;
bool touchInUse = false;

// A finger that lands and lifts within this many pixels of where it landed taps.
static const float TAP_SLOP_PIXELS = 24;
// The movement still owed to the ship is bounded by the field's size times this.
static const float MAX_OWED_FIELDS = 1;
// Fingers followed at once; more are ignored.
static const int FINGERS = 10;

// Per run: the fingers down (their ids, -1 for a free slot), where each was last and where it
// landed, and whether it landed while no ship was in play (it may be a tap).
struct Finger {
    int id = -1;
    float x = 0, y = 0, landedX = 0, landedY = 0;
    bool mayTap = false;
};
static Finger fingers[FINGERS];
// Per run: the ship's movement still owed to the fingers (world units), the ship followed and
// where it was after the last frame.
static float owedX = 0, owedY = 0;
static const Player* followed = nullptr;
static float shipX = 0, shipY = 0;
// Per run: a finger has been down since the last turn; a tap waits (where, in world units); the
// menu entry a tap chose, which the menu's keys move to and then choose (-1: none).
static bool touchedSinceTurn = false;
static bool tapWaiting = false;
static float tapX = 0, tapY = 0;
static int wantedEntry = -1;

// Per frame: the keys the fingers hold, set by FollowTouch.
struct TouchKeys {
    bool up, down, left, right, fire; // player 1's ship
    bool menuUp, menuDown, menuFire;  // the menu and the game-over screen
};
static TouchKeys held{};

static Finger* FingerOf(int id) {
    for (Finger& f : fingers)
        if (f.id == id) return &f;
    return nullptr;
}

static const Player* ShipInPlay() {
    return player && !player->dead ? player : nullptr;
}

void TouchDown(int id, float x, float y) {
    touchInUse = true;
    touchedSinceTurn = true;
    Finger* f = FingerOf(id);
    if (!f) f = FingerOf(-1);
    if (!f) return;
    *f = {id, x, y, x, y, !ShipInPlay()};
}

// A distance in window pixels in world units.
static float ToWorld(float pixels) {
    return pictureScale > 0 ? pixels / pictureScale : pixels;
}

void TouchMove(int id, float x, float y) {
    Finger* f = FingerOf(id);
    if (!f) return;
    const float limitX = 2 * hw * MAX_OWED_FIELDS, limitY = 2 * hh * MAX_OWED_FIELDS;
    owedX = std::clamp(owedX + ToWorld(x - f->x) * touchSensitivity, -limitX, limitX);
    owedY = std::clamp(owedY - ToWorld(y - f->y) * touchSensitivity, -limitY, limitY);
    f->x = x;
    f->y = y;
}

void TouchUp(int id) {
    Finger* f = FingerOf(id);
    if (!f) return;
    if (f->mayTap && std::hypot(f->x - f->landedX, f->y - f->landedY) <= TAP_SLOP_PIXELS) {
        tapWaiting = true;
        tapX = ToWorld(f->x - pictureX) - hw;
        tapY = ToWorld(windowPixelHeight - f->y - pictureY) - hh;
    }
    f->id = -1;
}

// What the last frame's movement of the ship along one axis paid of what it owed, when the finger
// pressed a key that way: a ship held back (at the field's edge) owes nothing more that way. A ship
// moved by a key or a pad alone pays nothing, so the finger never pulls it back.
static void Settle(float* owed, float moved, bool pressed) {
    if (!pressed) return;
    if (moved == 0)
        *owed = 0;
    else
        *owed -= moved;
}

static void FollowShip() {
    const Player* ship = ShipInPlay();
    if (!ship)
        owedX = owedY = 0; // a finger moving on the menu moves no ship of the next game
    else if (ship == followed) {
        Settle(&owedX, ship->x - shipX, held.left || held.right);
        Settle(&owedY, ship->y - shipY, held.up || held.down);
    }
    followed = ship;
    if (ship) shipX = ship->x, shipY = ship->y;
    // The ship stops within half a step (at the coming frame's fpsm) of where the finger has taken it.
    const float near = SHIP_SPEED * std::max(1.0f, fpsm) / 2;
    held.right = owedX > near;
    held.left = owedX < -near;
    held.up = owedY > near;
    held.down = owedY < -near;
    bool down = touchedSinceTurn;
    for (const Finger& f : fingers)
        down = down || f.id >= 0;
    held.fire = down;
    touchedSinceTurn = false;
}

// A tap on the menu moves the selection to its entry (the shorter way round), then chooses it; on
// the menu's "O: OPTIONS" it opens the options screen, whose rows it then works; a tap elsewhere
// leaves the game-over screen.
static void FollowTaps() {
    held.menuUp = held.menuDown = held.menuFire = false;
    const int selected = MenuSelection();
    if (tapWaiting) {
        tapWaiting = false;
        if (TapOptions(tapX, tapY))
            wantedEntry = -1;
        else if (selected < 0)
            held.menuFire = true;
        else
            wantedEntry = MenuEntryAt(tapY);
    }
    if (wantedEntry < 0) return;
    if (selected < 0) {
        wantedEntry = -1;
    } else if (selected == wantedEntry) {
        held.menuFire = true;
        wantedEntry = -1;
    } else {
        const bool down = (wantedEntry - selected + 3) % 3 == 1;
        held.menuDown = down;
        held.menuUp = !down;
    }
}

void FollowTouch() {
    if (!touchInUse || paused) return;
    FollowShip();
    FollowTaps();
}

void PressTouchShipKeys(Uint8* keys) {
    keys[SDLK_UP] |= held.up;
    keys[SDLK_DOWN] |= held.down;
    keys[SDLK_LEFT] |= held.left;
    keys[SDLK_RIGHT] |= held.right;
    keys[SDLK_SLASH] |= held.fire;
}

void PressTouchMenuKeys(Uint8* keys) {
    keys[SDLK_UP] |= held.menuUp;
    keys[SDLK_DOWN] |= held.menuDown;
    keys[SDLK_SLASH] |= held.menuFire;
}

void ResetTouch() {
    touchInUse = false;
    for (Finger& f : fingers)
        f.id = -1;
    owedX = owedY = 0;
    followed = nullptr;
    touchedSinceTurn = tapWaiting = false;
    wantedEntry = -1;
    held = {};
}
