// window_web.cpp -- the browser's window: the page's canvas, and the browser's fullscreen.
#include "window.h"

#include <SDL/SDL.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstdlib>

#include "display.h"
#include "orientation.h"
#include "web.h"

// The browser goes fullscreen only inside a key or click handler: asked outside one, it waits for
// the next.
static void ShowFullscreen(bool fullscreen) {
    if (fullscreen)
        emscripten_request_fullscreen("#canvas", 1);
    else
        emscripten_exit_fullscreen();
}

void WindowFailed() {
    fprintf(stderr, "korvel: this browser gives no WebGL canvas: %s\n", SDL_GetError());
    exit(1);
}

void OpenGameWindow() {
    if (!SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, SDL_OPENGL | SDL_DOUBLEBUF)) WindowFailed();
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    if (windowChoice.fullscreen) ShowFullscreen(true);
}

void ToggleFullscreen() {
    windowChoice.fullscreen = !windowChoice.fullscreen;
    windowChoiceMade = true;
    ShowFullscreen(windowChoice.fullscreen);
    WriteOptions(OptionsFile(), windowChoice);
    KeepSaves();
}
