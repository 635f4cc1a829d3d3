// boss.cpp -- the core's stages and the satellites' orbits and attacks.
#include "boss.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "../player/pickups.h"
#include "../player/player.h"
#include "../shell/display.h"
#include "../shell/orientation.h"
#include "../shell/settings.h"
#include "../world/effects.h"
#include "../world/grid.h"
#include "enemy.h"
#include "projectiles.h"

Boss* BOSS = nullptr;
int nBoss = 0;
int nBoss2 = 0;

// Points for a hit on the bare core and for destroying it or a satellite.
static const int CORE_HIT_POINTS = 500;
static const int CORE_BONUS = 10000;
static const int SATELLITE_HIT_POINTS = 100;
static const int SATELLITE_BONUS = 2500;
// The shield's margin: the core is drawn this much smaller while shielded, and shrinks by it
// when the last satellite goes.
static const float SHIELD_MARGIN = 15;
// Frames without a ship before the core crumbles by itself (time starts at -1000).
static const float ABANDONED_TIME = 90;

Boss::Boss() {
    if (LANDSCAPE) {
        x = 600;
        vx = -0.6f;
    } else {
        y = 600;
        vy = -0.6f;
    }
    SetEnemyFields(this, 25, 0.03f);
    dir = rand() % 2;
}

// Tokens and a ring of darts, the big explosion, the reward and the power-up check.
void Boss::destroy() {
    dead = true;
    for (int k = 0; k < 100; k++) {
        const float a = k * pd[100];
        AddObject(new Health(x + r * cosf(a), y + r * sinf(a), 0, 0));
        if (k % 4 == 0) {
            const float c = a + rot;
            AddObject(new Ebullet(x + r * cosf(c), y + r * sinf(c), 2 * cosf(c), 2 * sinf(c)));
        }
    }
    nBoss += 1;
    AddExplosion(x, y, 2 * r, 3000);
    score[0] += CORE_BONUS;
    Powerup(x + 1, y + 1);
}

void Boss::crumble() {
    BeginBody();
    glColor3f(1, 0, 0);
    DrawPolygon(x, y, 0.6f, r, data, rot);
    const int v = rand() % 64; // the y offset is drawn first
    const int u = rand() % 64;
    AddExplosion(x + 0.75f * r * cosf(0.1f * u), y + 0.75f * r * sinf(0.1f * v), r / 2, 2000);
    data -= 1;
    rot += data3 * fpsm;
    glColor3f(0, 0, 0);
    EndBody();
}

void Boss::drawShield() {
    const int n = PolygonSides(data);
    glColor3f(1, 0.3f, 0.3f);
    glPushMatrix();
    glTranslatef(x, y, 0.6f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(0, 0);
    for (int k = 0; k <= n; k++)
        glVertex2f(r * cosf(k * pd[n] + rot), r * sinf(k * pd[n] + rot));
    glEnd();
    glPopMatrix();
}

void Boss::update() {
    x += vx * fpsm;
    y += vy * fpsm;
    // It glides in and stops past the quarter line.
    if (LANDSCAPE ? x < qw : y < qh) (LANDSCAPE ? vx : vy) = 0;
    // Worn down to nothing (a zap can take a crumbling core below 0): destroyed.
    if (data <= 0) {
        destroy();
        return;
    }
    if (data <= 2) {
        crumble();
        return;
    }
    BeginBody();
    glColor3f(1, 0, 0);
    DrawPolygon(x, y, 0.6f, nBoss2 > 0 ? r - SHIELD_MARGIN : r, data, rot);
    if (nBoss2 > 0)
        drawShield();
    else if (fireat > data2) {
        FireRing(x + vx, y + vy, r, data4, rot, data3);
        fireat = 0;
    } else
        fireat += fpsm;
    rot += data3 * fpsm;
    time += fpsm;
    if (!player && time > ABANDONED_TIME) data = 2;
    if (flash >= 0.1f) flash -= fpsm;
    glColor3f(0, 0, 0);
    EndBody();
    if (!dead) AddCircleToGrid(x, y, r, this);
}

// Only the bare core takes hits, and only from shots; ships bounce off harmlessly.
void Boss::hit(Object* obj) {
    if (flash < 0.1f && nBoss2 <= 0) {
        if (obj->type != TYPE_SHOT) return;
        ApplyShot(this, obj);
        flash = 5;
        if (obj->data4 == 0 || obj->data4 == 1) score[obj->data4] += CORE_HIT_POINTS;
    } else if (obj->type == TYPE_SHOT && obj->data != TAG_CHARGE_SHOT) {
        obj->dead = true;
    }
}

int CoreSides(int n) {
    return PolygonSides(std::min(std::max(50 * n, bossMinSides), 400));
}

int CoreShots(int n) {
    return PolygonSides(std::min(maxBossBullets, 10 * n + 10));
}

int SatelliteCount(int n) {
    return std::max(0, std::min(bossStartingSatelites + n, 15));
}

int SatelliteSides(int n) {
    return PolygonSides(std::min(std::max(5 * n, minSateliteSides), maxSateliteSides));
}

int SatelliteShots(int sides) {
    return PolygonSides(std::min(sides, maxSateliteBullets));
}

SatelliteAttack SatelliteAttackFor(int n) {
    if (n != 0 && n % Divisor(chanceSatelitesAim) == 0) return ATTACK_AIMED_PAIRS;
    if (n != 0 && n % Divisor(chanceSatelitesShootCircles) == 0) return ATTACK_BIG_PAIRS;
    if (n != 0 && n % Divisor(chanceSatelitesShootRockets) == 0) return ATTACK_ROCKETS;
    return ATTACK_RINGS;
}

BossEnemy::BossEnemy(float R, float R2) {
    SetEnemyFields(this, 25, 0.03f);
    rot2 = R;
    r2 = R2;
    nBoss2 += 1;
}

// A satellite deleted while still counted (a new game clears the world) leaves play here.
BossEnemy::~BossEnemy() {
    if (inPlay && nBoss2 > 0) nBoss2 -= 1;
}

// Leaves the count of satellites in play, exactly once; the last one to go bares the core.
void BossEnemy::leavePlay(bool shrinkCore) {
    if (!inPlay) return;
    inPlay = false;
    if (nBoss2 > 0) nBoss2 -= 1;
    if (shrinkCore && nBoss2 <= 0 && BOSS) BOSS->r -= SHIELD_MARGIN;
}

void BossEnemy::aimedPairs() {
    // The phase: after data4 frames it flips at every update.
    if (fireat > data4)
        mode = !mode;
    else
        fireat += fpsm;
    if (fireat2 <= data2) {
        fireat2 += fpsm;
        return;
    }
    if (mode) {
        float tx, ty;
        if (player) {
            tx = player->x;
            ty = player->y;
        } else
            RandomFieldPoint(&tx, &ty);
        const float a = atan2f(ty - y, tx - x);
        ax = cosf(a);
        ay = sinf(a);
        FireAimedPair(this, ax, ay);
    }
    fireat2 = 0;
}

void BossEnemy::attack() {
    const SatelliteAttack kind = SatelliteAttackFor(nBoss);
    if (kind == ATTACK_AIMED_PAIRS) {
        aimedPairs();
        return;
    }
    const int interval = kind == ATTACK_BIG_PAIRS ? data2 / 2 : data2;
    if (fireat <= interval) {
        fireat += fpsm;
        return;
    }
    if (kind == ATTACK_RINGS)
        FireRing(x + cosf(120 * rot2), y + sinf(120 * rot2), r, data4, rot, data3);
    else if (kind == ATTACK_BIG_PAIRS)
        FireBigPair(x, y, rot);
    else
        AddObject(new ERocket(x, y));
    fireat = 0;
}

void BossEnemy::update() {
    // Orphaned: the core is gone, and its satellites go with it, without reward.
    if (!BOSS) {
        dead = true;
        AddExplosion(x, y, 1.5f * r, 1200);
        leavePlay(false);
        return;
    }
    x = BOSS->x + r2 * cosf(rot2);
    y = BOSS->y + r2 * sinf(rot2);
    if (BeyondExitEdges(x, y, r)) {
        dead = true;
        leavePlay(true);
    }
    if (data <= 2) {
        dead = true;
        BurstIntoTokens(this, rot, nBoss >= 7 && nBoss % 2 == 0);
        AddExplosion(x, y, 1.5f * r, 1200);
        score[0] += SATELLITE_BONUS;
        leavePlay(true);
        Powerup(x, y);
        return;
    }
    BeginBody();
    glColor3f(1, 0, 0);
    DrawPolygon(x, y, 0.8f, r, data, rot);
    glColor3f(0.6f, 0.6f, 0.6f);
    glBegin(GL_LINES);
    glVertex3f(x, y, 0.4f);
    glVertex3f(BOSS->x, BOSS->y, 0.4f);
    glEnd();
    attack();
    rot += data3 * fpsm;
    rot2 += 0.3f * data3 * fpsm;
    if (flash >= 0.1f) flash -= fpsm;
    time += fpsm;
    glColor3f(0, 0, 0);
    EndBody();
    if (!dead) AddCircleToGrid(x, y, r, this);
}

void BossEnemy::hit(Object* obj) {
    EnemyHit(this, obj, SATELLITE_HIT_POINTS);
}
