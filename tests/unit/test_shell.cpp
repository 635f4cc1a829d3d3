// test_shell.cpp -- the application shell: "level.txt" and "highscore.txt", frame timing,
// screen geometry and the two global keys taken from SDL's event queue.
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <type_traits>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "harness.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/settings.h"

namespace {

// One tuning value: its key, its current value and its default.
struct Setting {
    std::string name;
    double value;
    double def;
    bool isFloat;
};

std::vector<Setting> Settings() {
    return {
#define SETTING(name, type, def, end)                                                                        \
    {#name, static_cast<double>(name), static_cast<double>(static_cast<type>(def)),                          \
     std::is_floating_point<type>::value},
#include "shell/settings_table.h"
#undef SETTING
    };
}

// Puts a value into every tuning global that no file would hold by accident.
void ScrambleSettings() {
#define SETTING(name, type, value, end) name = static_cast<type>(-4321);
#include "shell/settings_table.h"
#undef SETTING
}

// The names of the values that differ from their defaults.
std::vector<std::string> ChangedSettings() {
    std::vector<std::string> changed;
    for (const Setting& s : Settings())
        if (s.value != s.def) changed.push_back(s.name);
    return changed;
}

// Reads "level.txt" holding the given text; returns what the game printed.
std::string LoadLevel(const std::string& text) {
    WriteFile("level.txt", text);
    testing::internal::CaptureStdout();
    ReadLevel();
    return testing::internal::GetCapturedStdout();
}

// Every test of the files runs in a fresh folder of its own as the working folder.
class ShellFiles : public testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        static int count = 0;
        folder = TempPath("shell-files-" + std::to_string(count++));
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldCwd = cwd;
        ASSERT_EQ(chdir(folder.c_str()), 0);
        savedVsync = vsync;
        savedSound = sound;
        vsync = 0;
        sound = true;
    }
    void TearDown() override {
        chmod(folder.c_str(), 0755);
        EXPECT_EQ(chdir(oldCwd.c_str()), 0);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        vsync = savedVsync;
        sound = savedSound;
        highscore = 0;
        ResetSettings();
    }
    std::string folder, oldCwd;
    int savedVsync = 0;
    bool savedSound = true;
};

// Frame timing tests measure real frames: the fixed fpsm of the other tests is switched off.
class ShellTiming : public testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        fixedFpsm = 0;
    }
    void TearDown() override {
        fixedFpsm = 1;
        fpsm = 1;
        start = 0;
        FPS = total = fpS = Fps = 0;
        di = 1;
        ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    }
};

// Puts a key event into SDL's event queue.
void Push(SDLKey key, Uint8 type = SDL_KEYDOWN) {
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

// The window's caption.
std::string Caption() {
    char* title = nullptr;
    SDL_WM_GetCaption(&title, nullptr);
    return title ? title : "";
}

class ShellEvents : public testing::Test {
  protected:
    void SetUp() override {
        ResetWorld();
        Drain();
    }
    void TearDown() override {
        Drain();
        quit = paused = false;
        fixedFpsm = 1;
    }
    static void Drain() {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
    static void PushQuit() {
        SDL_Event e{};
        e.type = SDL_QUIT;
        ASSERT_EQ(SDL_PushEvent(&e), 0);
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// "level.txt"

TEST_F(ShellFiles, ExactFirstLineSetsOnlyThatValue) {
    EXPECT_EQ(LoadLevel("timeBetweenEnemies=100\n"), "");
    EXPECT_EQ(timeBetweenEnemies, 100);
    EXPECT_EQ(ChangedSettings(), std::vector<std::string>{"timeBetweenEnemies"});

    // Without the line end the value is still taken.
    ResetSettings();
    LoadLevel("timeBetweenEnemies=-7");
    EXPECT_EQ(timeBetweenEnemies, -7);
}

TEST_F(ShellFiles, KeysMustMatchCharacterForCharacter) {
    for (const char* text :
         {"timeBetweenEnemies = 100\n", "timeBetweenEnemies =100\n", " timeBetweenEnemies=100\n",
          "TimeBetweenEnemies=100\n", "timeBetweenEnemies:100\n", "\n\ntimeBetweenEnemies=100\n",
          "timeBetweenEnemies=x100\n"}) {
        ResetSettings();
        EXPECT_EQ(LoadLevel(text), "") << text;
        EXPECT_TRUE(ChangedSettings().empty()) << "'" << text << "' set " << ChangedSettings()[0];
    }
}

TEST_F(ShellFiles, IntegersAreReadInDecimalOctalAndHex) {
    LoadLevel("timeBetweenEnemies=0x1F\nlifeBarRate=1.0\nrandomNumberSeed=017\npowerUpAtMultipleOf=-250\n\n"
              "timeBeforeBoss=+9\nbossRadius=0X10\n");
    EXPECT_EQ(timeBetweenEnemies, 31);
    EXPECT_EQ(randomNumberSeed, 15);
    EXPECT_EQ(powerUpAtMultipleOf, -250);
    EXPECT_EQ(timeBeforeBoss, 9);
    EXPECT_EQ(bossRadius, 16);
    EXPECT_EQ(bossMinSides, 100);
}

TEST_F(ShellFiles, LifeBarRateIsAFloat) {
    LoadLevel("timeBetweenEnemies=300\nlifeBarRate=2.5\nrandomNumberSeed=3\n");
    EXPECT_FLOAT_EQ(lifeBarRate, 2.5f);
    EXPECT_EQ(randomNumberSeed, 3);

    // A rate that is not a finite number would poison the life bar: the default stays.
    for (const char* text :
         {"timeBetweenEnemies=300\nlifeBarRate=nan\n", "timeBetweenEnemies=300\nlifeBarRate=inf\n"}) {
        ResetSettings();
        LoadLevel(text);
        EXPECT_FLOAT_EQ(lifeBarRate, 1.0f) << text;
    }
}

TEST_F(ShellFiles, HugeValuesAreHeldWhereTheGameCanComputeWithThem) {
    LoadLevel("timeBetweenEnemies=2147483647\nlifeBarRate=1e30\nrandomNumberSeed=2147483647\n"
              "powerUpAtMultipleOf=-2147483648\n\ntimeBeforeBoss=1000000\nbossRadius=-1000001\n");
    EXPECT_EQ(timeBetweenEnemies, 1000000);
    EXPECT_FLOAT_EQ(lifeBarRate, 1e6f);
    EXPECT_EQ(randomNumberSeed, 2147483647); // any seed is fine
    EXPECT_EQ(powerUpAtMultipleOf, -1000000);
    EXPECT_EQ(timeBeforeBoss, 1000000);
    EXPECT_EQ(bossRadius, -1000000);
}

TEST_F(ShellFiles, ReadingStopsAtTheFirstKeyOutOfPlace) {
    // Reordered: the second line names the third key.
    LoadLevel("timeBetweenEnemies=100\nrandomNumberSeed=5\nlifeBarRate=2.0\npowerUpAtMultipleOf=10\n");
    EXPECT_EQ(ChangedSettings(), std::vector<std::string>{"timeBetweenEnemies"});

    // Misspelt (lower-case b): nothing from there on is taken, even the correct keys after it.
    ResetSettings();
    LoadLevel("timeBetweenEnemies=100\nlifeBarRate=3.0\nrandomNumberSeed=5\npowerUpAtMultipleOf=10\n\n"
              "timeBeforeBoss=1\nbossradius=2\nbossMinSides=3\n");
    EXPECT_EQ(ChangedSettings(),
              (std::vector<std::string>{"timeBetweenEnemies", "lifeBarRate", "randomNumberSeed",
                                        "powerUpAtMultipleOf", "timeBeforeBoss"}));

    // Blank lines between entries are accepted anywhere, text after a value stops the reading.
    ResetSettings();
    LoadLevel("timeBetweenEnemies=100\n\n\n   lifeBarRate=3.0\nrandomNumberSeed=5 # "
              "seed\npowerUpAtMultipleOf=10\n");
    EXPECT_EQ(ChangedSettings(),
              (std::vector<std::string>{"timeBetweenEnemies", "lifeBarRate", "randomNumberSeed"}));
}

TEST_F(ShellFiles, MissingLevelFilePrintsTheMessageOnce) {
    ScrambleSettings();
    ResetSettings();
    testing::internal::CaptureStdout();
    ReadLevel();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR LOADING LEVEL, USING DEFAULTS!\n");
    EXPECT_TRUE(ChangedSettings().empty());
}

TEST_F(ShellFiles, DefaultLevelFileHoldsEveryDefaultInOrder) {
    const std::string defaults = ReadFile(KORVEL_DATA_DIR "/level.txt");
    ASSERT_FALSE(defaults.empty()) << "no " KORVEL_DATA_DIR "/level.txt";
    ASSERT_EQ(Settings().size(), static_cast<size_t>(SETTINGS_COUNT));

    ScrambleSettings();
    EXPECT_EQ(LoadLevel(defaults), "");
    for (const Setting& s : Settings())
        EXPECT_EQ(s.value, s.def) << s.name << " was not read";

    // Changing one line of the file changes exactly its own value: keys, order and formats agree.
    for (const Setting& s : Settings()) {
        size_t at = 0;
        if (defaults.compare(0, s.name.size() + 1, s.name + "=") != 0) {
            at = defaults.find("\n" + s.name + "=");
            ASSERT_NE(at, std::string::npos) << s.name << " missing from the file";
            at++;
        }
        const size_t valueAt = at + s.name.size() + 1;
        const size_t valueEnd = defaults.find('\n', valueAt);
        const double changed = s.isFloat ? 3.5 : s.def + 7;
        std::string text = defaults;
        text.replace(valueAt, valueEnd - valueAt,
                     s.isFloat ? "3.5" : std::to_string(static_cast<int>(changed)));

        ResetSettings();
        LoadLevel(text);
        for (const Setting& now : Settings()) {
            if (now.name == s.name)
                EXPECT_EQ(now.value, changed) << s.name;
            else
                EXPECT_EQ(now.value, now.def) << now.name << " changed with " << s.name;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// "highscore.txt"

TEST_F(ShellFiles, HighscoreFileIsReadLineByLine) {
    WriteFile(HIGHSCORE_FILE, "highscore: 1200\n");
    ReadHighscore();
    EXPECT_EQ(highscore, 1200);
    EXPECT_EQ(vsync, 0);
    EXPECT_TRUE(sound);

    WriteFile(HIGHSCORE_FILE, "highscore: 77\nvsync: 1\nsound: 0\n");
    ReadHighscore();
    EXPECT_EQ(highscore, 77);
    EXPECT_EQ(vsync, 1);
    EXPECT_FALSE(sound);

    // Any non-zero stored sound value means on.
    WriteFile(HIGHSCORE_FILE, "highscore: 5\nvsync: 0\nsound: 2\n");
    ReadHighscore();
    EXPECT_TRUE(sound);
    EXPECT_EQ(vsync, 0);

    // So does any non-zero v-sync value: a swap interval of 1000 or -3 is never asked for.
    WriteFile(HIGHSCORE_FILE, "highscore: 5\nvsync: 1000\nsound: 0\n");
    ReadHighscore();
    EXPECT_EQ(vsync, 1);
    EXPECT_FALSE(sound);
    vsync = 0;
    WriteFile(HIGHSCORE_FILE, "highscore: 5\nvsync: -3\nsound: 1\n");
    ReadHighscore();
    EXPECT_EQ(vsync, 1);
    EXPECT_TRUE(sound);

    // No file: the high score is 0, the switches keep what they hold.
    remove(HIGHSCORE_FILE.c_str());
    vsync = 1;
    sound = false;
    testing::internal::CaptureStdout();
    ReadHighscore();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(highscore, 0);
    EXPECT_EQ(vsync, 1);
    EXPECT_FALSE(sound);
}

TEST_F(ShellFiles, SavehighscoreWritesTheThreeLines) {
    WriteFile(HIGHSCORE_FILE, "highscore: 99999999\nvsync: 0\nsound: 1\nsome longer old content\n");
    highscore = 1234;
    vsync = 1;
    sound = false;
    Savehighscore();
    EXPECT_EQ(ReadFile(HIGHSCORE_FILE), "highscore: 1234\nvsync: 1\nsound: 0\n");
    namespace fs = std::filesystem;
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1)
        << "a temporary file is left";

    // What is written reads back the same.
    highscore = 0;
    vsync = 0;
    sound = true;
    ReadHighscore();
    EXPECT_EQ(highscore, 1234);
    EXPECT_EQ(vsync, 1);
    EXPECT_FALSE(sound);

    // Created when missing.
    remove(HIGHSCORE_FILE.c_str());
    sound = true;
    Savehighscore();
    EXPECT_EQ(ReadFile(HIGHSCORE_FILE), "highscore: 1234\nvsync: 1\nsound: 1\n");
}

TEST_F(ShellFiles, FailedSaveKeepsTheStoredScore) {
    const std::string old = "highscore: 5000\nvsync: 1\nsound: 1\n";
    WriteFile(HIGHSCORE_FILE, old);
    highscore = 10;
    WithNoFileToSpare(Savehighscore);
    EXPECT_EQ(ReadFile(HIGHSCORE_FILE), old);
}

TEST_F(ShellFiles, SaveIntoAReadOnlyFolderKeepsTheStoredScore) {
    const std::string old = "highscore: 5000\nvsync: 0\nsound: 0\n";
    WriteFile(HIGHSCORE_FILE, old);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    if (access(folder.c_str(), W_OK) == 0) GTEST_SKIP() << "the folder stays writable for this user";
    highscore = 10;
    Savehighscore();
    EXPECT_EQ(ReadFile(HIGHSCORE_FILE), old);
}

// ---------------------------------------------------------------------------------------------
// Frame timing, geometry and the polygon table

TEST_F(ShellTiming, TwoFramesInOneMillisecondMeasureNothing) {
    start = static_cast<int>(SDL_GetTicks()) + 100000;
    const int before = start;
    fpsm = 0.75f;
    FPS = 12.5f;
    di = 7;
    total = 90;
    SDL_WM_SetCaption("unchanged", nullptr);
    postDraw();
    EXPECT_EQ(start, before);
    EXPECT_FLOAT_EQ(fpsm, 0.75f);
    EXPECT_FLOAT_EQ(FPS, 12.5f);
    EXPECT_FLOAT_EQ(di, 7);
    EXPECT_FLOAT_EQ(total, 90);
    EXPECT_EQ(Caption(), "unchanged");
}

TEST_F(ShellTiming, MeasuredFrameSetsFpsmAndCaption) {
    start = static_cast<int>(SDL_GetTicks()) - 50;
    const int before = start;
    fpsm = 0; // the first measured frame: the averaging window cannot close
    di = 1000;
    total = 500;
    Fps = 0;
    postDraw();
    EXPECT_GE(FPS, 50);
    EXPECT_FLOAT_EQ(fpsm, FPS / 16.666666f);
    EXPECT_FLOAT_EQ(di, 1001);
    EXPECT_FLOAT_EQ(total, 500 + FPS);
    EXPECT_EQ(start, before + static_cast<int>(FPS));
    EXPECT_LE(start, static_cast<int>(SDL_GetTicks()));
    EXPECT_EQ(Caption(), "KORVEL  (FPS: 0.000000)");
}

TEST_F(ShellTiming, AveragingWindowClosesAfter150FramesWorth) {
    // A frame 20 ms after the last one, at frame time `step`, with `frames` frames of `sum` ms
    // in the averaging window.
    auto frame = [](float step, float frames, float sum) {
        start = static_cast<int>(SDL_GetTicks()) - 20;
        fpsm = step;
        di = frames;
        total = sum;
        postDraw();
    };
    // fpsm 1: the window closes once di exceeds 150.
    fpS = 9;
    Fps = 42;
    frame(1, 150, 3000);
    EXPECT_FLOAT_EQ(fpS, 9) << "di = 150 is not past 150 / fpsm";
    EXPECT_FLOAT_EQ(di, 151);
    EXPECT_FLOAT_EQ(total, 3000 + FPS);

    frame(1, 151, 3020);
    EXPECT_FLOAT_EQ(fpS, 20); // 3020 / 151
    EXPECT_FLOAT_EQ(Fps, 50);
    EXPECT_FLOAT_EQ(di, 2);
    EXPECT_FLOAT_EQ(total, FPS);
    // The caption shows the window that closed before this frame.
    EXPECT_EQ(Caption(), "KORVEL  (FPS: 42.000000)");

    // At fpsm 2 (30 frames per second) the window spans 75 frames.
    frame(2, 76, 760);
    EXPECT_FLOAT_EQ(fpS, 10);
    EXPECT_FLOAT_EQ(Fps, 100);
    EXPECT_FLOAT_EQ(di, 2);
}

TEST_F(ShellTiming, FrameClockRestartsAtLoopStartAndAfterAPause) {
    start = 0;
    const int t0 = static_cast<int>(SDL_GetTicks());
    RestartFrameClock();
    EXPECT_GE(start, t0);
    EXPECT_LE(start, static_cast<int>(SDL_GetTicks()));

    // Run restarts the clock before its first frame, so that frame does not measure start-up.
    start = 0;
    quit = true;
    const int t1 = static_cast<int>(SDL_GetTicks());
    EXPECT_EQ(::Run(), 1);
    EXPECT_GE(start, t1);

    // Pause, then (long) later resume: the next frame measures from the resume.
    quit = false;
    Push(SDLK_p);
    HandleEvents();
    ASSERT_TRUE(paused);
    start -= 10000; // as if the pause lasted ten seconds
    const int t2 = static_cast<int>(SDL_GetTicks());
    Push(SDLK_p);
    HandleEvents();
    ASSERT_FALSE(paused);
    EXPECT_GE(start, t2) << "the frame after the pause would measure the pause";
    quit = paused = false;
}

TEST_F(ShellTiming, ChangeSizeWithOddAndZeroSizes) {
    ChangeSize(481, 801);
    EXPECT_EQ(width, 481);
    EXPECT_EQ(height, 801);
    EXPECT_EQ(hw, 240);
    EXPECT_EQ(hh, 400);
    EXPECT_EQ(qw, 120);
    EXPECT_EQ(qh, 200);
    EXPECT_FLOAT_EQ(CW, LANDSCAPE ? 96 : 120);
    EXPECT_FLOAT_EQ(CH, LANDSCAPE ? 200 : 160);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 481);
    EXPECT_EQ(viewport[3], 801);
    // Orthographic x range -240 .. 240 and depth -100 .. 100, model-view identity.
    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 2.0f / 480);
    EXPECT_FLOAT_EQ(m[5], 2.0f / 800);
    EXPECT_FLOAT_EQ(m[10], -2.0f / 200);
    EXPECT_NEAR(m[12], 0, 1e-6);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 1);
    EXPECT_FLOAT_EQ(m[12], 0);
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // The portrait window's grid cells, and the landscape one's.
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    EXPECT_FLOAT_EQ(CW, LANDSCAPE ? 160 : 120);
    EXPECT_FLOAT_EQ(CH, LANDSCAPE ? 120 : 160);

    // A zero height counts as 1.
    ChangeSize(480, 0);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(hh, 0);
    EXPECT_EQ(hw, 240);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    while (glGetError() != GL_NO_ERROR) {
    }

    // The background's frustum set-up sets the screen globals but leaves the grid cells.
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
    const float cw = CW, ch = CH;
    ChangeSizeProj(481, 0);
    EXPECT_EQ(width, 481);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(hw, 240);
    EXPECT_FLOAT_EQ(CW, cw);
    EXPECT_FLOAT_EQ(CH, ch);
    ChangeSizeProj(WINDOW_WIDTH, WINDOW_HEIGHT);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_FLOAT_EQ(m[0], 2.0f / WINDOW_WIDTH); // near plane 1, half-width hw
    EXPECT_FLOAT_EQ(m[11], -1);                 // divides by the distance
}

TEST_F(ShellTiming, PolygonTableAndDrawingState) {
    SetDrawingState();
    EXPECT_EQ(pd[0], 0);
    EXPECT_EQ(pd[1], 0);
    for (int i = 2; i < PD_SIZE; i++)
        EXPECT_EQ(pd[i], static_cast<float>(6.283185307179586 / i)) << i;
    EXPECT_FLOAT_EQ(pd[4], 1.5707963f);
    EXPECT_EQ(PolygonSides(-3), 0);
    EXPECT_EQ(PolygonSides(499), 499);
    EXPECT_EQ(PolygonSides(500), 499);

    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_POLYGON_SMOOTH));
    EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
    EXPECT_TRUE(glIsEnabled(GL_POINT_SMOOTH));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint v;
    glGetIntegerv(GL_BLEND_SRC, &v);
    EXPECT_EQ(v, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &v);
    EXPECT_EQ(v, GL_ONE);
    glGetIntegerv(GL_DEPTH_FUNC, &v);
    EXPECT_EQ(v, GL_LESS);
    GLfloat f;
    glGetFloatv(GL_POINT_SIZE, &f);
    EXPECT_FLOAT_EQ(f, 2.0f);

    // preDraw clears to black.
    preDraw();
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex2f(-50, -50);
    glVertex2f(50, -50);
    glVertex2f(50, 50);
    glVertex2f(-50, 50);
    glEnd();
    ASSERT_GT(WorldPixel(0, 0).r, 200);
    preDraw();
    EXPECT_EQ(WorldPixel(0, 0).r, 0);
}

// ---------------------------------------------------------------------------------------------
// Events

TEST_F(ShellEvents, EscapeAndWindowCloseQuit) {
    Push(SDLK_ESCAPE, SDL_KEYUP);
    Push(SDLK_q);
    Push(SDLK_z);
    HandleEvents();
    EXPECT_FALSE(quit) << "only a key-down of Escape quits";

    Push(SDLK_ESCAPE);
    HandleEvents();
    EXPECT_TRUE(quit);

    quit = false;
    PushQuit();
    HandleEvents();
    EXPECT_TRUE(quit) << "closing the window must end the game like Escape";
    EXPECT_FALSE(paused);
}

TEST_F(ShellEvents, PTogglesPause) {
    Push(SDLK_p);
    HandleEvents();
    EXPECT_TRUE(paused);
    Push(SDLK_p, SDL_KEYUP);
    HandleEvents();
    EXPECT_TRUE(paused);
    Push(SDLK_p);
    HandleEvents();
    EXPECT_FALSE(paused);

    // Several presses in one batch each flip it.
    for (int i = 0; i < 4; i++)
        Push(SDLK_p);
    HandleEvents();
    EXPECT_FALSE(paused);
    for (int i = 0; i < 3; i++)
        Push(SDLK_p);
    HandleEvents();
    EXPECT_TRUE(paused);

    // Escape and P in one batch: both take effect.
    Push(SDLK_ESCAPE);
    Push(SDLK_p);
    HandleEvents();
    EXPECT_TRUE(quit);
    EXPECT_FALSE(paused);
}

TEST_F(ShellEvents, RunEndsAfterTheBatchThatQuits) {
    // One frame is drawn, then the pending events are drained: Escape ends the loop, the P
    // after it in the same batch still counts.
    Push(SDLK_ESCAPE);
    Push(SDLK_p);
    EXPECT_EQ(::Run(), 1);
    EXPECT_TRUE(quit);
    EXPECT_TRUE(paused);
    SDL_Event e;
    EXPECT_EQ(SDL_PollEvent(&e), 0) << "events left in the queue";
}

// ---------------------------------------------------------------------------------------------
// The random sequence

namespace {

// Per test run: the audio thread's mixes since the music started; each also draws from random(),
// as the music library does.
std::atomic<int> mixes{0};
void DrawWhileMixing(void*, Uint8*, int) {
    for (int i = 0; i < 10; i++)
        random();
    mixes++;
}

void WaitForMixes(int count) {
    for (int waited = 0; mixes < count && waited < 60000; waited += 5)
        SDL_Delay(5);
}

// Fails (status 1, saying where) unless rand() continues srand(randomNumberSeed)'s sequence after
// Init, and after a few frames, while the music plays; status 0 without the exit handlers.
void StartAndDraw() {
    const std::string folder = TempPath("random-run");
    std::filesystem::create_directories(folder);
    for (const char* data : {"music1.xm", "font.fnt"})
        std::filesystem::create_symlink(std::string(KORVEL_DATA_DIR) + "/" + data, folder + "/" + data);
    if (chdir(folder.c_str()) != 0) _exit(2);
    Mix_SetPostMix(DrawWhileMixing, nullptr);
    char program[] = "korvel";
    char* argv[] = {program, nullptr};
    Init(1, argv, "FPS: 60");
    // The sequence srand(randomNumberSeed) starts, drawn from a generator of the test's own.
    random_data seeded{};
    char state[128];
    initstate_r(static_cast<unsigned>(randomNumberSeed), state, sizeof state, &seeded);
    std::vector<int32_t> sequence(100000);
    for (int32_t& value : sequence)
        random_r(&seeded, &value);
    WaitForMixes(3);
    if (rand() != sequence[0] || !Mix_PlayingMusic()) {
        fprintf(stderr, "after Init\n");
        _exit(1);
    }
    for (int frame = 0; frame < 3; frame++)
        LoopTurn();
    WaitForMixes(mixes + 3);
    const int32_t next = rand();
    if (std::find(sequence.begin() + 1, sequence.end(), next) == sequence.end()) {
        fprintf(stderr, "between frames\n");
        _exit(1);
    }
    _exit(0);
}

} // namespace

TEST(ShellRandom, RandContinuesTheSeededSequenceWhileTheMusicPlays) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(StartAndDraw(), testing::ExitedWithCode(0), "");
}
