// harness.h -- what the unit tests share: a clean world, held keys and exact frames.
#pragma once

#include <SDL/SDL.h>

#include <string>
#include <vector>

#include "world/object.h"

// Deletes every object and overlay, empties the grid and particles, and puts the game's
// globals back to their start-of-run values (settings to their defaults).
void ResetWorld();
// Holds or releases a key in SDL's key-state array, as the game reads it.
void HoldKey(SDLKey key, bool held = true);
void ReleaseAllKeys();
// One frame of the object list and collision pass at fpsm 1, without the background and HUD.
void StepWorld(int frames = 1);
// The objects in the list, in order.
std::vector<Object*> Objects();
// Counts the listed objects of class T.
template <class T> int CountOf() {
    int n = 0;
    for (Object* o : Objects())
        if (dynamic_cast<T*>(o)) n++;
    return n;
}
// Reads the colour of one pixel of the back buffer (window coordinates, origin bottom left).
struct Pixel {
    int r, g, b;
};
Pixel ReadPixel(int x, int y);
// Pixel at world coordinates (origin at the centre, y up).
Pixel WorldPixel(float x, float y);
// A path in a fresh temporary folder of this test run.
std::string TempPath(const std::string& name);
