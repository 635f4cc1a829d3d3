// enemy.cpp -- movement, damage, destruction, drawing and volleys of the enemy kinds.
#include "enemy.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "../player/pickups.h"
#include "../player/player.h"
#include "../shell/display.h"
#include "../shell/orientation.h"
#include "../world/effects.h"
#include "../world/grid.h"
#include "boss.h"
#include "projectiles.h"

static const EnemyKind PLAIN = {0.2f, 0.4f, 0.8f, 0.8f, 100, 1000};
static const EnemyKind AIMING = {0.9f, 0.9f, 0.2f, 0.8f, 150, 1000};
static const EnemyKind CIRCLE = {0.0f, 0.9f, 0.1f, 0.8f, 100, 1000};
static const EnemyKind CHARGING = {1.0f, 0.1f, 0.1f, 0.8f, 150, 2000};
static const EnemyKind ROCKET = {1.0f, 0.6f, 0.0f, 2.0f, 100, 1500};

// Frames of protection after a damaging hit, and the number of tokens a destroyed enemy releases.
static const float HIT_FLASH = 5;
static const int TOKENS = 15;

void SetEnemyFields(Object* o, int data2, float data3) {
    o->type = TYPE_ENEMY;
    o->data = 3;
    o->data2 = data2;
    o->data3 = data3;
    o->data4 = 3;
}

void ApplyShot(Object* target, Object* shot) {
    if (shot->data == TAG_CHARGE_SHOT) {
        if (shot->data2 > target->data) {
            shot->data2 -= target->data;
            target->data = 0;
        } else {
            target->data -= shot->data2;
            shot->data2 = 0;
        }
    } else {
        target->data -= 1;
        shot->dead = true;
    }
}

void EnemyHit(Object* self, Object* obj, int points) {
    if (self->flash < 0.1f) {
        if (obj->type != TYPE_SHOT) {
            self->data = 0; // rammed by a ship: bursts at its next update
            return;
        }
        ApplyShot(self, obj);
        self->flash = HIT_FLASH;
        if (obj->data4 == 0 || obj->data4 == 1) score[obj->data4] += points;
    } else if (obj->type == TYPE_SHOT && obj->data != TAG_CHARGE_SHOT) {
        obj->dead = true; // absorbed
    }
}

void DrawPolygon(float x, float y, float z, float r, int sides, float rot) {
    const int n = PolygonSides(sides);
    glPushMatrix();
    glTranslatef(x, y, z);
    glBegin(GL_TRIANGLE_FAN);
    glVertex2f(0, 0);
    for (int i = 0; i <= n; i++)
        glVertex2f(cosf(i * pd[n] + rot) * r, sinf(i * pd[n] + rot) * r);
    glEnd();
    glPopMatrix();
}

void BeginBody() {
    if (blur)
        glDisable(GL_BLEND);
    else
        glEnable(GL_BLEND);
}

void EndBody() {
    if (blur)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
}

void BurstIntoTokens(const Object* o, float rot, bool darts) {
    for (int i = 0; i < TOKENS; i++) {
        const float a = i * pd[TOKENS];
        AddObject(new Health(o->x + cosf(a) * o->r, o->y + sinf(a) * o->r, 2 * cosf(a), 2 * sinf(a)));
        if (darts) {
            const float c = a + rot;
            AddObject(new Ebullet(o->x + cosf(c) * o->r, o->y + sinf(c) * o->r, 2 * cosf(c), 2 * sinf(c)));
        }
    }
}

void FireRing(float cx, float cy, float r, int count, float rot, float spin) {
    const int n = PolygonSides(count);
    for (int k = 0; k < n; k++) {
        const float b = k * pd[n] + rot;
        AddObject(new Ebullet(cx + cosf(b + 1.5f * spin) * r, cy + sinf(b + 1.5f * spin) * r,
                              1.5f * cosf(b + spin), 1.5f * sinf(b + spin)));
    }
}

void FireBigPair(float x, float y, float rot) {
    const float pi = 3.14159265f;
    AddObject(new EbulletBig(x, y, 2 * cosf(rot), 2 * sinf(rot)));
    AddObject(new EbulletBig(x, y, 2 * cosf(rot - pi), 2 * sinf(rot - pi)));
}

void FireAimedPair(const Object* o, float ax, float ay) {
    const float half = o->r / 2;
    AddObject(new Ebullet(o->x - ay * half, o->y + ax * half, 3 * ax, 3 * ay));
    AddObject(new Ebullet(o->x + ay * half, o->y - ax * half, 3 * ax, 3 * ay));
}

// Not scaled by fpsm: the enemies leave the boss's field at the frame rate's pace.
void Flee(Object* o) {
    if (LANDSCAPE)
        o->vy += o->y > 0 ? 0.1f : -0.1f;
    else
        o->vx += o->x > 0 ? 0.1f : -0.1f;
}

// A destroyed enemy: tokens (and darts), explosion, bonus to player 1 and the power-up check.
static void Destroy(Object* o, float rot, const EnemyKind& kind, bool darts, float explosionSize) {
    o->dead = true;
    BurstIntoTokens(o, rot, darts);
    AddExplosion(o->x, o->y, explosionSize, 1200);
    score[0] += kind.bonus;
    Powerup(o->x, o->y);
}

static void DrawBody(const Object* o, float rot, const EnemyKind& kind) {
    BeginBody();
    glColor3f(kind.red, kind.green, kind.blue);
    DrawPolygon(o->x, o->y, kind.z, o->r, o->data, rot);
}

static void Move(Object* o) {
    o->x += o->vx * fpsm;
    o->y += o->vy * fpsm;
}

Enemy::Enemy(int X, int Y, float VX, float VY)
    : Object(TYPE_ENEMY, static_cast<float>(X), static_cast<float>(Y), VX, VY) {
    SetEnemyFields(this, 25, 0.03f);
    dir = rand() % 2;
}

bool Enemy::advance(const EnemyKind& kind) {
    Move(this);
    // Some time after entering the field the enemy starts to veer to one side.
    if (LANDSCAPE ? x < hw : y < hh) {
        if (time == -1000)
            time = static_cast<float>(100 + rand() % 200);
        else if (time > 0)
            time -= fpsm;
        else {
            float& across = LANDSCAPE ? vy : vx;
            across += dir ? -0.001f * fpsm : 0.001f * fpsm;
        }
    }
    if (BeyondExitEdges(x, y, r)) dead = true;
    if (data <= 2) {
        Destroy(this, rot, kind, false, r + r / 2);
        return false;
    }
    DrawBody(this, rot, kind);
    return true;
}

bool Enemy::volleyDue() {
    if (BOSS) {
        Flee(this);
        return false;
    }
    if (fireat > data2) {
        fireat = 0;
        return true;
    }
    fireat += fpsm;
    return false;
}

// The end of every kind's update: colour, hit flash, blending and grid entry.
static void Finish(Object* o) {
    glColor3f(0, 0, 0);
    if (o->flash >= 0.1f) o->flash -= fpsm;
    EndBody();
    if (!o->dead) AddCircleToGrid(o->x, o->y, o->r, o);
}

void Enemy::update() {
    if (!advance(PLAIN)) return;
    if (volleyDue()) FireRing(x + vx, y + vy, r, data, rot, data3);
    rot += data3 * fpsm;
    Finish(this);
}

void Enemy::hit(Object* obj) {
    EnemyHit(this, obj, PLAIN.points);
}

SpurtEnemy::SpurtEnemy(int X, int Y, float VX, float VY) : Enemy(X, Y, VX, VY) {}

void SpurtEnemy::update() {
    if (!advance(CIRCLE)) return;
    if (volleyDue()) FireBigPair(x, y, rot);
    rot += data3 * fpsm;
    Finish(this);
}

RocketEnemy::RocketEnemy(int X, int Y, float VX, float VY) : Enemy(X, Y, VX, VY) {}

void RocketEnemy::update() {
    if (!advance(ROCKET)) return;
    if (volleyDue()) AddObject(new ERocket(x, y));
    rot += data3 * fpsm;
    Finish(this);
}

AimEnemy::AimEnemy(int X, int Y, float VX, float VY) : Enemy(X, Y, VX, VY) {
    data2 = 40;
    data3 = 0.05f;
}

void AimEnemy::update() {
    if (!advance(AIMING)) return;
    rot += data3 * fpsm;
    // The first phase lasts data4; from then on the phase flips at every update.
    if (fireat > data4)
        mode = !mode;
    else
        fireat += fpsm;
    if (BOSS)
        Flee(this);
    else if (fireat2 > data2) {
        if (mode) {
            // Player 2 is never aimed at; without player 1 the aim is a fixed point.
            float a = player ? atan2f(player->y - y, player->x - x) : atan2f(-235 - y, 43 - x);
            ax = cosf(a);
            ay = sinf(a);
            FireAimedPair(this, ax, ay);
        }
        fireat2 = 0;
    } else
        fireat2 += fpsm;
    Finish(this);
}

void AimEnemy::hit(Object* obj) {
    EnemyHit(this, obj, AIMING.points);
}

ChargeEnemy::ChargeEnemy(int X, int Y, float VX, float VY)
    : Object(TYPE_ENEMY, static_cast<float>(X), static_cast<float>(Y), VX, VY) {
    SetEnemyFields(this, 400, 0.05f);
}

// Heads for player 1, or without one for a random point of the field, at speed 4.
void ChargeEnemy::charge() {
    float a;
    if (player)
        a = atan2f(player->y - y, player->x - x);
    else {
        float px, py;
        RandomFieldPoint(&px, &py);
        a = atan2f(py - y, px - x);
    }
    vx = 4 * cosf(a);
    vy = 4 * sinf(a);
    fireat = static_cast<float>(-data2);
}

void ChargeEnemy::update() {
    if (fireat < 0) Move(this);
    // Without a rest (data2 of 0 or less: many bosses beaten, or a hostile level.txt) the charge
    // timer never goes negative, so the enemy would never move nor leave: it leaves at once.
    if (BeyondExitEdges(x, y, r) || data2 <= 0) dead = true;
    if (data <= 2) {
        Destroy(this, rot, CHARGING, true, r + r / 2 + r / 2);
        return;
    }
    DrawBody(this, rot, CHARGING);
    rot += data3 * fpsm;
    if (BOSS) {
        Flee(this);
        fireat = -1; // keeps it moving
    } else if (fireat > data2)
        charge();
    else
        fireat += fpsm;
    Finish(this);
}

void ChargeEnemy::hit(Object* obj) {
    EnemyHit(this, obj, CHARGING.points);
}
