// display.cpp -- projections, the frame bracket and frame timing.
#include "display.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <cstdio>

#include "../world/grid.h"
#include "replay.h"

int width = 0;
int height = 0;
int hw = 0;
int hh = 0;
int qw = 0;
int qh = 0;
float CW = 0;
float CH = 0;

int start = 0;
float FPS = 0;
float fpsm = 0;
float total = 0;
float di = 1.0f;
float fpS = 0;
float Fps = 0;
float fixedFpsm = 0;

float pd[PD_SIZE];
bool blur = true;

int PolygonSides(int n) {
    return n < 0 ? 0 : n >= PD_SIZE ? PD_SIZE - 1 : n;
}

static void SetScreenGlobals(int w, int h) {
    glViewport(0, 0, w, h);
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

int preDraw() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    return 1;
}

int postDraw() {
    SDL_GL_SwapBuffers();
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
    glPointSize(2.0f);
    glLineWidth(1.1f);
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
