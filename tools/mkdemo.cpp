// mkdemo.cpp -- records a title-screen demo: the game itself, started as "korvel --record FILE",
// with a pilot at the keys who starts a one-player game, follows the enemies across the field
// firing, holds C (hits cost nothing) and plays on until the first boss has been fought for a
// while. Each frame lasts 1/60 s, so the demo is the same on any machine.
//
//     mkdemo-portrait data/demo-portrait.korvel-replay     (on an X display: `make demos`)
#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "enemies/boss.h"
#include "player/player.h"
#include "replay/replay.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "world/object.h"

// The game starts at this frame; the demo ends this long after the boss came, or at the limit.
static const unsigned START_FRAME = 30;
static const unsigned BOSS_FRAMES = 20 * 60;
static const unsigned MOST_FRAMES = 15 * 60 * 60;
// Fire is held for most of each period, and let go for the charge gun to shoot.
static const unsigned FIRE_PERIOD = 30, FIRE_HELD = 24;
// The ship stops following once this close across the field.
static const float CLOSE_ENOUGH = 8;

static float Across(const Object* o) {
    return LANDSCAPE ? o->y : o->x;
}

// The enemy nearest the ship along the flight axis (power-ups and rockets are not followed).
static const Object* Followed() {
    const Object* best = nullptr;
    for (const Object* o = firstObject; o; o = o->next) {
        const float along = LANDSCAPE ? o->x - player->x : o->y - player->y;
        const float bestAlong = best ? (LANDSCAPE ? best->x - player->x : best->y - player->y) : 1e9f;
        if (o->type == 4 && o->data >= 0 && along > 0 && along < bestAlong) best = o;
    }
    return best;
}

static void Pilot(unsigned frame) {
    Uint8* keys = SDL_GetKeyState(nullptr);
    for (SDLKey key : {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_SLASH, SDLK_c})
        keys[key] = 0;
    if (!player) {
        keys[SDLK_SLASH] = frame >= START_FRAME && frame < START_FRAME + 5;
        return;
    }
    keys[SDLK_c] = 1;
    keys[SDLK_SLASH] = frame % FIRE_PERIOD < FIRE_HELD;
    const Object* target = Followed();
    if (!target) return;
    const float gap = Across(target) - Across(player);
    if (gap > CLOSE_ENOUGH) keys[LANDSCAPE ? SDLK_UP : SDLK_RIGHT] = 1;
    if (gap < -CLOSE_ENOUGH) keys[LANDSCAPE ? SDLK_DOWN : SDLK_LEFT] = 1;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char record[] = "--record";
    char* args[] = {argv[0], record, argv[1], nullptr};
    Init(3, args, "");
    fixedFpsm = 1;
    unsigned bossFrames = 0;
    for (unsigned frame = 0; frame < MOST_FRAMES && bossFrames < BOSS_FRAMES && !quit; frame++) {
        Pilot(frame);
        LoopTurn();
        if (BOSS || bossFrames) bossFrames++;
    }
    quit = true;
    FinishReplay();
    if (bossFrames < BOSS_FRAMES) fprintf(stderr, "%s: no boss came\n", argv[0]);
    return bossFrames < BOSS_FRAMES;
}
