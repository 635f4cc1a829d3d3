// projectiles.h -- the enemies' shots: the small dart, the big octagon and the homing rocket.
#pragma once

#include "../world/object.h"

// Small red dart flying straight; removed by the object list once its centre leaves the field.
class Ebullet : public Object {
  public:
    Ebullet(float X, float Y, float VX, float VY);
    void update() override;
    void hit(Object* obj) override;
};

// Big turning octagon that nothing destroys; it leaves through the edges it is not fired from.
class EbulletBig : public Object {
  public:
    float rot = 0; // angle of the octagon
    EbulletBig(float X, float Y, float VX, float VY);
    void update() override;
    void hit(Object* obj) override;
};

// Rocket homing on player 1 at rocketSpeed; explodes at the end of its life or when touched.
class ERocket : public Object {
  public:
    float ax = 0, ay = 0; // steering direction, a unit vector
    float time = 0;       // age, frames of 1/60 s
    ERocket(float X, float Y);
    void update() override;
    void hit(Object* obj) override;

  private:
    void steer();
    void explode();
};

// A random point of the field (whole units); x is drawn first.
void RandomFieldPoint(float* px, float* py);
// Whether a circle lies wholly beyond the bottom or a side edge, or (landscape) the top edge:
// every edge except the one through which enemies come in.
bool BeyondExitEdges(float x, float y, float r);
// Whether a big shot beyond the entry edge moves away from the field: it can never come back.
bool LeavingThroughEntry(const Object* o);
