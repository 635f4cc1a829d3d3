// pickups.h -- power-up capsules, health tokens and the score-threshold drop rule.
#pragma once

#include "../world/object.h"

// A sinking capsule: data2 is its kind, the gun it switches to (0 straight, 1 charge, 2 lightning).
class PowerUp : public Object {
  public:
    PowerUp(float X, float Y, int Type);
    void update() override;
    void hit(Object* obj) override;
};

// A small green token that fills a ship's life bar; drawn to a ship that comes near.
class Health : public Object {
  public:
    int on = 0; // the ship it chases: 0 none, 1 player, 2 player2
    Health(float X, float Y, float VX, float VY);
    void update() override;
    void hit(Object* obj) override;

  private:
    void attract();
};

// Per run (set by Init, not reset by a new game): the score at which player k's next power-up drops.
extern int powerupat[2];

// Drops a capsule of a random kind at (x, y) for each player whose score reached its threshold.
void Powerup(float x, float y);
