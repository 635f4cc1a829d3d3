// object.h -- the game-object base class and the object list.
#pragma once

// Type codes: which pairs the collision table tests, and whether leaving the field removes.
enum ObjectType {
    TYPE_SHIP = 0,   // Player
    TYPE_SHOT = 1,   // Pbullet, PChargebullet
    TYPE_BULLET = 2, // Ebullet
    TYPE_HEALTH = 3, // Health
    TYPE_ENEMY = 4,  // enemies, boss, satellites, big shots, rockets, power-ups; never removed for position
};

// data tags that tell apart objects of the same type code.
constexpr int TAG_CHARGE_SHOT = -7;
constexpr int TAG_POWERUP = -5;
constexpr int TAG_ENEMY_SHOT = -2; // big enemy shot or rocket

// Everything in the world that moves and can collide. Owned by the object list from AddObject on.
class Object {
  public:
    int type = 0;         // type code, see ObjectType
    bool on = false;      // blink phase of a flashing player ship
    float x = 0, y = 0;   // centre, world units
    float r = 0;          // collision radius; 0 for the small shots
    float vx = 0, vy = 0; // velocity per 1/60 s
    int data = 0;         // sides = hit points (enemies); life bar (ship); tag (shots, pick-ups)
    int data2 = 0;        // firing period (enemies), charge (charge shot), kind (power-up)
    int data4 = 0;        // owner index (player shots); a director value (enemies)
    float data3 = 0;      // turning speed (enemies), spin angle (pick-ups)
    bool dead = false;    // removed at the start of the next list pass
    float flash = 0;      // hit-flash or death-sequence timer, frames of 1/60 s
    Object* next = nullptr;
    Object* previous = nullptr;

    Object() = default;
    // An object of type code Type at (X, Y) moving at (VX, VY); everything else as above.
    Object(int Type, float X, float Y, float VX, float VY) : type(Type), x(X), y(Y), vx(VX), vy(VY) {}
    virtual ~Object() = default;
    // Moves one frame, draws, and enters the collision grid.
    virtual void update() = 0;
    // Reacts to touching obj; called by the collision pass.
    virtual void hit(Object* obj) = 0;
};

// Per run: the object list in creation order.
extern Object* firstObject;
extern Object* lastObject;
extern int nObject;

// Appends obj at the tail; the list owns it from now on.
Object* AddObject(Object* obj);
// Deletes dead objects and those of types 0 to 3 whose centre left the field, clearing every
// pointer that referred to them, and updates all the others in list order.
void UpdateObjects();
// Marks every object dead (a new game empties the world in the next pass).
void KillAllObjects();
