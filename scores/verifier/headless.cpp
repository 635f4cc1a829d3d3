// headless.cpp -- the game started and run without a window, a GPU or sound.
#include "headless.h"

#include <cstdlib>

#include "flow/frame.h"
#include "flow/screens.h"
#include "player/pickups.h"
#include "player/player.h"
#include "replay/replay.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/settings.h"
#include "world/effects.h"

void StartHeadlessGame() {
    srand(randomNumberSeed);
    powerupat[0] = powerupat[1] = powerUpAtMultipleOf;
    FitPicture(WINDOW_WIDTH, WINDOW_HEIGHT);
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    SetDrawingState();
    AddAnimation(new Menu());
    player = nullptr;
}

void RunHeadlessFrames() {
    while (!quit) {
        BeginReplayFrame();
        Render();
        EndReplayFrame();
    }
}
