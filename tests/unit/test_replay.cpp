// Replays: a scripted two-player game recorded, played back to the same end, and found out of
// step once one key bit of its file is changed; a run of another version or build is refused.
#include <gtest/gtest.h>

#include <unistd.h>

#include "enemies/projectiles.h"
#include "flow/frame.h"
#include "flow/screens.h"
#include "harness.h"
#include "player/pickups.h"
#include "player/player.h"
#include "replay/replay.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/settings.h"
#include "world/effects.h"

namespace {

// The script: from its frame on, these keys are held; a power-up of a kind lands on player 1, or
// an enemy bullet on player 2.
struct Step {
    int frame;
    std::vector<SDLKey> keys;
    int powerUp = -1;
    bool bulletOnPlayer2 = false;
};
const Step SCRIPT[] = {
    {0, {}},
    {20, {SDLK_DOWN}}, // the menu's "2 PLAYER START"
    {25, {}},
    {40, {SDLK_SLASH}},
    {45, {SDLK_LEFT, SDLK_SLASH, SDLK_d, SDLK_b}},
    {100, {SDLK_SLASH, SDLK_b}, 1}, // the charge gun, charged while fire is held
    {160, {SDLK_UP, SDLK_w}},       // released: the charge shot
    {170, {SDLK_SLASH, SDLK_a}, 2}, // the lightning gun
    {200, {SDLK_SLASH, SDLK_s}, -1, true},
    {260, {SDLK_RIGHT, SDLK_c}},
};
const int FRAMES = 320;
// Frame times as postDraw measures them (16 and 17 ms) and as tests fix them.
const float FPSM[] = {16 / 16.666666f, 17 / 16.666666f, 1.0f, 0.5f};

struct End {
    int score[2], lives, objects;
};
End Now() {
    return {{score[0], score[1]}, lives, nObject};
}

// The script's keys and landings for one frame.
void Act(int frame) {
    for (const Step& step : SCRIPT) {
        if (step.frame > frame) break;
        if (step.frame < frame) continue;
        ReleaseAllKeys();
        for (SDLKey key : step.keys)
            HoldKey(key);
        if (step.powerUp >= 0 && player) AddObject(new PowerUp(player->x, player->y, step.powerUp));
        if (step.bulletOnPlayer2 && player2) AddObject(new Ebullet(player2->x, player2->y, 0, 0));
    }
}

// One frame of the script, as LoopTurn runs it, at the script's frame times or a fixed one; played
// back, Right is held on the real keyboard (fast).
void Frame(int frame, float fpsm = 0) {
    Act(frame);
    if (replayMode == REPLAY_PLAY) HoldKey(SDLK_RIGHT);
    fixedFpsm = fpsm > 0 ? fpsm : FPSM[frame % 4];
    BeginReplayFrame();
    Render();
    EndReplayFrame();
}

// A fresh run as Init leaves it: level.txt from the working folder, or the played replay's.
void StartRun() {
    ResetWorld();
    if (replayMode == REPLAY_PLAY)
        TakeReplaySettings();
    else
        ReadLevel();
    srand(randomNumberSeed);
    AddAnimation(new Menu());
}

// Plays the file at path back to its end; the world's end.
End PlayBack(const std::string& path) {
    playPath = path;
    EXPECT_EQ(OpenReplay(), START_GAME);
    StartRun();
    for (int frame = 0; !quit; frame++)
        Frame(frame);
    return Now();
}

class Replays : public CleanWorld {
  protected:
    void SetUp() override {
        CleanWorld::SetUp();
        char here[4096];
        ASSERT_TRUE(getcwd(here, sizeof here));
        folder = here;
        // A level with enemies every 20 frames and a seed of its own.
        std::string level = ReadFile(KORVEL_DATA_DIR "/level.txt");
        level.replace(level.find("timeBetweenEnemies=300"), 22, "timeBetweenEnemies=20");
        level.replace(level.find("randomNumberSeed=0"), 18, "randomNumberSeed=4242");
        WriteFile(TempPath("level.txt"), level);
        ASSERT_EQ(chdir(TempPath("").c_str()), 0);
    }
    void TearDown() override {
        replayMode = REPLAY_OFF;
        recordPath = playPath = "";
        SubstituteKeys(nullptr, nullptr);
        EXPECT_EQ(chdir(folder.c_str()), 0);
        CleanWorld::TearDown();
    }
    std::string folder;
};

TEST_F(Replays, AScriptedGamePlaysBackToItsEndAndAChangedKeyIsFoundOutOfStep) {
    recordPath = TempPath("game.korvel-replay");
    StartRun();
    StartRecording();
    for (int frame = 0; frame < FRAMES; frame++)
        Frame(frame);
    const End recorded = Now();
    FinishReplay();
    ASSERT_NE(player2, nullptr) << "the script starts a two-player game";
    EXPECT_EQ(player->gun, GUN_LIGHTNING) << "player 1 picked up both power-ups";
    EXPECT_GT(recorded.score[0] + recorded.score[1], 0);
    EXPECT_LT(recorded.lives, 10) << "player 2 lost a life";
    replayMode = REPLAY_OFF;

    const std::string bytes = ReadFile(recordPath);
    Replay replay;
    ASSERT_EQ(DecodeReplay(bytes, &replay), "");
    EXPECT_EQ(replay.fpsm.size(), size_t(FRAMES));
    EXPECT_EQ(replay.gameStart, 40u);
    EXPECT_EQ(replay.players, 2);
    EXPECT_EQ(replay.score[0], recorded.score[0]);
    for (int frame = 0; frame < 4; frame++)
        EXPECT_EQ(replay.fpsm[frame], FPSM[frame]);

    const End played = PlayBack(recordPath);
    EXPECT_EQ(outOfStepAt, 0u);
    EXPECT_EQ(played.score[0], recorded.score[0]);
    EXPECT_EQ(played.score[1], recorded.score[1]);
    EXPECT_EQ(played.lives, recorded.lives);
    EXPECT_EQ(played.objects, recorded.objects);

    // Player 1's Left released for one frame mid-game: found at the next checksum.
    replay.keys[70] &= ~(1u << 2);
    const std::string changed = WriteFile(TempPath("changed.korvel-replay"), EncodeReplay(replay));
    PlayBack(changed);
    EXPECT_EQ(outOfStepAt, 120u);
}

// Recorded at 3000 frames per second, played at 8 times its pace: no machine draws and presents a
// frame in 0.04 ms, so the frames behind the pace only run, and the world still ends as recorded.
TEST_F(Replays, FastPlaybackPresentsOnlyTheFramesThatCatchUp) {
    const float fastFpsm = 0.02f;
    const int frames = 4 * FRAMES;
    recordPath = TempPath("fast.korvel-replay");
    StartRun();
    StartRecording();
    for (int frame = 0; frame < frames; frame++)
        Frame(frame, fastFpsm);
    const End recorded = Now();
    FinishReplay();
    replayMode = REPLAY_OFF;

    const unsigned shownBefore = framesShown;
    const End played = PlayBack(recordPath);
    EXPECT_EQ(outOfStepAt, 0u);
    EXPECT_EQ(played.score[0], recorded.score[0]);
    EXPECT_EQ(played.objects, recorded.objects);
    EXPECT_LT(framesShown - shownBefore, unsigned(frames / 4)) << "frames presented of " << frames;
    EXPECT_TRUE(framePresented) << "between frames, drawing shows";
}

// The desktop game plays back only its own version's runs, and tells a browser game's run (its
// version marked "+web", whatever the number) by who made it.
TEST(ReplayVersions, EachBuildPlaysOnlyItsOwnRuns) {
    EXPECT_EQ(ReplayVersion(), KORVEL_VERSION);
    const struct {
        std::string version;
        const char* problem;
    } cases[] = {
        {KORVEL_VERSION, ""},
        {KORVEL_VERSION "+web", "made by the browser game, whose arithmetic differs from the desktop game's"},
        {"0.9.0+web", "made by the browser game"},
        {"0.9.0", "made by version 0.9.0 of the game"},
        {"+web", "made by version +web of the game"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MadeInBrowser(c.version), std::string(c.problem).find("browser") != std::string::npos)
            << c.version;
        EXPECT_EQ(VersionProblem(c.version).rfind(c.problem, 0), 0u) << VersionProblem(c.version);
    }
}

} // namespace
