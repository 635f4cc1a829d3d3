// effects.cpp -- the particle pool and the overlay list.
#include "effects.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "../shell/app.h"
#include "../shell/display.h"

Explosion boom[BOOM_COUNT];
Animation* anim[ANIM_SLOTS];
int nAnim = 0;

// The visible particles of one frame, drawn together: one quad each, with the colour and depth
// the particle would have had drawn alone.
struct ParticleVertex {
    float r, g, b, a;
    float x, y, z;
};
static ParticleVertex particleBatch[BOOM_COUNT * 4];
static int particleVertices = 0;

void Explosion::reset(float X, float Y, float Time) {
    x = X;
    y = Y;
    time = Time;
    valid = true;
}

static void BatchParticle(float x, float y, float time) {
    const float z = time + 0.5f, a = time + 0.5f;
    // The square (x-4, y-4) .. (x+4, y+4) as one quad: the same pixels as a strip of two triangles.
    const float corners[4][2] = {{x - 4, y - 4}, {x - 4, y + 4}, {x + 4, y + 4}, {x + 4, y - 4}};
    for (auto& c : corners)
        particleBatch[particleVertices++] = {1, time, 0, a, c[0], c[1], z};
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

void UpdateParticles() {
    particleVertices = 0;
    for (Explosion& e : boom)
        e.update();
    if (particleVertices == 0) return;
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColorPointer(4, GL_FLOAT, sizeof(ParticleVertex), &particleBatch[0].r);
    glVertexPointer(3, GL_FLOAT, sizeof(ParticleVertex), &particleBatch[0].x);
    glDrawArrays(GL_QUADS, 0, particleVertices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
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
