// window_web.cpp -- the browser's window: the page's canvas, and the browser's fullscreen.
#include "window.h"

#include <SDL/SDL.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "display.h"
#include "orientation.h"
#include "web.h"

void WindowFailed() {
    fprintf(stderr, "korvel: this browser gives no WebGL canvas: %s\n", SDL_GetError());
    exit(1);
}

void RequireDisplay() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) WindowFailed();
}

void OpenGameWindow() {
    if (!SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, SDL_OPENGL | SDL_DOUBLEBUF)) WindowFailed();
    FollowCanvasSize();
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    // The browser goes fullscreen only inside a key or click handler: the page asks at the first.
    if (windowChoice.fullscreen) EM_ASM(Module.fullscreenAtFirstGesture());
}

// The page judges its frame rate over this many display frames: when over half of them came late
// (under SLOW_FPS), the picture is drawn at fewer pixels, RESOLUTION_STEP times as many on a side;
// after RAISE_AFTER windows with none late (at FAST_FPS or more), at more again.
static const int JUDGED_FRAMES = 30;
static const double SLOW_FPS = 50;
static const double FAST_FPS = 57;
static const int RAISE_AFTER = 20;
static const double RESOLUTION_STEP = 0.8;

// Per run: the canvas's pixels on a side against the device's (1: sharp), the frames judged in the
// current window and how many came late, the windows in a row with none late, and the last frame's
// time (ms).
static double resolution = 1;
static int judged = 0;
static int late = 0;
static int steadyWindows = 0;
static double lastFrame = 0;

// Lowers the resolution when the page cannot keep up, raises it again when it can.
static void JudgeFrameRate() {
    const double now = emscripten_get_now();
    const double interval = now - lastFrame;
    lastFrame = now;
    if (interval > 1000 / SLOW_FPS) late++;
    if (interval > 1000 / FAST_FPS) steadyWindows = -1;
    if (++judged < JUDGED_FRAMES) return;
    if (2 * late > judged) resolution *= RESOLUTION_STEP;
    if (++steadyWindows >= RAISE_AFTER && resolution < 1) {
        resolution = std::min(1.0, resolution / RESOLUTION_STEP);
        steadyWindows = 0;
    }
    judged = late = 0;
}

// The canvas holds the picture alone: the page's own black shows beside it (the canvas's
// object-fit), so no pixel is drawn, cleared or composited for the bars.
void FollowCanvasSize() {
    JudgeFrameRate();
    double cssWidth = 0, cssHeight = 0;
    if (emscripten_get_element_css_size("#canvas", &cssWidth, &cssHeight) != EMSCRIPTEN_RESULT_SUCCESS)
        return;
    const double ratio = emscripten_get_device_pixel_ratio();
    const double sharp = std::min(cssWidth * ratio / WINDOW_WIDTH, cssHeight * ratio / WINDOW_HEIGHT);
    // Never fewer pixels than the world's own size, where the page is as large.
    resolution = std::max(resolution, std::min(1.0, 1 / sharp));
    const int w = std::max(1, static_cast<int>(std::lround(WINDOW_WIDTH * sharp * resolution)));
    const int h = std::max(1, static_cast<int>(std::lround(WINDOW_HEIGHT * sharp * resolution)));
    if (w == windowPixelWidth && h == windowPixelHeight) return;
    emscripten_set_canvas_element_size("#canvas", w, h);
    FitPicture(w, h);
}

// The browser keeps the canvas's picture through a change of size itself.
void KeepPausedFrame() {}

// The page, not the window manager, sizes the canvas: FollowCanvasSize keeps up with it.
void ResizeWindow(int, int) {}

// The options screen's fullscreen choice, the only one the browser's canvas takes: the page asks the
// browser while the key or tap that chose it still counts as the player's gesture, and
// korvel_fullscreen_changed (platform_web.cpp) records the mode once the browser has switched.
void ApplyWindowChoice(const WindowChoice& choice) {
    if (choice.fullscreen != windowChoice.fullscreen) EM_ASM(Module.toggleFullscreen());
}

// F11 and Alt+Enter: the page's own key handler has asked the browser already, the one place it
// may, and korvel_fullscreen_changed (platform_web.cpp) records the mode once the browser has switched.
void ToggleFullscreen() {}
