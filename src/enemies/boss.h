// boss.h -- the boss core and its orbiting satellites.
#pragma once

#include "../world/object.h"

// The core: a big red polygon, shielded while any satellite lives, then firing rings until worn
// down. data is its sides (= hit points), data2 its ring interval, data4 the shots per ring.
class Boss : public Object {
  public:
    float fireat = 0;   // time since the last ring
    float rot = 0;      // spin angle
    int dir = 0;        // drawn at creation, not used
    float time = -1000; // frames since creation minus 1000

    Boss();
    void update() override;
    void hit(Object* obj) override;

  private:
    void destroy();
    void crumble();
    void drawShield();
};

// A satellite orbiting the core on a tether; data2 is its fire interval, data4 its shot count
// (or, for aimed pairs, the length of its first phase).
class BossEnemy : public Object {
  public:
    float fireat = 0;     // attack timer
    float rot = 0;        // spin angle
    float rot2 = 0;       // orbit angle around the core
    float r2 = 0;         // orbit radius
    bool mode = false;    // aimed pairs: volleys allowed in this phase
    float fireat2 = 0;    // aimed pairs: volley timer
    float ax = 0, ay = 0; // the last aim, a unit vector
    float time = 0;       // frames alive
    bool inPlay = true;   // still counted in nBoss2

    BossEnemy(float R, float R2);
    ~BossEnemy() override;
    void update() override;
    void hit(Object* obj) override;

  private:
    void leavePlay(bool shrinkCore);
    void attack();
    void aimedPairs();
};

// The strength of the boss that comes after n bosses beaten: the core's sides and shots per ring,
// the number of satellites, their sides, and a satellite's shots per ring (or, for aimed pairs,
// the length of its first phase) from its sides.
int CoreSides(int n);
int CoreShots(int n);
int SatelliteCount(int n);
int SatelliteSides(int n);
int SatelliteShots(int sides);

// The satellites' attack, chosen by the number of bosses beaten.
enum SatelliteAttack { ATTACK_RINGS, ATTACK_BIG_PAIRS, ATTACK_ROCKETS, ATTACK_AIMED_PAIRS };
SatelliteAttack SatelliteAttackFor(int bossesBeaten);

// Per game (nBoss and nBoss2 reset by StartGame): the living core (none between bosses), bosses
// beaten, and satellites in play.
extern Boss* BOSS;
extern int nBoss;
extern int nBoss2;
