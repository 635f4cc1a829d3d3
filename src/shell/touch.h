// touch.h -- play on a touch screen: the fingers' movement and taps turned into the keys the game
// reads, so that a ship keeps its own speed and rules and a touch game replays like a keyboard's.
#pragma once

#include <SDL/SDL.h>

// Range and default of the touch sensitivity: how far the ship moves per unit of the finger's movement.
constexpr float MIN_TOUCH_SENSITIVITY = 0.1f;
constexpr float MAX_TOUCH_SENSITIVITY = 10;
constexpr float DEFAULT_TOUCH_SENSITIVITY = 1;
// Per run: the touch sensitivity in force, from the line "touch: <value>" of "options.txt".
extern float touchSensitivity;

// Reads a touch sensitivity: a decimal number from MIN_TOUCH_SENSITIVITY to MAX_TOUCH_SENSITIVITY.
// False (and *value untouched) for anything else.
bool ParseTouchSensitivity(const char* text, float* value);

// A finger comes down, moves or lifts; x and y in the window's (canvas's) pixels from its top left.
// Wherever a finger lands, its movement moves player 1's ship by as much on the screen (times the
// sensitivity), and player 1 fires while any finger is down. A finger that lands while no ship
// is in play and lifts where it landed is a tap: on the title menu it chooses the entry under
// it, on the game-over screen it leaves.
void TouchDown(int finger, float x, float y);
void TouchMove(int finger, float x, float y);
void TouchUp(int finger);

// Once per turn, after the events: what the fingers did becomes the keys of the next frame.
void FollowTouch();
// Per run: set once a finger has touched; the key arrays then hold the touch's keys too.
extern bool touchInUse;
// Presses the touch's keys of the coming frame into the ships' and the menu's arrays.
void PressTouchShipKeys(Uint8* keys);
void PressTouchMenuKeys(Uint8* keys);
// Forgets every finger and what is owed to the ship, until a finger touches again (a new start).
void ResetTouch();
