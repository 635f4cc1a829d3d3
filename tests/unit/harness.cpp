// harness.cpp -- the test program's window, mixer and the shared helpers.
#include "harness.h"

#include <GL/gl.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "enemies/boss.h"
#include "flow/frame.h"
#include "player/pickups.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/settings.h"
#include "world/effects.h"
#include "world/grid.h"

namespace {
// One window and one mixer for the whole test program, as the game has.
class GameEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        // A busy X server may refuse a connection now and then: try a few times.
        int status = -1;
        for (int attempt = 0; attempt < 10 && status != 0; attempt++) {
            if (attempt > 0) usleep(300 * 1000);
            status = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO);
        }
        ASSERT_EQ(status, 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, SDL_OPENGL | SDL_DOUBLEBUF), nullptr)
            << SDL_GetError();
        Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096);
        ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
        SetDrawingState();
    }
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GameEnvironment);
} // namespace

void ResetWorld() {
    for (Object* o = firstObject; o;) {
        Object* next = o->next;
        delete o;
        o = next;
    }
    firstObject = lastObject = nullptr;
    nObject = 0;
    player = player2 = nullptr;
    BOSS = nullptr;
    nBoss = nBoss2 = 0;
    while (nAnim > 0)
        RemoveAnimation(nAnim - 1);
    UpdateAnimations();
    ClearGrid();
    for (Explosion& e : boom)
        e = Explosion();
    ResetSettings();
    lives = 0;
    score[0] = score[1] = 0;
    chargebullet[0] = chargebullet[1] = false;
    powerupat[0] = powerupat[1] = powerUpAtMultipleOf;
    twoPlayers = false;
    rn = 0;
    boss = 0;
    td = 1;
    dist = 0;
    highscore = 0;
    quit = paused = false;
    fpsm = 1;
    fixedFpsm = 1;
    ReleaseAllKeys();
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    srand(0);
}

void HoldKey(SDLKey key, bool held) {
    SDL_GetKeyState(nullptr)[key] = held ? 1 : 0;
}

void ReleaseAllKeys() {
    int n = 0;
    Uint8* keys = SDL_GetKeyState(&n);
    for (int i = 0; i < n; i++)
        keys[i] = 0;
}

void StepWorld(int frames) {
    for (int i = 0; i < frames; i++) {
        fpsm = 1;
        ClearGrid();
        UpdateObjects();
        CollideObjects();
    }
}

std::vector<Object*> Objects() {
    std::vector<Object*> list;
    for (Object* o = firstObject; o; o = o->next)
        list.push_back(o);
    return list;
}

Pixel ReadPixel(int x, int y) {
    unsigned char rgb[3] = {0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

Pixel WorldPixel(float x, float y) {
    return ReadPixel(static_cast<int>(x + hw), static_cast<int>(y + hh));
}

std::string TempPath(const std::string& name) {
    static std::string folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/korvel-test-XXXXXX";
        folder = mkdtemp(pattern);
    }
    return folder + "/" + name;
}
