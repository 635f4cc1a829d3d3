// window.cpp -- the desktop window: its fitted scale, and opening, toggling and resizing the video
// mode at the window's real size.
#include "window.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../replay/replay.h"
#include "app.h"
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

// Video drivers that show the player no window: the classic library's text-terminal and bare
// framebuffer drivers, and SDL 2's offscreen one (under sdl12-compat), which the libraries fall back to
// when no display can be reached.
static const char* const HIDDEN_DRIVERS[] = {"aalib",   "caca", "fbcon",     "directfb",
                                             "svgalib", "ggi",  "offscreen", "dummy"};

static bool OnHiddenDriver() {
    char name[32] = "";
    if (!SDL_VideoDriverName(name, sizeof name)) return false;
    for (const char* driver : HIDDEN_DRIVERS)
        if (strcmp(name, driver) == 0) return true;
    return false;
}

void RequireDisplay() {
    const char* chosen = getenv("SDL_VIDEODRIVER");
    if (SDL_WasInit(SDL_INIT_VIDEO) && ((chosen && *chosen) || !OnHiddenDriver())) return;
    // Closed first: a text-terminal driver gives the terminal back, and the message stays in sight.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    const char* display = getenv("DISPLAY");
    if (display && *display)
        fprintf(
            stderr,
            "korvel: no display found: the X display DISPLAY=%s cannot be reached, so no window can open\n",
            display);
    else
        fprintf(stderr, "korvel: no display found: DISPLAY is not set, so no window can open (start the game "
                        "from a desktop session, or set DISPLAY)\n");
    exit(1);
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

// The window's place on the screen: the top-left corner of its frame (the window manager's
// decorations around it), in pixels from the screen's top-left corner.
struct WindowPlace {
    bool known;
    int x, y;
};
// Per run: where the window stood before it last went fullscreen; SDL 1.2 has no word for a
// window's place, so X11 tells it.
static WindowPlace placeBeforeFullscreen = {false, 0, 0};
// How many windows up from the game's own the frame is looked for (window managers reparent once
// or twice).
static const int MAX_FRAME_DEPTH = 8;

// The X11 display and the window the window manager handles (the classic library's own frame
// around its drawing window; sdl12-compat gives the drawing window only); false on another video
// driver.
static bool X11Window(SDL_SysWMinfo* info, Window* managed) {
    SDL_VERSION(&info->version);
    if (SDL_GetWMInfo(info) <= 0 || info->subsystem != SDL_SYSWM_X11 || !info->info.x11.display) return false;
    *managed = info->info.x11.wmwindow ? info->info.x11.wmwindow : info->info.x11.window;
    return *managed != 0;
}

// Ignores an X11 error: a window gone meanwhile must not end the game (Xlib's own handler exits).
static int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Runs calls on the library's X11 display, locked where the library gives a lock, with errors
// ignored; nothing when there is no X11 window.
template <class Calls> static void OnX11Window(Calls calls) {
    SDL_SysWMinfo info;
    Window managed = 0;
    if (!X11Window(&info, &managed)) return;
    Display* display = info.info.x11.display;
    if (info.info.x11.lock_func) info.info.x11.lock_func();
    XSync(display, False);
    const XErrorHandler old = XSetErrorHandler(IgnoreXError);
    calls(display, managed);
    XSync(display, False);
    XSetErrorHandler(old);
    if (info.info.x11.unlock_func) info.info.x11.unlock_func();
}

// The top-level window holding w: the window manager's frame around it, or w itself.
static Window TopLevel(Display* display, Window w) {
    for (int depth = 0; depth < MAX_FRAME_DEPTH; depth++) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, w, &root, &parent, &children, &count)) break;
        if (children) XFree(children);
        if (parent == root || parent == 0) break;
        w = parent;
    }
    return w;
}

static WindowPlace CurrentPlace() {
    WindowPlace place = {false, 0, 0};
    OnX11Window([&place](Display* display, Window managed) {
        XWindowAttributes frame;
        if (!XGetWindowAttributes(display, TopLevel(display, managed), &frame)) return;
        place = {true, frame.x, frame.y};
    });
    return place;
}

// Asks the window manager to put the window's frame at place again (a move of the window itself
// places its frame's corner, by X11's rules for managed windows).
static void MoveTo(const WindowPlace& place) {
    if (!place.known) return;
    OnX11Window(
        [&place](Display* display, Window managed) { XMoveWindow(display, managed, place.x, place.y); });
}

// A picture read back when the game paused, its size in pixels and its RGB rows: a paused game
// draws no new frame, and a new mode starts empty. It is read as the pause begins, not at the mode
// change: by then the window manager may have resized the window, and its buffer may hold anything.
// A running game shows none (no pixels): its next frame comes at once.
struct KeptFrame {
    int width, height;
    std::vector<unsigned char> pixels;
};
// Per pause: the frame on show when the game paused.
static KeptFrame pausedFrame = {0, 0, {}};

void KeepPausedFrame() {
    KeptFrame frame{pictureWidth, pictureHeight,
                    std::vector<unsigned char>(3 * size_t(pictureWidth) * pictureHeight)};
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(pictureX, pictureY, frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE,
                 frame.pixels.data());
    glPopClientAttrib();
    pausedFrame = frame;
}

// Shows a kept frame again, stretched over the new mode's picture; an empty one leaves it black.
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
    if (!frame.pixels.empty())
        glDrawPixels(frame.width, frame.height, GL_RGB, GL_UNSIGNED_BYTE, frame.pixels.data());
    glPopClientAttrib();
    glPopAttrib();
    SDL_GL_SwapBuffers();
}

// Sets the mode of choice at w x h pixels with the frame on show kept in sight, then makes choice
// the one in effect and stores it. The old mode comes back when the new one cannot be set.
static void ChangeMode(const WindowChoice& choice, int w, int h) {
    const KeptFrame none = {0, 0, {}};
    const KeptFrame& frame = paused ? pausedFrame : none;
    if (choice.fullscreen && !windowChoice.fullscreen) placeBeforeFullscreen = CurrentPlace();
    if (!SetMode(choice.fullscreen, choice.smooth, w, h)) {
        if (!SetChosenMode(windowChoice)) WindowFailed();
        return;
    }
    // Back from fullscreen, the window returns where it was.
    if (windowChoice.fullscreen && !choice.fullscreen) MoveTo(placeBeforeFullscreen);
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
