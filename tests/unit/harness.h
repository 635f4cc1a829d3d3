// harness.h -- what the unit tests share: a clean world, held keys and exact frames, and the
// helpers that place and count objects and read back what was drawn.
#pragma once

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shell/files.h"
#include "world/object.h"

class BossEnemy;
class Player;
struct GLFONT;

constexpr float PI = 3.14159265f;
// The high-score file in a working folder (both programs' name), and this program's own in the
// player's save folder (OwnSaveName).
inline const std::string HIGHSCORE_FILE = "highscore.txt";
inline const std::string OWN_HIGHSCORE_FILE = OwnSaveName("highscore.txt");
// This program's own options file (OwnSaveName).
inline const std::string OPTIONS_FILE = OwnSaveName("options.txt");

// Deletes every object and overlay, empties the grid and particles, and puts the game's
// globals back to their start-of-run values (settings to their defaults).
void ResetWorld();
// A fixture that starts and ends every test with a clean world.
class CleanWorld : public testing::Test {
  protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
};
// Holds or releases a key in SDL's key-state array, as the game reads it; ReleaseAllKeys also
// forgets the keys pressed since the last frame, and lets the menu see them all released.
void HoldKey(SDLKey key, bool held = true);
void ReleaseAllKeys();
// A key pressed, as the events of one drain of the event queue (the main loop's own handling).
void PressKey(SDLKey key);
// One frame of the object list and collision pass at fpsm 1, without the background and HUD.
void StepWorld(int frames = 1);

// ---------------------------------------------------------------- objects

// The flight axis: "along" is the axis the enemies come in on (y, in landscape x), "across" the
// other one, so that both builds run the same cases.
void Place(Object* o, float across, float along);
void Velocity(Object* o, float across, float along);
float Along(const Object* o);
float Across(const Object* o);
float AlongV(const Object* o);
float AcrossV(const Object* o);
// The edge the enemies come in through, and the side edges (as distances from the centre).
float EntryEdge();
float SideEdge();

// The objects in the list, in order.
std::vector<Object*> Objects();
// The listed objects of class T, in order.
template <class T> std::vector<T*> ObjectsOf() {
    std::vector<T*> list;
    for (Object* o : Objects())
        if (auto* t = dynamic_cast<T*>(o)) list.push_back(t);
    return list;
}
// Counts the listed objects of class T.
template <class T> int CountOf() {
    return static_cast<int>(ObjectsOf<T>().size());
}
// Appends o to the object list; returns it with its own type.
template <class T> T* Listed(T* o) {
    return static_cast<T*>(AddObject(o));
}
// Appends o to the object list at across / along.
template <class T> T* Listed(T* o, float across, float along) {
    Place(o, across, along);
    return Listed(o);
}
// Gives an enemy its radius, its sides (data) and its firing period (data2), by default a
// period too long to fire within a test.
template <class T> T* Armed(T* e, float r, int sides, int period = 1000) {
    e->r = r;
    e->data = sides;
    e->data2 = period;
    return e;
}

// Lists a ship at across / along as player 1's (p 0) or player 2's (p 1).
Player* AddShip(float across, float along, int p = 0);
// Lists a plain shot of player `owner` at across / along, flying 4 a frame towards the entry edge.
Object* AddShot(float across, float along, int owner = 0);
// The boss's satellites in the list, and those still counted in nBoss2.
std::vector<BossEnemy*> Satellites();
int SatellitesInPlay();
// The grid's nodes of o, or of all objects.
int GridNodes(const Object* o = nullptr);
// The particles in use.
int LiveParticles();
// Hits a protected o with a plain shot and a charge shot of strength 10: the plain one is
// spent, the charge shot flies on with all its strength.
void ExpectShotsAbsorbed(Object* o);

// ---------------------------------------------------------------- drawing

// One vertex that reached the rasteriser: world position (origin at the centre, y up) and
// texture coordinate.
struct FbVertex {
    float x, y, s, t;
};
using Polygons = std::vector<std::vector<FbVertex>>;
// The polygons that draw() sends down the pipeline, caught in GL feedback mode (anything else
// it sends, a point, line or bitmap, is a failure).
Polygons Feedback(const std::function<void()>& draw);
// Clears colour and depth to black and resets the model-view matrix.
void ClearFrame();
// Writes s with font f (through glFontTextOut, glFontTextOutc or glFontTextOutr) at world
// (x, y, z) and scale, as the menu and the HUD place text.
void DrawText(GLFONT* f, void (*out)(const char*), const char* s, float x, float y, float z, float scale);

// Reads the colour of one pixel of the back buffer (window coordinates, origin bottom left).
struct Pixel {
    int r, g, b;
};
Pixel ReadPixel(int x, int y);
// Pixel at world coordinates (origin at the centre, y up).
Pixel WorldPixel(float x, float y);
// The back buffer's bytes (3 or 4 channels) in a world-coordinate box, bottom row first.
std::vector<unsigned char> ReadArea(float x0, float y0, float x1, float y1, int channels = 3);
// The whole back buffer, bottom row first.
std::vector<unsigned char> ReadScreen(int channels = 3);

// ---------------------------------------------------------------- files and sound

// A path in a fresh temporary folder of this test run.
std::string TempPath(const std::string& name);
// Writes bytes to a file, replacing it; returns the path.
std::string WriteFile(const std::string& path, const std::string& bytes);
std::string WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);
// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
// Runs work with no file descriptor to spare (the open-file limit at the lowest free one, which
// binds root too): every file it tries to open or create fails.
void WithNoFileToSpare(void (*work)());
// Opens the mixer once more on SDL's dummy driver (close it with Mix_CloseAudio); call it
// through ASSERT_NO_FATAL_FAILURE.
void OpenMixer();
