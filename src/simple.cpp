// simple.cpp -- the game's entry point.
#include <SDL/SDL.h>

#include <cstdlib>

#include "shell/app.h"

int SDL_main(int argc, char** argv) {
    Init(argc, argv, "FPS: 60");
    Run();
    return Quit();
}

// This platform has no SDL entry shim: main stands in for it. SDL is shut down at exit, after
// the high score has been saved (handlers run in reverse order of registration).
int main(int argc, char** argv) {
    atexit(SDL_Quit);
    return SDL_main(argc, argv);
}
