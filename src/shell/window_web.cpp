// window_web.cpp -- the browser's window: the page's canvas, and the browser's fullscreen.
#include "window.h"

#include <SDL/SDL.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
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
    FollowCanvasSize();
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    if (windowChoice.fullscreen) ShowFullscreen(true);
}

void FollowCanvasSize() {
    double cssWidth = 0, cssHeight = 0;
    if (emscripten_get_element_css_size("#canvas", &cssWidth, &cssHeight) != EMSCRIPTEN_RESULT_SUCCESS)
        return;
    const double ratio = emscripten_get_device_pixel_ratio();
    const int w = std::max(1, static_cast<int>(std::lround(cssWidth * ratio)));
    const int h = std::max(1, static_cast<int>(std::lround(cssHeight * ratio)));
    if (w == windowPixelWidth && h == windowPixelHeight) return;
    emscripten_set_canvas_element_size("#canvas", w, h);
    FitPicture(w, h);
}

// The page, not the window manager, sizes the canvas: FollowCanvasSize keeps up with it.
void ResizeWindow(int, int) {}

void ApplyWindowChoice(const WindowChoice& choice) {
    const bool toggled = choice.fullscreen != windowChoice.fullscreen;
    windowChoice = choice;
    windowChoiceMade = true;
    if (toggled) ShowFullscreen(windowChoice.fullscreen);
    WriteOptions(OptionsFile(), windowChoice);
    KeepSaves();
}

void ToggleFullscreen() {
    WindowChoice toggled = windowChoice;
    toggled.fullscreen = !toggled.fullscreen;
    ApplyWindowChoice(toggled);
}
