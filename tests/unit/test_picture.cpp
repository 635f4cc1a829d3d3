// test_picture.cpp -- drawing done for speed leaves every pixel as the plain way would.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "harness.h"
#include "shell/display.h"
#include "world/effects.h"

namespace {

void ClearScreen() {
    preDraw();
    ChangeSize(width, height);
    glDisable(GL_POLYGON_SMOOTH);
}

// One particle as a strip of its own, the way a particle was first drawn.
void DrawParticleAlone(const Explosion& e) {
    glColor4f(1, e.time, 0, e.time + 0.5f);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex3f(e.x - 4, e.y - 4, e.time + 0.5f);
    glVertex3f(e.x - 4, e.y + 4, e.time + 0.5f);
    glVertex3f(e.x + 4, e.y - 4, e.time + 0.5f);
    glVertex3f(e.x + 4, e.y + 4, e.time + 0.5f);
    glEnd();
}

} // namespace

// A crowded burst, overlapping at many depths, on fractional positions, some of them on whole and
// half pixels, and across all four edges of the window.
TEST(Picture, BatchedParticlesMatchOneStripEach) {
    ResetWorld();
    srand(7);
    for (int i = 0; i < 3000; i++) {
        const float x = (rand() % (20 * hw + 200)) * 0.1f - hw - 10;
        const float y = (rand() % (20 * hh + 200)) * 0.1f - hh - 10;
        AddBoom(x, y, (rand() % 150) * 0.01f - 0.49f);
    }
    std::vector<Explosion> before(boom, boom + BOOM_COUNT);

    ClearScreen();
    UpdateParticles();
    std::vector<unsigned char> batched = ReadScreen(4);

    ClearScreen();
    for (const Explosion& e : before)
        if (e.valid && e.time <= 1.0f) DrawParticleAlone(e);
    std::vector<unsigned char> alone = ReadScreen(4);

    size_t differing = 0;
    for (size_t i = 0; i < batched.size(); i++)
        differing += batched[i] != alone[i];
    EXPECT_EQ(differing, 0u);
    glEnable(GL_POLYGON_SMOOTH);
}
