// harness.cpp -- the test program's window, mixer and the shared helpers.
#include "harness.h"

#include <GL/gl.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>

#include "enemies/boss.h"
#include "flow/frame.h"
#include "glfont.h"
#include "player/pickups.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/input.h"
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
    ForgetTaps();
    MenuKeys(); // the menu has seen them released: keys it waited for count again
}

void PressKey(SDLKey key) {
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
    HandleEvents();
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

void Place(Object* o, float across, float along) {
    o->x = LANDSCAPE ? along : across;
    o->y = LANDSCAPE ? across : along;
}

void Velocity(Object* o, float across, float along) {
    o->vx = LANDSCAPE ? along : across;
    o->vy = LANDSCAPE ? across : along;
}

float Along(const Object* o) {
    return LANDSCAPE ? o->x : o->y;
}

float Across(const Object* o) {
    return LANDSCAPE ? o->y : o->x;
}

float AlongV(const Object* o) {
    return LANDSCAPE ? o->vx : o->vy;
}

float AcrossV(const Object* o) {
    return LANDSCAPE ? o->vy : o->vx;
}

float EntryEdge() {
    return static_cast<float>(LANDSCAPE ? hw : hh);
}

float SideEdge() {
    return static_cast<float>(LANDSCAPE ? hh : hw);
}

Player* AddShip(float across, float along, int p) {
    Player* ship = Listed(new Player(), across, along);
    ship->p = p;
    (p ? player2 : player) = ship;
    return ship;
}

Object* AddShot(float across, float along, int owner) {
    Object* shot = Listed(new Pbullet(0, 0, 0, 0, owner), across, along);
    Velocity(shot, 0, 4);
    return shot;
}

std::vector<BossEnemy*> Satellites() {
    return ObjectsOf<BossEnemy>();
}

int SatellitesInPlay() {
    int n = 0;
    for (BossEnemy* s : Satellites())
        if (s->inPlay) n++;
    return n;
}

int GridNodes(const Object* o) {
    int n = 0;
    for (auto& column : grid)
        for (LLS& cell : column)
            for (LL* node = cell.first; node; node = node->next)
                n += !o || node->obj == o;
    return n;
}

int LiveParticles() {
    int n = 0;
    for (const Explosion& e : boom)
        n += e.valid;
    return n;
}

void ExpectShotsAbsorbed(Object* o) {
    Pbullet plain(0, 0, 0, 0, 0);
    PChargebullet charge(0, 0, 0, 0, 0, 10);
    o->hit(&plain);
    o->hit(&charge);
    EXPECT_TRUE(plain.dead);
    EXPECT_FALSE(charge.dead);
    EXPECT_EQ(charge.data2, 10);
}

Polygons Feedback(const std::function<void()>& draw) {
    static std::vector<GLfloat> buffer(1 << 17);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    EXPECT_GE(n, 0) << "feedback buffer overflow";
    const int stride = 3 + 4 + 4; // x y z, rgba, strq
    Polygons polygons;
    for (GLint i = 0; i < n;) {
        const GLint token = static_cast<GLint>(buffer[i++]);
        if (token == GL_POLYGON_TOKEN) {
            const int count = static_cast<int>(buffer[i++]);
            std::vector<FbVertex> polygon;
            for (int k = 0; k < count; k++, i += stride)
                polygon.push_back({buffer[i] - hw, buffer[i + 1] - hh, buffer[i + 7], buffer[i + 8]});
            polygons.push_back(polygon);
        } else if (token == GL_PASS_THROUGH_TOKEN) {
            i++;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
    }
    return polygons;
}

void ClearFrame() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawText(GLFONT* f, void (*out)(const char*), const char* s, float x, float y, float z, float scale) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glFontBegin(f);
    glTranslatef(x, y, z);
    glScalef(scale, scale, 1);
    out(s);
    glFontEnd();
    glLoadIdentity();
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

std::vector<unsigned char> ReadArea(float x0, float y0, float x1, float y1, int channels) {
    const int w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
    std::vector<unsigned char> bytes(static_cast<size_t>(channels) * w * h);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(static_cast<int>(x0 + hw), static_cast<int>(y0 + hh), w, h, channels == 4 ? GL_RGBA : GL_RGB,
                 GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

std::vector<unsigned char> ReadScreen(int channels) {
    return ReadArea(static_cast<float>(-hw), static_cast<float>(-hh), static_cast<float>(width - hw),
                    static_cast<float>(height - hh), channels);
}

std::string TempPath(const std::string& name) {
    static std::string folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/korvel-test-XXXXXX";
        folder = mkdtemp(pattern);
    }
    return folder + "/" + name;
}

void WithNoFileToSpare(void (*work)()) {
    rlimit old{};
    getrlimit(RLIMIT_NOFILE, &old);
    const int lowestFree = open("/dev/null", O_RDONLY);
    close(lowestFree);
    rlimit none = old;
    none.rlim_cur = lowestFree;
    setrlimit(RLIMIT_NOFILE, &none);
    work();
    setrlimit(RLIMIT_NOFILE, &old);
}

std::string WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return path;
}

std::string WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    return WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void OpenMixer() {
    setenv("SDL_AUDIODRIVER", "dummy", 0); // keep a driver chosen by the caller
    if (!SDL_WasInit(SDL_INIT_AUDIO)) {
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
    }
    ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096), 0) << Mix_GetError();
}
