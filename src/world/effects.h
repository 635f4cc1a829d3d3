// effects.h -- explosion particles and the animation list of overlays.
#pragma once

// One glowing square particle of an explosion.
class Explosion {
  public:
    float x = 0, y = 0; // centre, world units
    float time = 0;     // life left: above 1 waiting unseen, 1 .. -0.5 shown from yellow to red
    bool valid = false; // the record is in use

    void reset(float X, float Y, float Time);
    // Advances one frame; draws the particle when it is visible (into the frame's particle batch).
    void update();
};

constexpr int BOOM_COUNT = 15000;
// Per run: the particle pool. A record is free while valid is false.
extern Explosion boom[BOOM_COUNT];

// Places one particle in the first free record; 0 when the pool is full.
int AddBoom(float X, float Y, float Time);
// A burst of about 10 x size particles within size units of (x, y), start times up to length
// thousandths, then the explosion sound. A full pool ends the burst silently.
void AddExplosion(float x, float y, float size, int length);
// Updates every particle and draws the visible ones, in index order, in one batch.
void UpdateParticles();

// An overlay on the animation list: the title menu, the game-over screen, the extra-life effect.
class Animation {
  public:
    int n = 0; // slot in anim while listed
    virtual ~Animation() = default;
    // Advances and draws the overlay; it may remove itself with RemoveAnimation(n).
    virtual void update() = 0;
};

constexpr int ANIM_SLOTS = 5;
// Per run: the overlays in order of addition; slots 0 .. nAnim - 1 are used.
extern Animation* anim[ANIM_SLOTS];
extern int nAnim;

// Appends an overlay; with all five slots taken the request is ignored and the overlay deleted.
void AddAnimation(Animation* anima);
// Unlinks the overlay in slot n; it is deleted once the walk of the list is done with it.
void RemoveAnimation(int n);
// Puts by in slot n in place of the overlay there, which is handed back, neither updated nor
// deleted until it is put back: an overlay that stands in for another for a while (the options
// screen for the menu) leaves the number of overlays as it was.
Animation* SwapAnimation(int n, Animation* by);
// Puts by back in slot n in place of the stand-in there, which is deleted once the walk is done.
void RestoreAnimation(int n, Animation* by);
// Calls update on every overlay in slot order, then deletes the ones that removed themselves.
void UpdateAnimations();
// Deletes every overlay and frees every particle: the effects of a fresh run.
void ClearEffects();
