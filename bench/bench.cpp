// bench.cpp -- times scripted scenes of the real game, frame by frame, in its real window.
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "scenes.h"

#include "shell/app.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/window.h"

using Clock = std::chrono::steady_clock;

// The game's own heap: every operator new of the game's code is counted (the system's OpenGL
// and SDL libraries allocate with malloc and are not).
static size_t heapNow = 0, heapPeak = 0;

void* operator new(size_t size) {
    size_t* block = static_cast<size_t*>(malloc(size + sizeof(size_t) * 2));
    if (!block) throw std::bad_alloc();
    block[0] = size;
    heapNow += size;
    heapPeak = std::max(heapPeak, heapNow);
    return block + 2;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    size_t* block = static_cast<size_t*>(p) - 2;
    heapNow -= block[0];
    free(block);
}
void operator delete(void* p, size_t) noexcept {
    operator delete(p);
}
void* operator new[](size_t size) {
    return operator new(size);
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete[](void* p, size_t) noexcept {
    operator delete(p);
}

// When the frame reached the buffer swap: everything before it is the game's own drawing work.
static Clock::time_point swapStarted;
extern "C" void __real_SDL_GL_SwapBuffers();
// When set, every frame's picture is read into it just before the swap (the back buffer, where
// every SDL 1.2 library has it).
static std::vector<unsigned char>* pictureRead = nullptr;
extern "C" void __wrap_SDL_GL_SwapBuffers() {
    if (pictureRead) glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pictureRead->data());
    swapStarted = Clock::now();
    __real_SDL_GL_SwapBuffers();
}

struct Result {
    const char* name;
    int frames;
    double median, p99, fps, beforeSwap;
};

static double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs `frames` frames of `frame`, calling `prepare` before each, and measures them.
static Result Measure(const char* name, int frames, const std::function<void()>& prepare,
                      const std::function<void()>& frame) {
    std::vector<double> times;
    double total = 0, before = 0;
    for (int i = 0; i < frames; i++) {
        prepare();
        Clock::time_point begin = Clock::now();
        swapStarted = begin;
        frame();
        Clock::time_point end = Clock::now();
        times.push_back(Ms(end - begin));
        total += Ms(end - begin);
        before += Ms(swapStarted - begin);
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double p99 = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    return {name, frames, median, p99, 1000.0 * frames / total, total > 0 ? before / total : 0};
}

// CPU time the whole process (every thread) has used so far, in seconds, from its own accounting.
static double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// How long the paused main loop runs (ms), and in the short run.
static const int PAUSED_MS = 5000;
static const int SHORT_PAUSED_MS = 200;
// Frames of each scene in the short run.
static const int SHORT_FRAMES = 5;
// Only the unscaled, unsmoothed window runs every scene's whole count of frames; the other pictures
// cost more a frame and run this many times fewer, so the whole set fits in a few minutes.
static const int FRAME_DIVISOR = 20;

// Per run: set by KORVEL_BENCH_SHORT=1, a run of a handful of frames that checks the program's
// ways in and out, not its speed.
static bool shortRun = false;
// Per run: the picture is the unscaled window's, without multisampling.
static bool plainWindow = false;

static int Frames(int full) {
    if (shortRun) return SHORT_FRAMES;
    return plainWindow ? full : full / FRAME_DIVISOR;
}

// The game's real main loop, paused, until a SIGTERM (as from the user) ends it after
// pausedMs: the share of one core the process used meanwhile. Run returns only once per
// program, so this comes last.
static double PausedCpuShare(int pausedMs) {
    paused = true;
    std::thread stopper([pausedMs] {
        std::this_thread::sleep_for(std::chrono::milliseconds(pausedMs));
        kill(getpid(), SIGTERM);
    });
    const double cpu = CpuSeconds();
    const Clock::time_point begin = Clock::now();
    Run();
    const double share = (CpuSeconds() - cpu) / (Ms(Clock::now() - begin) / 1000);
    stopper.join();
    return share;
}

// Draws the picture scene's first frames and writes the picture on show as a binary PPM file.
static int WritePicture(int frames, const char* path) {
    std::vector<unsigned char> rgb(3 * width * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    pictureRead = &rgb;
    DrawScene(PICTURE_SCENE, frames);
    pictureRead = nullptr;
    FILE* f = fopen(path, "wb");
    if (!f) return 1;
    fprintf(f, "P6\n%d %d\n255\n", width, height);
    for (int row = height - 1; row >= 0; row--)
        fwrite(&rgb[3 * width * row], 1, 3 * width, f);
    return fclose(f) == 0 ? 0 : 1;
}

// korvel-bench: times every scene. korvel-bench --picture FRAMES FILE: the picture scene after
// FRAMES frames, for comparing with the browser's.
int main(int argc, char** argv) {
    const char* quick = getenv("KORVEL_BENCH_SHORT");
    shortRun = quick && std::string(quick) == "1";
    Init(0, nullptr, "FPS: 60");
    if (argc == 4 && std::string(argv[1]) == "--picture") return WritePicture(atoi(argv[2]), argv[3]);
    const SDL_version* sdl = SDL_Linked_Version();
    int samples = 0;
    SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples);
    printf("SDL %i.%i.%i (%s), %s, picture %i x %i in %i x %i, %i samples a pixel\n", sdl->major, sdl->minor,
           sdl->patch, OnSdl12Compat() ? "sdl12-compat" : "classic SDL 1.2",
           LANDSCAPE ? "landscape" : "portrait", pictureWidth, pictureHeight, windowPixelWidth,
           windowPixelHeight, samples);
    plainWindow = pictureScale == 1 && samples == 0;
    std::vector<Result> results;
    for (const Scene& scene : SCENES) {
        FixFrameTime();
        scene.setup();
        results.push_back(Measure(scene.name, Frames(scene.frames), scene.prepare, scene.frame));
    }

    printf("%-52s %7s %10s %10s %9s %12s\n", "scene", "frames", "median ms", "p99 ms", "fps", "before swap");
    for (const Result& r : results)
        printf("%-52s %7d %10.3f %10.3f %9.1f %11.0f%%\n", r.name, r.frames, r.median, r.p99, r.fps,
               100 * r.beforeSwap);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    printf("peak resident memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    printf("game heap at its peak: %.2f MB\n", heapPeak / (1024.0 * 1024.0));
    // The paused loop draws nothing: measured once, in the plain window.
    if (!plainWindow) return 0;
    fflush(stdout);
    const int pausedMs = shortRun ? SHORT_PAUSED_MS : PAUSED_MS;
    printf("paused for %g s: %.2f%% of one core (the whole process)\n", pausedMs / 1000.0,
           100 * PausedCpuShare(pausedMs));
    return 0;
}
