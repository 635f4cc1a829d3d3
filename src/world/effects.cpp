// effects.cpp -- the particle pool and the overlay list.
#include "effects.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "../shell/app.h"
#include "../shell/display.h"
#include "../shell/options.h"

Explosion boom[BOOM_COUNT];
Animation* anim[ANIM_SLOTS];
int nAnim = 0;

// The visible particles of one frame, drawn together, each with the colour and depth it would have
// had drawn alone.
struct ParticleVertex {
    float r, g, b, a;
    float x, y, z;
};
static ParticleVertex particleBatch[BOOM_COUNT];
static int particleVertices = 0;
constexpr int PARTICLE_SIZE = 8; // side of a particle's square, in world units
// With reduced flashing a particle adds this share of its light: a big burst, hundreds of particles
// over each other, no longer floods the screen with yellow.
constexpr float REDUCED_FLASH_LIGHT = 0.4f;

void Explosion::reset(float X, float Y, float Time) {
    x = X;
    y = Y;
    time = Time;
    valid = true;
}

// The square (x-4, y-4) .. (x+4, y+4) covers the pixels whose centres lie inside it. An 8-pixel point
// covers the 8 x 8 pixels around its whole-pixel centre, so at (ceil(x - 0.5), ceil(y - 0.5)) it
// covers the same ones.
static void BatchParticle(float x, float y, float time) {
    const float z = time + 0.5f, a = (time + 0.5f) * (reducedFlashing ? REDUCED_FLASH_LIGHT : 1);
    particleBatch[particleVertices++] = {1, time, 0, a, ceilf(x - 0.5f), ceilf(y - 0.5f), z};
}

void Explosion::update() {
    if (!valid) return;
    if (time > 1.0f) {
        time -= 0.025f * fpsm;
        return;
    }
    BatchParticle(x, y, time);
    time -= 0.025f * fpsm;
    if (time < -0.5f) valid = false;
}

int AddBoom(float X, float Y, float Time) {
    for (Explosion& e : boom)
        if (!e.valid) {
            e.reset(X, Y, Time);
            return 1;
        }
    return 0;
}

void AddExplosion(float x, float y, float size, int length) {
    // A length below 1 would divide by zero; a size beyond the pool's reach changes nothing.
    if (length < 1) length = 1;
    if (size > BOOM_COUNT) size = BOOM_COUNT;
    const int reach = size > 0 ? static_cast<int>(size + 1) : 1;
    for (int i = 0; i < size * 10; i++) {
        float dir = (rand() % 640) * 0.01f;
        int d = rand() % reach;
        float t = (rand() % length) * 0.001f;
        if (!AddBoom(x + cosf(dir) * d, y + sinf(dir) * d, t)) return;
    }
    PlaySound(sfx::bam);
}

// A point is dropped whole once its centre leaves the view, so for the particles the view is widened
// by half a particle on every side: one unit stays pictureScale pixels, and squares cut by the
// picture's edge still show their inner part.
static void WidenView(float margin) {
    const int pixels = Pixels(margin);
    const float units = pixels / pictureScale;
    glViewport(pictureX - pixels, pictureY - pixels, Pixels(width) + 2 * pixels, Pixels(height) + 2 * pixels);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-width / 2 - units, width / 2 + units, -height / 2 - units, height / 2 + units, -100, 100);
    glMatrixMode(GL_MODELVIEW);
}

// Each visible particle is one square point on a whole pixel, which covers the same pixels as its
// square would; the whole batch is one call.
void UpdateParticles() {
    particleVertices = 0;
    for (Explosion& e : boom)
        e.update();
    if (particleVertices == 0) return;
    // The state is set back by hand: the browser's OpenGL has no attribute stack.
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    WidenView(PARTICLE_SIZE / 2.0f);
    glDisable(GL_POINT_SMOOTH);
    SetPointSize(PARTICLE_SIZE);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColorPointer(4, GL_FLOAT, sizeof(ParticleVertex), &particleBatch[0].r);
    glVertexPointer(3, GL_FLOAT, sizeof(ParticleVertex), &particleBatch[0].x);
    glDrawArrays(GL_POINTS, 0, particleVertices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glViewport(view[0], view[1], view[2], view[3]);
    SetPointSize(POINT_SIZE);
    glEnable(GL_POINT_SMOOTH);
}

// Overlays that removed themselves during the walk; deleted once the walk is over.
static std::vector<Animation*> removedAnimations;

void AddAnimation(Animation* anima) {
    if (nAnim >= ANIM_SLOTS) {
        delete anima;
        return;
    }
    anim[nAnim] = anima;
    anima->n = nAnim;
    nAnim += 1;
}

Animation* SwapAnimation(int n, Animation* by) {
    if (n < 0 || n >= nAnim) return nullptr;
    Animation* old = anim[n];
    anim[n] = by;
    by->n = n;
    return old;
}

void RestoreAnimation(int n, Animation* by) {
    Animation* standIn = SwapAnimation(n, by);
    if (standIn) removedAnimations.push_back(standIn);
}

void RemoveAnimation(int n) {
    if (n < 0 || n >= nAnim) return;
    removedAnimations.push_back(anim[n]);
    for (int k = n; k < nAnim - 1; k++) {
        anim[k] = anim[k + 1];
        anim[k]->n = k;
    }
    nAnim -= 1;
    anim[nAnim] = nullptr;
}

void UpdateAnimations() {
    for (int i = 0; i < nAnim; i++)
        anim[i]->update();
    for (Animation* a : removedAnimations)
        delete a;
    removedAnimations.clear();
}

void ClearEffects() {
    while (nAnim > 0)
        RemoveAnimation(nAnim - 1);
    UpdateAnimations();
    for (Explosion& e : boom)
        e = Explosion();
}
