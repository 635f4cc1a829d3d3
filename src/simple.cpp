// simple.cpp -- the game's entry point.
#include <SDL/SDL.h>

#include "shell/app.h"

int SDL_main(int argc, char** argv) {
    Init(argc, argv, "FPS: 60");
    Run();
    return Quit();
}

// This platform has no SDL entry shim: main stands in for it. Init has the sound and SDL shut
// down at exit, after the high score has been saved.
int main(int argc, char** argv) {
    return SDL_main(argc, argv);
}
