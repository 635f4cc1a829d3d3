// simple.cpp -- the game's entry point.
#include <SDL/SDL.h>

#include <cstdlib>
#include <cstring>

#include "shell/app.h"
#include "shell/input.h"

int SDL_main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "--controls") == 0) return PrintControls();
    if (argc > 1 && strcmp(argv[1], "--write-controls") == 0) return WriteDefaultControls();
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
