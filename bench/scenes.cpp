// scenes.cpp -- the scripted scenes of `make bench`: the title menu, one player, the heaviest fight,
// and the floors of clearing and of the particles.
#include "scenes.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cstdlib>

#include "enemies/boss.h"
#include "flow/frame.h"
#include "flow/screens.h"
#include "player/player.h"
#include "shell/display.h"
#include "shell/settings.h"
#include "world/effects.h"

// The director's countdown that keeps every enemy away for the whole of a scene.
static const int NO_ENEMIES = 1000000;

// Back to a fresh run: no objects, no overlays, no particles, the counters of a new program, no key held.
static void FreshWorld() {
    KillAllObjects();
    UpdateObjects();
    ClearEffects();
    score[0] = score[1] = 0;
    rn = 0;
    boss = 0;
    td = 1;
    dist = 0;
    srand(randomNumberSeed);
    int n = 0;
    Uint8* keys = SDL_GetKeyState(&n);
    std::fill(keys, keys + n, 0);
}

// Keeps every particle record alive and visible.
static void FillParticles() {
    for (int i = 0; i < BOOM_COUNT; i++)
        if (!boom[i].valid)
            boom[i].reset(static_cast<float>(i % 480 - 240), static_cast<float>(i / 480 * 25 - 400),
                          1.0f - (i % 150) * 0.01f);
}

static void Hold(SDLKey key) {
    SDL_GetKeyState(nullptr)[key] = 1;
}

static void Nothing() {}

static void MenuScene() {
    FreshWorld();
    AddAnimation(new Menu());
}

static void OnePlayerScene() {
    FreshWorld();
    StartGame(false);
    td = 120;
    player->level[GUN_STRAIGHT] = 1;
    Hold(SDLK_SLASH);
    Hold(SDLK_c);
}

static void BossScene() {
    FreshWorld();
    StartGame(true);
    nBoss = 11;
    UpdateObjects();
    CreateBoss();
    for (Player* ship : {player, player2}) {
        ship->gun = GUN_LIGHTNING;
        ship->level[GUN_LIGHTNING] = 2;
    }
    Hold(SDLK_SLASH);
    Hold(SDLK_b);
    Hold(SDLK_c);
}

static void ClearAndSwap() {
    preDraw();
    postDraw();
}

static void ParticlesAlone() {
    preDraw();
    ChangeSize(width, height);
    glDisable(GL_POLYGON_SMOOTH);
    UpdateParticles();
    glEnable(GL_POLYGON_SMOOTH);
    postDraw();
}

static void PictureScene() {
    MenuScene();
    rn = NO_ENEMIES;
}

const Scene SCENES[SCENE_COUNT] = {
    {"title menu, director running", 3000, MenuScene, Nothing, Render},
    {"one player, td 120, straight gun firing", 3000, OnePlayerScene, Nothing, Render},
    {"twelfth boss, two lightning guns, 15000 particles", 1000, BossScene, FillParticles, Render},
    {"floor: clear and swap", 1000, FreshWorld, Nothing, ClearAndSwap},
    {"floor: 15000 squares in one batch", 1000, FreshWorld, FillParticles, ParticlesAlone},
    {"title menu and particles, no enemies", 100, PictureScene, FillParticles, Render},
};

void FixFrameTime() {
    fixedFpsm = 1;
    fpsm = 1;
}

void DrawScene(int n, int frames) {
    FixFrameTime();
    SCENES[n].setup();
    for (int i = 0; i < frames; i++) {
        SCENES[n].prepare();
        SCENES[n].frame();
    }
}
