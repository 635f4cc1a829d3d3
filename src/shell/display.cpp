// display.cpp -- the picture fitted to the window, projections, the frame bracket and frame timing.
#include "display.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "../glfont.h"
#include "../replay/replay.h"
#include "../world/grid.h"
#include "app.h"
#include "orientation.h"

int width = 0;
int height = 0;
int hw = 0;
int hh = 0;
int qw = 0;
int qh = 0;
float CW = 0;
float CH = 0;

int pictureX = 0;
int pictureY = 0;
int pictureWidth = WINDOW_WIDTH;
int pictureHeight = WINDOW_HEIGHT;
float pictureScale = 1;
int windowPixelWidth = WINDOW_WIDTH;
int windowPixelHeight = WINDOW_HEIGHT;

int start = 0;
float FPS = 0;
float fpsm = 0;
float total = 0;
float di = 1.0f;
float fpS = 0;
float Fps = 0;
float fixedFpsm = 0;
bool framePresented = true;
unsigned framesShown = 0;

float pd[PD_SIZE];
bool blur = true;

int PolygonSides(int n) {
    return n < 0 ? 0 : n >= PD_SIZE ? PD_SIZE - 1 : n;
}

int Pixels(float units) {
    return static_cast<int>(std::lround(units * pictureScale));
}

void SetLineWidth(float units) {
    glLineWidth(units * pictureScale);
}

void SetPointSize(float units) {
    glPointSize(units * pictureScale);
}

// True when black bars show beside the picture: drawing is then held inside it by the scissor test,
// since wide lines and points reach past the viewport's edge.
static bool Letterboxed() {
    return pictureWidth < windowPixelWidth || pictureHeight < windowPixelHeight;
}

// Holds drawing inside the picture when bars show beside it.
static void ScissorToPicture() {
    glScissor(pictureX, pictureY, pictureWidth, pictureHeight);
    if (Letterboxed())
        glEnable(GL_SCISSOR_TEST);
    else
        glDisable(GL_SCISSOR_TEST);
}

void FitPicture(int pixelWidth, int pixelHeight) {
    windowPixelWidth = std::max(pixelWidth, 1);
    windowPixelHeight = std::max(pixelHeight, 1);
    pictureScale = std::min(static_cast<float>(windowPixelWidth) / WINDOW_WIDTH,
                            static_cast<float>(windowPixelHeight) / WINDOW_HEIGHT);
    pictureWidth = std::min(Pixels(WINDOW_WIDTH), windowPixelWidth);
    pictureHeight = std::min(Pixels(WINDOW_HEIGHT), windowPixelHeight);
    pictureX = (windowPixelWidth - pictureWidth) / 2;
    pictureY = (windowPixelHeight - pictureHeight) / 2;
    glViewport(pictureX, pictureY, pictureWidth, pictureHeight);
    ScissorToPicture();
    SetLineWidth(LINE_WIDTH);
    SetPointSize(POINT_SIZE);
    glFontUseScale(font, pictureScale);
}

static void SetScreenGlobals(int w, int h) {
    glViewport(pictureX, pictureY, Pixels(w), Pixels(h));
    hw = w / 2;
    hh = h / 2;
    qw = w / 4;
    qh = h / 4;
    width = w;
    height = h;
}

void ChangeSize(int w, int h) {
    if (h == 0) h = 1;
    SetScreenGlobals(w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-w / 2, w / 2, -h / 2, h / 2, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    CW = static_cast<float>(width / GRID_COLUMNS);
    CH = static_cast<float>(height / GRID_ROWS);
}

void ChangeSizeProj(int w, int h) {
    if (h == 0) h = 1;
    SetScreenGlobals(w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-w / 2, w / 2, -h / 2, h / 2, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Clears colour and depth of the whole window, the bars too.
static void ClearWindow() {
    glClearColor(0, 0, 0, 1);
    glDisable(GL_SCISSOR_TEST);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (Letterboxed()) glEnable(GL_SCISSOR_TEST);
}

int preDraw() {
    if (framePresented) {
        ClearWindow();
    } else {
        // An empty scissor box: every shape of a frame not presented is cut away before it reaches a
        // pixel, while the frame's own work, and its draws from rand(), stay what they are.
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 0, 0);
    }
    glLoadIdentity();
    return 1;
}

int postDraw() {
    if (framePresented) {
        SDL_GL_SwapBuffers();
        framesShown++;
    } else {
        ScissorToPicture();
    }
    if (ReplaySetsFpsm()) return 1;
    if (fixedFpsm > 0) {
        fpsm = fixedFpsm;
        return 1;
    }
    int now = static_cast<int>(SDL_GetTicks());
    if (now - start <= 0) return 1;
    FPS = static_cast<float>(now - start);
    char caption[64];
    snprintf(caption, sizeof caption, "KORVEL  (FPS: %f)", Fps);
    // The averaging window closes after about 150 frames' worth of 1/60 s (never on the first
    // measured frame, whose fpsm is still 0).
    if (fpsm > 0 && di > 150 / fpsm) {
        fpS = total / di;
        di = 1;
        total = 0;
        Fps = 1000 / fpS;
    }
    total += FPS;
    di += 1;
    SDL_WM_SetCaption(caption, nullptr);
    start = now;
    fpsm = static_cast<float>(FPS / 16.666666);
    return 1;
}

void RestartFrameClock() {
    start = static_cast<int>(SDL_GetTicks());
}

void SetDrawingState() {
    glPolygonMode(GL_FRONT, GL_FILL);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_DEPTH_TEST);
    SetPointSize(POINT_SIZE);
    SetLineWidth(LINE_WIDTH);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_POLYGON_SMOOTH);
    glEnable(GL_BLEND);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_POINT_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glHint(GL_POINT_SMOOTH_HINT, GL_NICEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    pd[0] = pd[1] = 0;
    for (int i = 2; i < PD_SIZE; i++)
        pd[i] = static_cast<float>(6.283185307179586 / i);
}
