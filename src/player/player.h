// player.h -- the player ship with its three guns, and the play-state globals.
#pragma once

#include "../world/object.h"

// Guns, the values of Player::gun and of a power-up's kind.
constexpr int GUN_STRAIGHT = 0;
constexpr int GUN_CHARGE = 1;
constexpr int GUN_LIGHTNING = 2;

// A ship's movement per frame at 60 frames per second, world units along each axis.
constexpr float SHIP_SPEED = 5;

// A ship flown from the keyboard. flash drives its phases: below 0.1 active, up to 110 blinking,
// 110 to 120 a still pause, above 120 the explosions of its death sequence.
class Player : public Object {
  public:
    float rot = 0;            // not used
    float roll = 0;           // bank angle for drawing, degrees: +10, -10 or 0
    float fireat = 0;         // the current gun's timer or stored charge
    float R = 0;              // size of the death sequence's explosions
    int i = 0;                // death-sequence counter
    int p = 0;                // player index: 0 first, 1 second
    int level[3] = {0, 0, 0}; // power level of each gun, 0 to 2
    int gun = GUN_STRAIGHT;   // the current gun
    Object* obj = nullptr;    // the lightning gun's lock-on target; not owned
    float d = 0;              // the lock-on search's best distance value

    Player();
    void update() override;
    void hit(Object* obj) override;

  private:
    void control();
    void move(const unsigned char* keys);
    bool fireHeld(const unsigned char* keys) const;
    void straightGun(const unsigned char* keys);
    void chargeGun(const unsigned char* keys);
    void lightningGun(const unsigned char* keys);
    void lockOn();
    void clampToScreen();
    void explode();
    void draw();
    void drawHull(float grey, bool glow);
    void drawChargeGlow();
    void drawLightning();
    void zap();
    void drawRange();
    void takeDamage();
};

// Per game (set by StartGame; a one-player start keeps score[1]): the ships (player2 is none in a
// one-player game), the shared spare lives and the scores.
extern Player* player;
extern Player* player2;
extern int lives;
extern int score[2];
// Per game (set by StartGame): the game was started with two ships (the game-over screen names a winner).
extern bool twoPlayers;

// Whether a ship with the lightning gun camps near the far edge (the director sends rockets).
bool playerAtTop();
