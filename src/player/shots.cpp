// shots.cpp -- flight, grid entry and drawing of the player's shots.
#include "shots.h"

#include <GL/gl.h>

#include "../shell/display.h"
#include "../shell/orientation.h"
#include "../world/grid.h"

bool chargebullet[2] = {false, false};

Pbullet::Pbullet(float X, float Y, float VX, float VY, int P) : Object(TYPE_SHOT, X, Y, VX, VY) {
    data4 = P;
    data = 2;
}

void Pbullet::update() {
    x += vx * fpsm;
    y += vy * fpsm;
    if (!dead) AddPointToGrid(x, y, this);
    // A needle: a base across the shot, a tail five steps behind and a nose half a step ahead.
    glColor3f(0, 0.5f, 1);
    glBegin(GL_TRIANGLES);
    glVertex2f(x + 0.5f * vy, y - 0.5f * vx);
    glVertex2f(x - 0.5f * vy, y + 0.5f * vx);
    glVertex2f(x - 5 * vx, y - 5 * vy);
    glVertex2f(x + 0.5f * vy, y - 0.5f * vx);
    glVertex2f(x - 0.5f * vy, y + 0.5f * vx);
    glVertex2f(x + 0.5f * vx, y + 0.5f * vy);
    glEnd();
    glColor3f(0, 0, 0);
}

void Pbullet::hit(Object*) {
    dead = true;
}

PChargebullet::PChargebullet(float X, float Y, float VX, float VY, int P, int Charge)
    : Object(TYPE_SHOT, X, Y, VX, VY) {
    data4 = P;
    data = TAG_CHARGE_SHOT;
    data2 = Charge;
}

void PChargebullet::update() {
    x += vx * fpsm;
    y += vy * fpsm;
    // The needle shrinks as the charge is spent.
    const float c = static_cast<float>(data2 / 3);
    glColor3f(1, 1, 1);
    glBegin(GL_TRIANGLES);
    if (LANDSCAPE) {
        glVertex2f(x, y + c);
        glVertex2f(x, y - c);
        glVertex2f(x - c * vx, y - c * vy);
        glVertex2f(x, y + c);
        glVertex2f(x, y - c);
        glVertex2f(x + c, y);
    } else {
        glVertex2f(x + c, y);
        glVertex2f(x - c, y);
        glVertex2f(x - c * vx, y - c * vy);
        glVertex2f(x + c, y);
        glVertex2f(x - c, y);
        glVertex2f(x, y + c);
    }
    glEnd();
    glColor3f(0, 0, 0);
    if (data2 <= 0) {
        dead = true;
        if (data4 == 0 || data4 == 1) chargebullet[data4] = false;
    }
    if (!dead) AddPointToGrid(x, y, this);
}

void PChargebullet::hit(Object*) {}
