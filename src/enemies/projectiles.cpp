// projectiles.cpp -- flight, drawing and ends of the enemies' shots.
#include "projectiles.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "../player/player.h"
#include "../shell/display.h"
#include "../shell/orientation.h"
#include "../shell/settings.h"
#include "../world/effects.h"
#include "../world/grid.h"

void RandomFieldPoint(float* px, float* py) {
    *px = static_cast<float>(rand() % width - hw);
    *py = static_cast<float>(rand() % height - hh);
}

bool BeyondExitEdges(float x, float y, float r) {
    if (y + r < -hh || x + r < -hw) return true;
    return LANDSCAPE ? y - r > hh : x - r > hw;
}

bool LeavingThroughEntry(const Object* o) {
    return LANDSCAPE ? o->x - o->r > hw && o->vx >= 0 : o->y - o->r > hh && o->vy >= 0;
}

Ebullet::Ebullet(float X, float Y, float VX, float VY) : Object(TYPE_BULLET, X, Y, VX, VY) {
    data = 2;
}

void Ebullet::update() {
    x += vx * fpsm;
    y += vy * fpsm;
    if (!dead) AddPointToGrid(x, y, this);
    // A dart 2 speeds wide across the centre, its tip one speed ahead and its tail 13 behind.
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(x + vy, y - vx);
    glVertex2f(x - vy, y + vx);
    glVertex2f(x - 13 * vx, y - 13 * vy);
    glVertex2f(x + vy, y - vx);
    glVertex2f(x - vy, y + vx);
    glVertex2f(x + vx, y + vy);
    glEnd();
    glColor3f(0, 0, 0);
}

void Ebullet::hit(Object*) {
    dead = true;
}

EbulletBig::EbulletBig(float X, float Y, float VX, float VY) : Object(TYPE_ENEMY, X, Y, VX, VY) {
    data = TAG_ENEMY_SHOT;
    r = static_cast<float>(circleBulletRadius);
}

void EbulletBig::update() {
    x += vx * fpsm;
    y += vy * fpsm;
    // Shots that leave through the entry edge never come back: dropping them keeps the list
    // from growing behind the title menu.
    if (BeyondExitEdges(x, y, r) || LeavingThroughEntry(this)) dead = true;
    if (!dead) AddCircleToGrid(x, y, r, this);
    glColor3f(1, 0, 0);
    SetLineWidth(3);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i <= 8; i++)
        glVertex2f(x + cosf(i * pd[8] + rot) * r, y + sinf(i * pd[8] + rot) * r);
    glEnd();
    SetLineWidth(1.1f);
    rot += 0.1f * fpsm;
    glColor3f(0, 0, 0);
}

void EbulletBig::hit(Object*) {}

ERocket::ERocket(float X, float Y) {
    data = TAG_ENEMY_SHOT;
    x = X;
    y = Y;
    if (player) {
        float a = atan2f(player->y - y, player->x - x);
        ax = cosf(a);
        ay = sinf(a);
    } else {
        float a = atan2f(-130 - y, 20 - x);
        ax = cosf(a + rand() % 2 - 1);
        ay = sinf(a + rand() % 2 - 1);
    }
    vx = ax;
    vy = ay;
    type = TYPE_ENEMY;
    r = 5;
}

// Aims at player 1, or without one at a random point of the field seen from its centre.
void ERocket::steer() {
    float a;
    if (player)
        a = atan2f(player->y - y, player->x - x);
    else {
        float px, py;
        RandomFieldPoint(&px, &py);
        a = atan2f(py, px);
    }
    ax = cosf(a);
    ay = sinf(a);
}

// Three explosions ahead along its path.
void ERocket::explode() {
    AddExplosion(x + vx, y + vy, 2 * r, 1000);
    AddExplosion(x + 3 * vx, y + 3 * vy, 3 * r, 1000);
    AddExplosion(x + 5 * vx, y + 5 * vy, 4 * r, 1000);
    dead = true;
}

void ERocket::update() {
    steer();
    vx += ax * fpsm;
    vy += ay * fpsm;
    x += vx * fpsm;
    y += vy * fpsm;
    // Back to rocketSpeed; a rocket that has come to a standstill keeps its last direction.
    float l = sqrtf(vx * vx + vy * vy);
    if (l > 0) {
        vx = vx / l * rocketSpeed;
        vy = vy / l * rocketSpeed;
    }
    if (y - r > hh || y + r < -hh || x - r > hw || x + r < -hw) dead = true;
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2f(x - 5 * ay, y + 5 * ax);
    glVertex2f(x + 5 * ay, y - 5 * ax);
    glVertex2f(x + 5 * ax, y + 5 * ay);
    glEnd();
    // One puff of smoke just behind it; the random numbers in the order time, y, x.
    float puffTime = (rand() % 600 + 650) * 0.001f;
    float puffY = y - ay + (rand() % 60) * 0.1f - 3;
    float puffX = x - ax + (rand() % 60) * 0.1f - 3;
    AddBoom(puffX, puffY, puffTime);
    time += fpsm;
    if (time > timeTillRocketExplodes) explode();
    glColor3f(0, 0, 0);
    if (!dead) AddCircleToGrid(x, y, r, this);
}

void ERocket::hit(Object*) {
    time = static_cast<float>(timeTillRocketExplodes + 1);
}
