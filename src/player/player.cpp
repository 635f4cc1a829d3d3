// player.cpp -- the ship: controls, the three guns, drawing, damage and the death sequence.
#include "player.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "../flow/screens.h"
#include "../shell/app.h"
#include "../shell/display.h"
#include "../shell/input.h"
#include "../shell/options.h"
#include "../shell/orientation.h"
#include "../shell/settings.h"
#include "../world/effects.h"
#include "../world/grid.h"
#include "shots.h"

Player* player = nullptr;
Player* player2 = nullptr;
int lives = 0;
int score[2] = {0, 0};
bool twoPlayers = false;

// Shot speed, the death sequence's start and the life bar's size.
static const float SHOT_SPEED = 6;
static const float DEATH_FLASH = 175;
// With reduced flashing: the share of its grey the ship keeps in the frames it would blink out, and
// the grey of the charge glow.
static const float REDUCED_FLASH_GREY = 0.5f;
static const int LIFE_BAR_FULL = 200;

Player::Player() {
    if (LANDSCAPE)
        x = -200;
    else
        y = -200;
    r = 15;
    type = TYPE_SHIP;
}

void Player::update() {
    if (flash < 110)
        control();
    else if (flash > 120)
        explode();
    draw();
    if (flash >= 0.1f) flash -= fpsm;
    if (!dead) AddCircleToGrid(x, y, r, this);
}

void Player::control() {
    const unsigned char* keys = ShipKeys();
    if (lives < 0) {
        if (p == 0) AddAnimation(new GameOver());
        dead = true;
    }
    move(keys);
    d = 10000.0f * level[gun] + 40000;
    if (gun == GUN_STRAIGHT)
        straightGun(keys);
    else if (gun == GUN_CHARGE)
        chargeGun(keys);
    else
        lightningGun(keys);
    clampToScreen();
}

void Player::move(const unsigned char* keys) {
    const bool up = keys[p == 0 ? SDLK_UP : SDLK_w], down = keys[p == 0 ? SDLK_DOWN : SDLK_s];
    const bool right = keys[p == 0 ? SDLK_RIGHT : SDLK_d], left = keys[p == 0 ? SDLK_LEFT : SDLK_a];
    const float step = SHIP_SPEED * fpsm;
    if (up)
        y += step;
    else if (down)
        y -= step;
    if (right)
        x += step;
    else if (left)
        x -= step;
    // The ship banks towards its sideways motion: left and right here, up and down in landscape.
    const bool bankPlus = LANDSCAPE ? up : right, bankMinus = LANDSCAPE ? down : left;
    roll = bankPlus ? 10 : bankMinus ? -10 : 0;
}

bool Player::fireHeld(const unsigned char* keys) const {
    if (p == 1) return keys[SDLK_b];
    return keys[SDLK_SLASH] || (keys[SDLK_z] && !player2);
}

// A shot from the muzzle point `ahead` units in front of the ship and `across` to its side.
static void FireShot(const Player* s, float ahead, float across) {
    if (LANDSCAPE)
        AddObject(new Pbullet(s->x + ahead, s->y + across, SHOT_SPEED, 0, s->p));
    else
        AddObject(new Pbullet(s->x + across, s->y + ahead, 0, SHOT_SPEED, s->p));
}

void Player::straightGun(const unsigned char* keys) {
    if (!fireHeld(keys)) {
        fireat = 6; // the next press fires at once
        return;
    }
    if (fireat > 5) {
        if (level[GUN_STRAIGHT] != 1) FireShot(this, 25, 0);
        if (level[GUN_STRAIGHT] >= 1) {
            FireShot(this, 15, -7);
            FireShot(this, 15, 7);
        }
        fireat = 0;
        if (p == 0) PlaySound(sfx::shoot[0]);
    }
    fireat += fpsm;
}

void Player::chargeGun(const unsigned char* keys) {
    const bool charging = p == 0 ? (keys[SDLK_z] && !player2) || (keys[SDLK_SLASH] && !chargebullet[0])
                                 : keys[SDLK_b] && !chargebullet[1];
    if (charging) {
        if (fireat < 2 * level[GUN_CHARGE] + 15) fireat += 0.2f * level[GUN_CHARGE] * fpsm;
        return;
    }
    if (fireat <= 0 || chargebullet[p]) return;
    const int charge = static_cast<int>(fireat);
    if (LANDSCAPE)
        AddObject(new PChargebullet(x + 30, y, SHOT_SPEED, 0, p, charge));
    else
        AddObject(new PChargebullet(x, y + 30, 0, SHOT_SPEED, p, charge));
    fireat = 0;
    chargebullet[p] = true;
    if (p == 0) PlaySound(sfx::shoot[1]);
}

void Player::lightningGun(const unsigned char* keys) {
    if (fireat < 0) {
        fireat += fpsm; // cooling down; the lock and its lightning stay
        return;
    }
    if (fireHeld(keys))
        lockOn();
    else {
        fireat = 0;
        obj = nullptr;
    }
}

// Whether the lightning may lock on to o: an enemy, the boss or a satellite inside the far edge.
static bool Lockable(const Object* o) {
    if (o->type != TYPE_ENEMY || o->data == TAG_ENEMY_SHOT || o->data == TAG_POWERUP) return false;
    return LANDSCAPE ? o->x < hw : o->y < hh;
}

void Player::lockOn() {
    obj = nullptr;
    for (Object* o = firstObject; o; o = o->next) {
        if (!Lockable(o)) continue;
        float A = (x - o->x) * (x - o->x) + (y - o->y) * (y - o->y) - o->r * o->r;
        if (d > A) {
            d = A;
            obj = o;
        }
    }
    fireat = 1;
    // The reach, measured to the target's rim, grows with the gun's level.
    if (d > 10000.0f * level[GUN_LIGHTNING] + 39999) obj = nullptr;
}

void Player::clampToScreen() {
    if (x + r > hw)
        x = hw - r;
    else if (x - r < -hw)
        x = r - hw;
    if (y + r > hh)
        y = hh - r;
    else if (y - r < -hh)
        y = r - hh;
}

void Player::explode() {
    if (i % 10 == 0) {
        const float back = static_cast<float>(i / 3);
        if (LANDSCAPE)
            AddExplosion(x - back, y, R, 1800 - 2 * i);
        else
            AddExplosion(x, y - back, R, 1800 - 2 * i);
        R -= 0.75f * fpsm;
    }
    i = static_cast<int>(i + 15 * fpsm);
}

// The ship's triangle in grey, banked, with the charge gun's glow when glow is set.
void Player::drawHull(float grey, bool glow) {
    glColor3f(grey, grey, grey);
    glPushMatrix();
    if (LANDSCAPE)
        glRotatef(roll, 1, 0, 0);
    else
        glRotatef(roll, 0, 1, 0);
    glTranslatef(x, y, 1);
    glBegin(GL_TRIANGLES);
    if (LANDSCAPE) {
        glVertex2f(10, 0);
        glVertex2f(-8, -7);
        glVertex2f(-8, 7);
    } else {
        glVertex2f(0, 10);
        glVertex2f(-7, -8);
        glVertex2f(7, -8);
    }
    glEnd();
    if (glow && gun == GUN_CHARGE && fireat > 0) drawChargeGlow();
    glPopMatrix();
}

void Player::draw() {
    glDisable(GL_BLEND);
    on = flash >= 0.1f ? !on : true;
    const float grey = p == 0 ? 0.7f : 0.5f;
    if (on) {
        drawHull(grey, true);
        if (gun == GUN_LIGHTNING) {
            if (obj) drawLightning();
            zap();
            drawRange();
        }
    } else if (reducedFlashing) {
        // The blinking ship shown steadily, dimmed, instead of every other frame; what it does only
        // while shown (the glow's draws, the zap) stays with the blink.
        drawHull(grey * REDUCED_FLASH_GREY, false);
    }
    glEnable(GL_BLEND);
    glColor3f(0, 0, 0);
}

// The glow grows with the charge and flickers: every coordinate draws its own random size.
void Player::drawChargeGlow() {
    auto size = [this] { return fireat / 3 - 1 + rand() % 2; };
    // With reduced flashing the flickering glow is grey, not white.
    const float light = reducedFlashing ? REDUCED_FLASH_GREY : 1;
    glColor3f(light, light, light);
    glBegin(GL_TRIANGLE_FAN);
    if (LANDSCAPE)
        glVertex2f(13, 0);
    else
        glVertex2f(0, 13);
    for (int k = 0; k <= 8; k++) {
        float sx = size();
        float sy = size();
        if (LANDSCAPE)
            glVertex2f(cosf(k * pd[8]) * sx + 11, sinf(k * pd[8]) * sy);
        else
            glVertex2f(cosf(k * pd[8]) * sx, sinf(k * pd[8]) * sy + 11);
    }
    glEnd();
}

// A jagged bolt of five-unit segments that keeps swerving back towards the target.
void Player::drawLightning() {
    const float a = atan2f(obj->y - y, obj->x - x);
    const float D = sqrtf((obj->x - x) * (obj->x - x) + (obj->y - y) * (obj->y - y));
    float u = x, v = y, A = a;
    glColor3f(1, 1, 0);
    glBegin(GL_LINES);
    for (float k = 0; k < D; k += 5) {
        glVertex3f(u, v, 0.7f);
        u += 5 * cosf(A);
        v += 5 * sinf(A);
        glVertex3f(u, v, 0.7f);
        if (A < a)
            A += (rand() % 10) * 0.1f;
        else
            A -= (rand() % 10) * 0.1f;
    }
    glEnd();
}

// The zap hits the target with a plain shot that never enters the object list.
void Player::zap() {
    if (!obj || fireat <= 0.5f) return;
    Pbullet carrier(obj->x, obj->y, 0, 0, p);
    obj->hit(&carrier);
    fireat = static_cast<float>(-7 / (level[GUN_LIGHTNING] + 1));
    PlaySound(sfx::shoot[2]);
    if (obj->data <= 2) obj = nullptr;
}

void Player::drawRange() {
    glPushMatrix();
    glTranslatef(x, y, 0.4f);
    glColor3f(0.7f, 0.7f, 0);
    const float radius = 200.0f + 23 * level[GUN_LIGHTNING];
    glBegin(GL_POINTS);
    for (int k = 0; k <= 48; k++)
        glVertex2f(radius * cosf(k * pd[48]), radius * sinf(k * pd[48]));
    glEnd();
    glPopMatrix();
}

void Player::hit(Object* other) {
    if (other->type == TYPE_HEALTH) {
        // The bar is an int: the rate is added and the sum truncated.
        data = static_cast<int>(std::clamp(data + lifeBarRate, -1e6f, 1e6f));
        if (data > LIFE_BAR_FULL) {
            data = 0;
            lives += 1;
            AddAnimation(new Life());
        }
        other->dead = true;
    } else if (other->type == TYPE_ENEMY && other->data < TAG_ENEMY_SHOT) {
        gun = std::clamp(other->data2, 0, 2);
        level[gun] = std::min(level[gun] + 1, 2);
        fireat = 0;
        other->dead = true;
        PlaySound(sfx::gotpowerup);
    } else if (other->type == TYPE_ENEMY || other->type == TYPE_BULLET) {
        if (flash < 0.1f && !ShipKeys()[SDLK_c]) takeDamage();
    }
}

// Loses a life and all gun power; the lost life's marker bursts on the display.
void Player::takeDamage() {
    lives -= 1;
    gun = GUN_STRAIGHT;
    level[0] = level[1] = level[2] = 0;
    flash = DEATH_FLASH;
    R = r;
    i = 0;
    AddExplosion(16.0f * lives - hw + 15, hh - 35, 13, 1100);
}

static bool AtTop(const Player* s) {
    return s && (LANDSCAPE ? s->x > hw - 150 : s->y > hh - 150) && s->gun == GUN_LIGHTNING;
}

bool playerAtTop() {
    return AtTop(player) || AtTop(player2);
}
