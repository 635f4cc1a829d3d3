// window.cpp -- the desktop window: its fitted scale, and opening, toggling and resizing the video
// mode at the window's real size.
#include "window.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "../replay/replay.h"
#include "display.h"
#include "files.h"
#include "orientation.h"

// Height kept free for a panel and the window's title bar when the window is fitted to the desktop.
static const int PANEL_ROOM = 64;
// Fitted scales are whole eighths, so both window sides stay whole pixels in both builds.
static const int SCALE_STEPS = 8;
// sdl12-compat reports itself as SDL 1.2.50 or later; the classic library ends at 1.2.15.
static const int FIRST_COMPAT_PATCH = 50;
// Samples per pixel asked for when the picture is smoothed.
static const int SMOOTH_SAMPLES = 4;

// True when a window at scale, with room for a panel below it, fits a desktop of the given size.
static bool FitsDesktop(float scale, int desktopWidth, int desktopHeight) {
    return std::lround(WINDOW_WIDTH * scale) <= desktopWidth &&
           std::lround(WINDOW_HEIGHT * scale) + PANEL_ROOM <= desktopHeight;
}

float FitScale(int desktopWidth, int desktopHeight, float largest) {
    if (desktopWidth <= 0 || desktopHeight <= 0 || FitsDesktop(largest, desktopWidth, desktopHeight))
        return largest;
    for (int steps = static_cast<int>(std::ceil(largest * SCALE_STEPS)) - 1; steps > MIN_SCALE * SCALE_STEPS;
         steps--)
        if (FitsDesktop(static_cast<float>(steps) / SCALE_STEPS, desktopWidth, desktopHeight))
            return static_cast<float>(steps) / SCALE_STEPS;
    return MIN_SCALE;
}

bool OnSdl12Compat() {
    return SDL_Linked_Version()->patch >= FIRST_COMPAT_PATCH;
}

void WindowFailed() {
    fprintf(stderr, "korvel: cannot open a %i x %i OpenGL window: %s\n", WINDOW_WIDTH, WINDOW_HEIGHT,
            SDL_GetError());
    exit(1);
}

// Per run: the desktop's size in pixels, read before the first mode set; 0 when unknown.
static int desktopWidth = 0;
static int desktopHeight = 0;
// Per run: set once the driver refused a smoothed mode; later modes ask for none.
static bool smoothRefused = false;

// The size in pixels of the window for a choice: the desktop's in fullscreen, else the world at the
// chosen scale, or at the one that fits the desktop.
static void ModeSize(const WindowChoice& choice, int* w, int* h) {
    if (choice.fullscreen && desktopWidth > 0 && desktopHeight > 0) {
        *w = desktopWidth;
        *h = desktopHeight;
        return;
    }
    const float scale = choice.scale > 0 ? choice.scale : FitScale(desktopWidth, desktopHeight);
    *w = static_cast<int>(std::lround(WINDOW_WIDTH * scale));
    *h = static_cast<int>(std::lround(WINDOW_HEIGHT * scale));
}

// Asks for multisampled buffers in the next video mode, or for none.
static void AskSamples(bool smooth) {
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, smooth ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, smooth ? SMOOTH_SAMPLES : 0);
}

// Sets a video mode of w x h pixels, smoothed when chosen and offered (quietly unsmoothed where the
// driver refuses), and fits the picture into it. False when no mode could be set.
static bool SetMode(bool fullscreen, bool smooth, int w, int h) {
    const Uint32 flags = SDL_OPENGL | SDL_DOUBLEBUF | (fullscreen ? SDL_FULLSCREEN : SDL_RESIZABLE);
    smooth = smooth && !smoothRefused;
    AskSamples(smooth);
    SDL_Surface* screen = SDL_SetVideoMode(w, h, 24, flags);
    if (!screen && smooth) {
        smoothRefused = true;
        AskSamples(false);
        screen = SDL_SetVideoMode(w, h, 24, flags);
    }
    if (!screen) return false;
    FitPicture(screen->w, screen->h);
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    return true;
}

static bool SetChosenMode(const WindowChoice& choice) {
    int w = 0, h = 0;
    ModeSize(choice, &w, &h);
    return SetMode(choice.fullscreen, choice.smooth, w, h);
}

// A chosen scale too large for the desktop shrinks to one that fits, said on standard error.
static void FitChosenScale() {
    if (windowChoice.scale <= 0) return;
    const float fitted = FitScale(desktopWidth, desktopHeight, windowChoice.scale);
    if (fitted == windowChoice.scale) return;
    fprintf(stderr, "korvel: a window at scale %g does not fit the %i x %i desktop: scale %g instead\n",
            windowChoice.scale, desktopWidth, desktopHeight, fitted);
    windowChoice.scale = fitted;
}

void OpenGameWindow() {
    const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
    if (desktop) {
        desktopWidth = desktop->current_w;
        desktopHeight = desktop->current_h;
    }
    FitChosenScale();
    if (SetChosenMode(windowChoice)) return;
    // A screen that takes no fullscreen mode still gets a window.
    if (windowChoice.fullscreen &&
        SetChosenMode(WindowChoice{false, windowChoice.scale, windowChoice.smooth}))
        return;
    WindowFailed();
}

// A picture read back before a mode change, its size in pixels and its RGB rows: a paused game
// draws no new frame, and a new mode starts empty.
struct KeptFrame {
    int width, height;
    std::vector<unsigned char> pixels;
};

static KeptFrame KeepFrame() {
    KeptFrame frame{pictureWidth, pictureHeight,
                    std::vector<unsigned char>(3 * size_t(pictureWidth) * pictureHeight)};
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(pictureX, pictureY, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE,
                 frame.pixels.data());
    glPopClientAttrib();
    return frame;
}

// Shows a kept frame again, stretched over the new mode's picture.
static void ShowFrame(const KeptFrame& frame) {
    glPushAttrib(GL_ENABLE_BIT | GL_PIXEL_MODE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    preDraw();
    glRasterPos2i(-hw, -hh);
    glPixelZoom(static_cast<float>(pictureWidth) / frame.width,
                static_cast<float>(pictureHeight) / frame.height);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.pixels.data());
    glPopClientAttrib();
    glPopAttrib();
    SDL_GL_SwapBuffers();
}

// Sets the mode of choice at w x h pixels with the frame on show kept in sight, then makes choice
// the one in effect and stores it. The old mode comes back when the new one cannot be set.
static void ChangeMode(const WindowChoice& choice, int w, int h) {
    const KeptFrame frame = KeepFrame();
    if (!SetMode(choice.fullscreen, choice.smooth, w, h)) {
        if (!SetChosenMode(windowChoice)) WindowFailed();
        return;
    }
    // The classic library's OpenGL picture takes the window's new size only at the first swap.
    ShowFrame(frame);
    ShowFrame(frame);
    windowChoice = choice;
    // A replay being played writes no options.
    if (replayMode == REPLAY_PLAY) return;
    windowChoiceMade = true;
    WriteOptions(OptionsFile(), windowChoice);
}

void ApplyWindowChoice(const WindowChoice& choice) {
    int w = 0, h = 0;
    ModeSize(choice, &w, &h);
    ChangeMode(choice, w, h);
}

void ToggleFullscreen() {
    WindowChoice toggled = windowChoice;
    toggled.fullscreen = !toggled.fullscreen;
    ApplyWindowChoice(toggled);
}

void ResizeWindow(int pixelWidth, int pixelHeight) {
    // The library also tells of the size its own mode change gave.
    if (windowChoice.fullscreen || (pixelWidth == windowPixelWidth && pixelHeight == windowPixelHeight))
        return;
    WindowChoice resized = windowChoice;
    const float scale = std::min(static_cast<float>(pixelWidth) / WINDOW_WIDTH,
                                 static_cast<float>(pixelHeight) / WINDOW_HEIGHT);
    resized.scale = std::max(MIN_SCALE, std::min(MAX_SCALE, scale));
    ChangeMode(resized, pixelWidth, pixelHeight);
}
