// bench_web.cpp -- the bench's scenes in the browser's page. "?bench": each scene runs for a few
// seconds of display frames and the page is told its frame rate; then the heaviest runs again with
// the canvas's resolution left to the page, as in the game. "?picture=K": the picture scene's
// first K frames at the device's pixel ratio, whose picture the page is handed to compare with the
// desktop's.
#include <GL/gl.h>
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <string>
#include <vector>

#include "scenes.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/web.h"

// Frames each scene runs in the page, after a few that are not timed (shaders are built then).
static const int PAGE_FRAMES = 300;
static const int WARM_UP_FRAMES = 10;

// The scene run again with the resolution the page chooses, and the frames it has to settle first
// (the page lowers the resolution after every 30 frames mostly late).
static const int HEAVIEST_SCENE = 2;
static const int SETTLING_FRAMES = 300;

// Per bench: the scene running (SCENE_COUNT: the heaviest, at the page's resolution), the frames it
// has drawn, and when the timed ones began (ms).
static int scene = 0;
static int drawn = 0;
static double timedFrom = 0;

static void BenchTurn() {
    const bool adapting = scene == SCENE_COUNT;
    const Scene& s = SCENES[adapting ? HEAVIEST_SCENE : scene];
    const int untimed = adapting ? SETTLING_FRAMES : WARM_UP_FRAMES;
    if (drawn == 0) s.setup();
    if (adapting) FollowCanvasSize();
    s.prepare();
    s.frame();
    drawn++;
    if (drawn == untimed) timedFrom = emscripten_get_now();
    if (drawn < untimed + PAGE_FRAMES) return;
    const double fps = 1000.0 * PAGE_FRAMES / (emscripten_get_now() - timedFrom);
    const std::string name = adapting ? std::string(s.name) + ", the page's resolution (" +
                                            std::to_string(pictureScale).substr(0, 4) + " px a unit)"
                                      : s.name;
    EM_ASM({ Module.benchResult(UTF8ToString($0), $1); }, name.c_str(), fps);
    drawn = 0;
    if (++scene <= SCENE_COUNT) return;
    emscripten_cancel_main_loop();
    EM_ASM(Module.benchDone());
}

// The picture is drawn at the device's pixel ratio, the world's size times the ratio, as the desktop's
// window at that scale: one pixel a unit at a ratio of 1.
static void HandPicture(int frames) {
    const double ratio = emscripten_get_device_pixel_ratio();
    const int w = static_cast<int>(std::lround(WINDOW_WIDTH * ratio));
    const int h = static_cast<int>(std::lround(WINDOW_HEIGHT * ratio));
    emscripten_set_canvas_element_size("#canvas", w, h);
    FitPicture(w, h);
    DrawScene(PICTURE_SCENE, frames);
    std::vector<unsigned char> rgba(4 * size_t(pictureWidth) * pictureHeight);
    glReadPixels(pictureX, pictureY, pictureWidth, pictureHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EM_ASM({ Module.pictureDrawn(HEAPU8.slice($0, $0 + $1), $2, $3); }, rgba.data(), rgba.size(),
           pictureWidth, pictureHeight);
}

bool StartPageBench() {
    const int pictureFrames = EM_ASM_INT(return Module.pictureFrames || 0);
    if (pictureFrames > 0) {
        HandPicture(pictureFrames);
        return true;
    }
    if (!EM_ASM_INT(return Module.benchRequested ? 1 : 0)) return false;
    FixFrameTime();
    emscripten_set_main_loop(BenchTurn, 0, 1);
    return true;
}
