// frame.cpp -- the frame step, the background, the HUD and the enemy director.
#include "frame.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "../enemies/boss.h"
#include "../enemies/enemy.h"
#include "../glfont.h"
#include "../player/player.h"
#include "../shell/app.h"
#include "../shell/display.h"
#include "../shell/orientation.h"
#include "../shell/settings.h"
#include "../world/effects.h"
#include "../world/grid.h"
#include "difficulty.h"
#include "showcase.h"

int rn = 0;
float dist = 0;
int boss = 0;
int td = 1;

// Grey of the background grid and the spacing of its lines.
static const float GRID_GREY = 0.15f;
static const int LINE_SPACING = 800;

static void RaiseHighscore() {
    if (score[0] > highscore && player) highscore = score[0];
    if (score[1] > highscore) highscore = score[1];
}

void DrawBackground() {
    const float g = GRID_GREY;
    glColor3f(g, g, g);
    glPushMatrix();
    if (LANDSCAPE)
        glTranslatef(-10 * dist, 0, -10);
    else
        glTranslatef(0, -10 * dist, -10);
    glBegin(GL_LINES);
    for (int y = -10 * hh; y < 10 * hh + 1000; y += LINE_SPACING) {
        glVertex2i(-10 * hw, y);
        glVertex2i(10 * hw + 1000, y);
    }
    for (int x = -10 * hw; x < 10 * hw + 1000; x += LINE_SPACING) {
        glVertex2i(x, -10 * hh);
        glVertex2i(x, 10 * hh + 1000);
    }
    glEnd();
    // Posts standing out of the grid, fading to black.
    glDisable(GL_BLEND);
    glBegin(GL_LINES);
    for (int y = -20 * hh; y < 20 * hh + 2000; y += LINE_SPACING)
        for (int x = -20 * hw; x < 20 * hw + 2000; x += LINE_SPACING) {
            glColor3f(g, g, g);
            glVertex3i(x, y, 0);
            glColor3f(0, 0, 0);
            glVertex3i(x, y, -20);
        }
    glEnd();
    glEnable(GL_BLEND);
    glPopMatrix();
}

// A number in the HUD font at the current origin, left- or right-aligned.
static void HudNumber(int value, float x, float y, bool rightAligned) {
    char text[20];
    snprintf(text, sizeof text, "%i", value);
    glFontBegin(font);
    glTranslatef(x, y, 5);
    glScalef(10, 10, 1);
    if (rightAligned)
        glFontTextOutr(text);
    else
        glFontTextOut(text);
    glFontEnd();
}

void DrawHud() {
    glColor3f(1, 1, 1);
    HudNumber(score[0], -hw, hh, false);
    // Spare ships along the top left, under the score.
    glScalef(0.1f, 0.1f, 1);
    glTranslatef(0, -35, 0);
    glColor3f(0.7f, 0.7f, 0.7f);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < lives; i++) {
        const float x = 8.0f + 16 * i;
        glVertex2f(x, 10);
        glVertex2f(x - 7, -8);
        glVertex2f(x + 7, -8);
    }
    glEnd();
    // Top right: the high score alone, player 2's score in a two-player game.
    glLoadIdentity();
    glColor3f(1, 1, 1);
    glPushMatrix();
    HudNumber(player2 ? score[1] : highscore, hw, hh, true);
    glPopMatrix();
    glLoadIdentity();
    glTranslatef(0, 0, 5);
    if (player) {
        glColor3f(0.1f, 1.0f, 0.2f);
        glBegin(GL_TRIANGLE_STRIP);
        glVertex2f(2 - hw, 2 - hh);
        glVertex2f(17 - hw, 2 - hh);
        glVertex2f(2 - hw, player->data - hh + 2);
        glVertex2f(17 - hw, player->data - hh + 2);
        glEnd();
    }
    glColor3f(1, 1, 1);
    glBegin(GL_LINE_LOOP);
    glVertex2f(2 - hw, 2 - hh);
    glVertex2f(2 - hw, 202 - hh);
    glVertex2f(17 - hw, 202 - hh);
    glVertex2f(17 - hw, 2 - hh);
    glEnd();
    DrawHudLabels();
}

// A label centred across the top of the field, under the scores' line.
static void HudLabel(const std::string& text, float below, float scale) {
    if (text.empty()) return;
    glPushMatrix();
    glLoadIdentity();
    glFontBegin(font);
    glTranslatef(0, hh - below, 5);
    glScalef(scale, scale, 1);
    glFontTextOutc(text.c_str());
    glFontEnd();
    glPopMatrix();
}

void DrawHudLabels() {
    HudLabel(DifficultyLabel(), 4, 8);
    HudLabel(playbackMark, 40, 14);
}

void Render() {
    if (paused) return;
    ClearGrid();
    RaiseHighscore();
    preDraw();
    ChangeSizeProj(width, height);
    DrawBackground();
    ChangeSize(width, height);
    UpdateObjects();
    CollideObjects();
    glDisable(GL_POLYGON_SMOOTH);
    UpdateParticles();
    dist += SCROLL_SPEED * fpsm;
    if (dist >= SCROLL_STEP) {
        dist = 0;
        td += 1;
    }
    DrawHud();
    UpdateAnimations();
    glEnable(GL_POLYGON_SMOOTH);
    postDraw();
    Director();
}

// min + rand() % extra, with an extra below 1 acting as 1.
static int Draw(int min, int extra) {
    return min + rand() % Divisor(extra);
}

void CreateBoss() {
    BOSS = new Boss();
    BOSS->r = static_cast<float>(bossRadius + 15);
    BOSS->data = CoreSides(nBoss);
    BOSS->data2 = bossFireRate;
    BOSS->data4 = CoreShots(nBoss);
    AddObject(BOSS);
    const int n = SatelliteCount(nBoss);
    for (int i = 0; i < n; i++) {
        BossEnemy* satellite = new BossEnemy(i * pd[n], static_cast<float>(distOfSatelitesfromBoss));
        satellite->r = static_cast<float>(sateliteRadius);
        satellite->data2 = sateliteFireRate;
        satellite->data = SatelliteSides(nBoss);
        satellite->data4 = SatelliteShots(satellite->data);
        AddObject(satellite);
    }
}

// The values the director gives every new enemy: radius, sides, firing value, in that order.
static void Configure(Object* e, int radius, int sides, int firing) {
    e->r = static_cast<float>(radius);
    e->data = PolygonSides(sides);
    e->data2 = firing;
}

// A new enemy of class T beyond the entry edge, drifting into the field at 0.4 to 0.7.
template <class T> static T* Arrive() {
    const int across = rand() % 400 - 200;
    const float speed = static_cast<float>(-(0.4 + 0.1 * (rand() % 4)));
    if (LANDSCAPE) return new T(hw + 100, across, speed, 0);
    return new T(across, hh + 100, 0, speed);
}

// Sides and firing values that change with every boss beaten: value + step x nBoss, truncated
// toward zero.
static int WithBosses(int value, float step) {
    return static_cast<int>(value + step * nBoss);
}

static void SpawnEnemy() {
    const float perBoss = 1.5f; // more sides, and a shorter firing period, per boss beaten
    if (GateOpen(timeBeforeAimingEnemy, td) && rand() % Divisor(chanceOfAimingEnemy) == 0) {
        AimEnemy* e = Arrive<AimEnemy>();
        const int radius = Draw(aimingEnemyMinRadius, aimingEnemyMaxAddedRadius);
        const int sides = WithBosses(Draw(aimingEnemyMinSides, aimingEnemyMaxAddedSides), perBoss);
        Configure(e, radius, sides, aimingEnemyFireRate);
        e->data4 = Draw(aimingEnemyMinFireTime, aimingEnemyMaxAddedFireTime);
        AddObject(e);
    } else if (GateOpen(timeBeforeCircleEnemy, td) && rand() % Divisor(chanceOfCircleEnemy) == 0) {
        SpurtEnemy* e = Arrive<SpurtEnemy>();
        const int radius = Draw(circleEnemyMinRadius, circleEnemyMaxAddedRadius);
        const int sides = WithBosses(Draw(circleEnemyMinSides, circleEnemyMaxAddedSides), perBoss);
        Configure(e, radius, sides,
                  WithBosses(Draw(circleEnemyMinFireRate, circleEnemyMaxAddedFireRate), -perBoss));
        AddObject(e);
    } else if (GateOpen(timeBeforeChargingEnemy, td) && rand() % Divisor(chanceOfChargingEnemy) == 0) {
        ChargeEnemy* e = Arrive<ChargeEnemy>();
        const int radius = Draw(chargingEnemyMinRadius, chargingEnemyMaxAddedRadius);
        const int sides = WithBosses(Draw(chargingEnemyMinSides, chargingEnemyMaxAddedSides), perBoss);
        Configure(e, radius, sides,
                  WithBosses(Draw(chargingEnemyMinRate, chargingEnemyMaxAddedRate), -perBoss));
        AddObject(e);
    } else if (GateOpen(timeBeforeRocketEnemy, td) &&
               (rand() % Divisor(chanceOfRocketEnemy) == 0 ||
                (playerAtTop() && rand() % Divisor(chanceOfRocketEnemy / 3) != 0))) {
        RocketEnemy* e = Arrive<RocketEnemy>();
        const int radius = Draw(rocketEnemyMinRadius, rocketEnemyMaxAddedRadius);
        const int sides = Draw(rocketEnemyMinSides, rocketEnemyMaxAddedSides);
        Configure(e, radius, sides, Draw(rocketEnemyMinFireRate, rocketEnemyMaxAddedFireRate));
        AddObject(e);
    } else {
        Enemy* e = Arrive<Enemy>();
        const int radius = Draw(enemyMinRadius, enemyMaxAddedRadius);
        const int sides = Draw(enemyMinSides, enemyMaxAddedSides);
        Configure(e, radius, sides, Draw(enemyMinFireRate, enemyMaxAddedFireRate));
        AddObject(e);
        rn -= 1;
    }
}

int Countdown(int drawn, bool twoPlayers, int bossesBeaten) {
    return (twoPlayers ? drawn / 2 : drawn) - bossesBeaten;
}

bool GateOpen(int gate, int clock) {
    return clock > gate;
}

bool BossDue(int events, int bossesBeaten) {
    return events > bossesBeaten + timeBeforeBoss;
}

void Director() {
    if (rn > 0) {
        rn -= 1;
        return;
    }
    // The next countdown, in frames scaled to the frame rate; two players halve the range.
    const float wait =
        static_cast<float>(Countdown(rand() % Divisor(timeBetweenEnemies), player2 != nullptr, nBoss));
    rn = fpsm > 0 ? static_cast<int>(std::clamp(wait / fpsm, -1e6f, 1e6f)) : 0;
    if (BOSS) return;
    if (BossDue(boss, nBoss) && player) {
        CreateBoss();
        boss = 0;
        return;
    }
    boss += 1;
    SpawnEnemy();
}
