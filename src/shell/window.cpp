// window.cpp -- the desktop window: its fitted scale, and opening and toggling the video mode.
#include "window.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "display.h"
#include "files.h"
#include "orientation.h"

// Height kept free for a panel and the window's title bar when the window is fitted to the desktop.
static const int PANEL_ROOM = 64;
// Fitted scales are whole eighths, so both window sides stay whole pixels in both builds.
static const int SCALE_STEPS = 8;
// sdl12-compat reports itself as SDL 1.2.50 or later; the classic library ends at 1.2.15.
static const int FIRST_COMPAT_PATCH = 50;

float FitScale(int desktopWidth, int desktopHeight) {
    if (desktopWidth <= 0 || desktopHeight <= 0) return 1;
    for (int steps = SCALE_STEPS; steps > MIN_SCALE * SCALE_STEPS; steps--)
        if (WINDOW_WIDTH * steps / SCALE_STEPS <= desktopWidth &&
            WINDOW_HEIGHT * steps / SCALE_STEPS + PANEL_ROOM <= desktopHeight)
            return static_cast<float>(steps) / SCALE_STEPS;
    return MIN_SCALE;
}

bool OnSdl12Compat() {
    return SDL_Linked_Version()->patch >= FIRST_COMPAT_PATCH;
}

bool CanScale() {
    const char* scaling = getenv("SDL12COMPAT_OPENGL_SCALING");
    return OnSdl12Compat() && !(scaling && std::string(scaling) == "0");
}

void WindowFailed() {
    fprintf(stderr, "korvel: cannot open a %i x %i OpenGL window: %s\n", WINDOW_WIDTH, WINDOW_HEIGHT,
            SDL_GetError());
    exit(1);
}

// Per run: the scale that fits the desktop, measured before the first window opens.
static float fitScale = 1;

// Says, once a run, that a scaled or fullscreen picture was asked for where it cannot be had.
static void SayUnscaled() {
    static bool said = false;
    if (said) return;
    said = true;
    fprintf(stderr, "korvel: this SDL 1.2 library cannot scale an OpenGL picture (sdl12-compat can): "
                    "the game runs unscaled in a window\n");
}

// Sets the video mode for the choice; sdl12-compat scales the window by its SDL12COMPAT_WINDOW_SCALING
// and letterboxes a fullscreen picture, while the game goes on drawing into a WINDOW_WIDTH x
// WINDOW_HEIGHT frame. False when no mode could be set.
static bool SetMode(const WindowChoice& choice) {
    const float scale = choice.scale > 0 ? choice.scale : fitScale;
    bool fullscreen = choice.fullscreen;
    if (!CanScale()) {
        if (fullscreen || scale != 1) SayUnscaled();
        fullscreen = false;
    } else {
        char text[32];
        snprintf(text, sizeof text, "%g", scale);
        setenv("SDL12COMPAT_WINDOW_SCALING", text, 1);
    }
    const Uint32 flags = SDL_OPENGL | SDL_DOUBLEBUF | (fullscreen ? SDL_FULLSCREEN : 0);
    if (!SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, flags)) return false;
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    return true;
}

void OpenGameWindow() {
    const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
    if (desktop) fitScale = FitScale(desktop->current_w, desktop->current_h);
    if (SetMode(windowChoice)) return;
    // A screen that takes no fullscreen mode still gets a window.
    if (windowChoice.fullscreen && SetMode(WindowChoice{false, windowChoice.scale})) return;
    WindowFailed();
}

// The frame on show, read before a mode change: sdl12-compat starts the new mode with an empty
// picture, and a paused game draws no new frame.
static std::vector<unsigned char> KeepFrame() {
    std::vector<unsigned char> pixels(WINDOW_WIDTH * WINDOW_HEIGHT * 3);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPopClientAttrib();
    return pixels;
}

// Shows a kept frame again, in the new mode.
static void ShowFrame(const std::vector<unsigned char>& pixels) {
    glPushAttrib(GL_ENABLE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(-hw, -hh);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(WINDOW_WIDTH, WINDOW_HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPopClientAttrib();
    glPopAttrib();
    SDL_GL_SwapBuffers();
}

void ToggleFullscreen() {
    if (!CanScale()) {
        SayUnscaled();
        return;
    }
    const std::vector<unsigned char> frame = KeepFrame();
    WindowChoice toggled = windowChoice;
    toggled.fullscreen = !toggled.fullscreen;
    if (!SetMode(toggled)) {
        if (!SetMode(windowChoice)) WindowFailed();
        return;
    }
    ShowFrame(frame);
    windowChoice = toggled;
    windowChoiceMade = true;
    WriteOptions(OptionsFile(), windowChoice);
}
