// shots.h -- the player's shots: the plain needle and the charge shot.
#pragma once

#include "../world/object.h"

// Plain shot of the straight gun; also the carrier of a lightning zap (never listed then).
class Pbullet : public Object {
  public:
    Pbullet(float X, float Y, float VX, float VY, int P);
    void update() override;
    void hit(Object* obj) override;
};

// Charge shot: data2 is the charge left; it flies on through what it destroys.
class PChargebullet : public Object {
  public:
    PChargebullet(float X, float Y, float VX, float VY, int P, int Charge);
    void update() override;
    void hit(Object* obj) override;
};

// Per game: player p's charge shot is in flight; p cannot fire another meanwhile.
extern bool chargebullet[2];
