// scenes.h -- the scripted scenes of `make bench`, shared by the desktop bench and the browser's page.
#pragma once

// One scene: set up once, then every frame prepared and drawn by the real game.
struct Scene {
    const char* name;
    int frames; // frames the desktop bench times
    void (*setup)();
    void (*prepare)(); // before each frame
    void (*frame)();
};
constexpr int SCENE_COUNT = 6;
extern const Scene SCENES[SCENE_COUNT];
// The scene of the pictures compared between the desktop and the browser: the title menu, the
// background and a screen of particles, with no enemy (whose random numbers differ between the two
// C libraries).
constexpr int PICTURE_SCENE = 5;

// Every frame from now on counts as 1/60 s, whatever the clock says.
void FixFrameTime();
// Sets up scene n and draws its first `frames` frames.
void DrawScene(int n, int frames);
