// pickups.cpp -- capsules, tokens and the drop rule.
#include "pickups.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "../shell/display.h"
#include "../shell/orientation.h"
#include "../shell/settings.h"
#include "../world/grid.h"
#include "player.h"

int powerupat[2] = {0, 0};

// Squared distance at which a token starts chasing a ship, and its chase speed.
static const float MAGNET_DISTANCE2 = 2000;
static const float CHASE_SPEED = 10;

void Powerup(float x, float y) {
    for (int k = 0; k < 2; k++)
        if (score[k] >= powerupat[k]) {
            Object* capsule = new PowerUp(x, y, rand() % 3);
            powerupat[k] = score[k] + powerUpAtMultipleOf;
            AddObject(capsule);
        }
}

PowerUp::PowerUp(float X, float Y, int Type) : Object(TYPE_ENEMY, X, Y, 0, 0) {
    data = TAG_POWERUP;
    r = 6;
    data2 = Type;
}

void PowerUp::update() {
    if (LANDSCAPE)
        x -= 2 * fpsm;
    else
        y -= 2 * fpsm;
    if (!dead) AddPointToGrid(x, y, this);
    static const float colours[3][3] = {{0, 0.5f, 1}, {1, 1, 1}, {1, 1, 0}};
    const float* c = colours[data2 >= 0 && data2 < 3 ? data2 : 0];
    glColor3f(c[0], c[1], c[2]);
    SetLineWidth(3.5f);
    glBegin(GL_LINE_LOOP);
    for (int k = 0; k < 3; k++)
        glVertex2f(x + r * cosf(k * pd[3] + data3), y + r * sinf(k * pd[3] + data3));
    glEnd();
    glColor3f(0, 0, 0);
    SetLineWidth(1.1f);
    data3 += 0.05f * fpsm;
}

void PowerUp::hit(Object*) {}

Health::Health(float X, float Y, float VX, float VY) : Object(TYPE_HEALTH, X, Y, VX, VY) {
    data = 4;
    r = 4;
}

// Moves v by step towards 0 (the sign test of the drift's damping).
static void Damp(float& v, float step) {
    v += v > 0 ? -step : step;
}

// The drift settles into a fall of about 1 per frame along the flight axis (down, or left).
static void Drift(float& across, float& along) {
    Damp(across, 0.01f * fpsm);
    if (fabsf(across) > 0.01f && fabsf(along) > 0.1f)
        Damp(along, 0.01f * fpsm);
    else {
        if (along > -1) along -= 0.02f * fpsm;
        if (along < -1) along += 0.02f * fpsm;
    }
}

static float Distance2(const Object* a, const Object* b) {
    float dx = a->x - b->x, dy = a->y - b->y;
    return dx * dx + dy * dy;
}

void Health::attract() {
    Player* ship = on == 1 ? player : on == 2 ? player2 : nullptr;
    // A ship that has left the list lets its tokens go free again.
    if (!ship) on = 0;
    if (!player) return;
    if (on == 0) {
        if (Distance2(this, player) < MAGNET_DISTANCE2) {
            on = 1;
            ship = player;
        } else if (player2 && Distance2(this, player2) < MAGNET_DISTANCE2) {
            on = 2;
            ship = player2;
        }
    }
    if (!ship) return;
    float a = atan2f(ship->y - y, ship->x - x);
    vx = CHASE_SPEED * cosf(a);
    vy = CHASE_SPEED * sinf(a);
}

void Health::update() {
    x += vx * fpsm;
    y += vy * fpsm;
    if (LANDSCAPE) {
        Drift(vy, vx);
        if (y + r > hh || y - r < -hh) vy = -vy;
        if (x + r > hw) vx = -vx;
    } else {
        Drift(vx, vy);
        if (x + r > hw || x - r < -hw) vx = -vx;
        if (y + r > hh) vy = -vy;
    }
    attract();
    glColor3f(0.1f, 1, 0.2f);
    glBegin(GL_LINE_LOOP);
    for (int k = 0; k < 4; k++)
        glVertex2f(x + r * cosf(k * pd[4] + data3), y + r * sinf(k * pd[4] + data3));
    glEnd();
    glColor3f(0, 0, 0);
    data3 += 0.5f * fpsm;
    if (!dead) AddPointToGrid(x, y, this);
}

void Health::hit(Object*) {
    dead = true;
}
