// enemy.h -- the five ordinary enemy kinds and the pieces they share with the boss.
#pragma once

#include "../world/object.h"

// What tells the kinds apart besides their attack.
struct EnemyKind {
    float red, green, blue; // body colour
    float z;                // drawing depth: rocket enemies cover the others
    int points;             // to the shooter for each damaging hit
    int bonus;              // to player 1 on destruction
};

// The plain enemy: a turning polygon that fires a ring of darts, one from each corner.
// r is its radius, data its sides (= hit points), data2 its firing period, data3 its turn speed.
class Enemy : public Object {
  public:
    float fireat = 0;   // time since the last volley
    float rot = 0;      // angle of the polygon
    int dir = 0;        // veers towards -x (landscape -y) when non-zero, else +x (+y)
    float time = -1000; // wait before veering; -1000 until the enemy has entered the field

    Enemy(int X, int Y, float VX, float VY);
    void update() override;
    void hit(Object* obj) override;

  protected:
    // Moves, veers, tests the exit edges, bursts when worn down and draws: false once destroyed.
    bool advance(const EnemyKind& kind);
    // The firing timer; true when a volley is due. While the boss lives it flees instead.
    bool volleyDue();
};

// Fires two big shots in opposite directions along its turning angle.
class SpurtEnemy : public Enemy {
  public:
    SpurtEnemy(int X, int Y, float VX, float VY);
    void update() override;
};

// Fires one homing rocket.
class RocketEnemy : public Enemy {
  public:
    RocketEnemy(int X, int Y, float VX, float VY);
    void update() override;
};

// Fires pairs of darts aimed at player 1 during alternating phases; data4 is its first phase.
class AimEnemy : public Enemy {
  public:
    float fireat2 = 0;    // time since the last pair was due
    bool mode = true;     // pairs are allowed
    float ax = 0, ay = 0; // the last aim, a unit vector

    AimEnemy(int X, int Y, float VX, float VY);
    void update() override;
    void hit(Object* obj) override;
};

// Rests, then rams towards player 1 in a straight charge; bursts into a ring of darts.
// data2 is the length of one rest and of one charge.
class ChargeEnemy : public Object {
  public:
    float fireat = 0; // counts up while resting, negative while charging
    float rot = 0;    // angle of the polygon

    ChargeEnemy(int X, int Y, float VX, float VY);
    void update() override;
    void hit(Object* obj) override;

  private:
    void charge();
};

// The fields every enemy, the boss and a satellite start with: type 4, 3 sides, data4 3, and the
// given firing period and turning speed.
void SetEnemyFields(Object* o, int data2, float data3);
// Takes a player shot: a charge shot and the sides cancel, a plain shot costs one side and dies.
void ApplyShot(Object* target, Object* shot);
// An ordinary enemy's or a satellite's hit: shots cost sides and score `points`, a ship's touch
// destroys it, and for 5 frames after a damaging hit plain shots are absorbed.
void EnemyHit(Object* self, Object* obj, int points);
// Draws a filled regular polygon of `sides` corners turned by rot, at depth z, in the current colour.
void DrawPolygon(float x, float y, float z, float r, int sides, float rot);
// Blending off for the enemies' bodies while blur is set, and back afterwards.
void BeginBody();
void EndBody();
// 15 health tokens flying outward from the rim; with `darts`, a dart after each token.
void BurstIntoTokens(const Object* o, float rot, bool darts);
// A ring of `count` darts from the rim of a polygon turning by spin, centred at (cx, cy).
void FireRing(float cx, float cy, float r, int count, float rot, float spin);
// Two big shots from (x, y) in opposite directions along angle rot.
void FireBigPair(float x, float y, float rot);
// Two darts side by side, half a radius either side of the line of aim (ax, ay).
void FireAimedPair(const Object* o, float ax, float ay);
// Accelerates towards the nearer side edge (from 0 exactly, towards the negative side).
void Flee(Object* o);
