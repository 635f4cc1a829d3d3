// long_run.cpp -- korvel-long-run FILE MINUTES [SWEEP]: records a game of the given length with the
// game's own code and no window, for the score server's benchmarks: one player on the built-in
// level, fire and C (hits cost nothing) held throughout, the ship swept left and right, SWEEP
// frames each way (120; each sweep makes another game).
#include <cstdio>
#include <cstdlib>
#include <string>

#include <SDL/SDL.h>

#include "flow/frame.h"
#include "headless.h"
#include "replay/replay.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/settings.h"

static const int FRAMES_PER_MINUTE = 3600;
// The menu's fire key is pressed for these frames, then the game's keys are held.
static const int MENU_PRESS_FROM = 30, MENU_PRESS_TO = 40;
static const int SWEEP_FRAMES = 120;

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: %s FILE MINUTES [SWEEP]\n", argv[0]);
        return 2;
    }
    const int frames = MENU_PRESS_TO + static_cast<int>(atof(argv[2]) * FRAMES_PER_MINUTE);
    const int sweep = argc == 4 && atoi(argv[3]) > 0 ? atoi(argv[3]) : SWEEP_FRAMES;
    recordPath = argv[1];
    ResetSettings();
    StartRecording();
    StartHeadlessGame();
    fixedFpsm = 1;
    Uint8* keys = SDL_GetKeyState(nullptr);
    for (int frame = 0; frame < frames; frame++) {
        keys[SDLK_z] = frame >= MENU_PRESS_FROM && frame < MENU_PRESS_TO;
        keys[SDLK_SLASH] = keys[SDLK_c] = frame >= MENU_PRESS_TO;
        keys[SDLK_LEFT] = frame >= MENU_PRESS_TO && (frame / sweep) % 2 == 0;
        keys[SDLK_RIGHT] = frame >= MENU_PRESS_TO && (frame / sweep) % 2 == 1;
        BeginReplayFrame();
        Render();
        EndReplayFrame();
    }
    quit = true;
    FinishReplay();
    return 0;
}
