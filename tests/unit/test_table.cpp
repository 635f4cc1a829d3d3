// test_table.cpp -- the score table's file (every kind of damaged line in one table of cases,
// the order and the ten places), and the title screen's demo played through in the game.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "enemies/boss.h"
#include "flow/difficulty.h"
#include "flow/frame.h"
#include "flow/options_screen.h"
#include "flow/screens.h"
#include "flow/showcase.h"
#include "flow/table.h"
#include "harness.h"
#include "player/player.h"
#include "replay/replay.h"
#include "shell/app.h"
#include "shell/settings.h"

namespace {

struct LineCase {
    const char* line;
    const char* problem; // "" when the line is an entry
};

TEST(ScoreTable, EachDamagedLineIsSkippedWithItsReasonAndTheRestKept) {
    const LineCase cases[] = {
        {"12300 ABC 1p normal 2026-12-08 20261208-214501-1p.korvel-replay", ""},
        {"5 Z 2p custom 2025-01-31 -", ""},
        {"0 A.- 1p hard 2026-12-08 -", ""},
        {"12300 ABC 1p normal 2026-12-08", "fields missing"},
        {"12300 ABC 1p normal 2026-12-08 - more", "text after"},
        {"-5 ABC 1p normal 2026-12-08 -", "not a score"},
        {"1234567890 ABC 1p normal 2026-12-08 -", "not a score"},
        {"12x ABC 1p normal 2026-12-08 -", "not a score"},
        {"1 ABCD 1p normal 2026-12-08 -", "not a name"},
        {"1 abc 1p normal 2026-12-08 -", "not a name"},
        {"1 ABC 3p normal 2026-12-08 -", "not a mode"},
        {"1 ABC 1p insane 2026-12-08 -", "not a difficulty"},
        {"1 ABC 1p easy 2026-1-08 -", "not a date"},
        {"1 ABC 1p easy 2026-12-08 ../highscore.txt", "not a replay"},
        {"1 ABC 1p easy 2026-12-08 .hidden", "not a replay"},
        {"1 ABC 1p easy 2026-12-08 a/b", "not a replay"},
        {"\xff\xfe", "fields missing"},
    };
    std::string text = "# comment\n\n";
    for (const LineCase& c : cases)
        text += std::string(c.line) + "\r\n";
    text += std::string(300, '9') + "\n";
    std::vector<std::string> problems;
    const std::vector<TableEntry> table = ParseTable(text, &problems);
    size_t problem = 0;
    int line = 3, entries = 0;
    for (const LineCase& c : cases) {
        if (!*c.problem) {
            entries++;
        } else {
            ASSERT_LT(problem, problems.size()) << c.line;
            EXPECT_EQ(problems[problem].find("line " + std::to_string(line) + ": "), 0u) << problems[problem];
            EXPECT_NE(problems[problem].find(c.problem), std::string::npos)
                << c.line << " gave " << problems[problem];
            problem++;
        }
        line++;
    }
    ASSERT_EQ(problems.size(), problem + 1) << "the over-long line";
    EXPECT_NE(problems.back().find("too long"), std::string::npos);
    ASSERT_EQ(table.size(), size_t(entries));
    EXPECT_EQ(TableOf(table, 1, "normal")[0].replay, "20261208-214501-1p.korvel-replay");
    EXPECT_EQ(TableOf(table, 2, "custom")[0].score, 5);
}

TEST(ScoreTable, KeepsTheBestTenOfEachModeAndDifficultyAndReadsBackWhatItWrites) {
    std::string text;
    for (int i = 1; i <= 12; i++)
        text += std::to_string(i * 100) + " N" + std::to_string(i % 10) + " 1p easy 2026-12-08 -\n";
    text += "700 EQ 1p easy 2026-12-09 -\n50 TWO 2p easy 2026-12-08 -\n";
    std::vector<std::string> problems;
    std::vector<TableEntry> table = ParseTable(text, &problems);
    EXPECT_TRUE(problems.empty());
    const std::vector<TableEntry> easy = TableOf(table, 1, "easy");
    ASSERT_EQ(easy.size(), size_t(TABLE_PLACES));
    EXPECT_EQ(easy[0].score, 1200);
    EXPECT_EQ(easy[5].name, "N7");
    EXPECT_EQ(easy[6].name, "EQ") << "an equal score goes below the older one";
    EXPECT_EQ(easy[9].score, 400);
    EXPECT_FALSE(EntersTable(table, 400, 1, "easy"));
    EXPECT_TRUE(EntersTable(table, 401, 1, "easy"));
    EXPECT_TRUE(EntersTable(table, 1, 1, "hard"));
    EXPECT_FALSE(EntersTable(table, 0, 1, "hard")) << "a run that scored nothing";
    AddEntry(table, TableEntry{450, "NEW", 1, "easy", "2026-12-10", "x.korvel-replay"});
    EXPECT_EQ(TableOf(table, 1, "easy")[9].name, "NEW");
    EXPECT_EQ(TableOf(table, 2, "easy").size(), 1u);
    const std::vector<TableEntry> reread = ParseTable(TableText(table), &problems);
    EXPECT_TRUE(problems.empty());
    ASSERT_EQ(reread.size(), table.size());
    for (size_t i = 0; i < table.size(); i++)
        EXPECT_EQ(reread[i].name + reread[i].replay, table[i].name + table[i].replay);
}

// The level file each choice reads, in a run folder with the shipped levels: the default
// level.txt gives way to a preset, a level.txt of one's own wins over it.
TEST(Difficulty, TheChoiceReadsItsLevelFileUnlessThePlayersOwnIsThere) {
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    const std::string data = KORVEL_DATA_DIR;
    const std::string defaults = ReadFile(data + "/level.txt");
    EXPECT_EQ(ReadFile(data + "/levels/normal.txt"), defaults) << "normal is the built-in defaults";
    mkdir(TempPath("levels").c_str(), 0755);
    for (const char* name : {"easy", "normal", "hard"})
        WriteFile(TempPath("levels/") + name + ".txt", ReadFile(data + "/levels/" + name + ".txt"));
    ASSERT_EQ(chdir(TempPath("").c_str()), 0);
    struct Case {
        const char* choice;
        std::string ownLevel; // "" for none
        const char* file;
        const char* difficulty;
        const char* label;
    } cases[] = {
        {"normal", "", "level.txt", "normal", ""},
        {"normal", defaults, "level.txt", "normal", ""},
        {"easy", defaults, "levels/easy.txt", "easy", "EASY"},
        {"hard", "", "levels/hard.txt", "hard", "HARD"},
        {"hard", "timeBetweenEnemies=100\n", "level.txt", "custom", ""},
    };
    for (const Case& c : cases) {
        remove("level.txt");
        if (!c.ownLevel.empty()) WriteFile("level.txt", c.ownLevel);
        difficultyChoice = c.choice;
        EXPECT_EQ(LevelFileInForce(), c.file) << c.choice;
        EXPECT_EQ(difficulty, c.difficulty) << c.choice;
        EXPECT_EQ(DifficultyLabel(), c.label) << c.choice;
        EXPECT_EQ(DifficultyOfLevel(ReadFile(levelFile)), c.difficulty) << "a replay of " << c.choice;
    }
    difficultyChoice = difficulty = "normal";
    EXPECT_EQ(chdir(here), 0);
}

class Demo : public CleanWorld {
  protected:
    void TearDown() override {
        replayPaced = true;
        CleanWorld::TearDown();
    }
};

// The demo plays every frame with its checksums in step, reaches a boss, and hands over to the
// table; the player's high score and settings come back, and a key returns to the title menu.
TEST_F(Demo, PlaysThroughToABossThenTheTableThenAKeyEndsIt) {
    highscore = 777;
    timeBetweenEnemies = 5;
    replayPaced = false;
    ASSERT_TRUE(WatchInGame(std::string(KORVEL_DATA_DIR) + "/" + DEMO_FILE, SHOW_DEMO));
    EXPECT_EQ(timeBetweenEnemies, 300) << "the demo's own level";
    bool boss = false;
    for (int frame = 0; !WatchEnded(); frame++) {
        ASSERT_LT(frame, 100000);
        BeginReplayFrame();
        Render();
        EndReplayFrame();
        boss = boss || BOSS;
    }
    EXPECT_EQ(outOfStepAt, 0u);
    EXPECT_TRUE(boss);
    RunShowcase();
    EXPECT_EQ(showing, SHOW_DEMO_TABLE);
    EXPECT_EQ(highscore, 777);
    EXPECT_EQ(timeBetweenEnemies, 5);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_SPACE;
    EXPECT_TRUE(ShowcaseTakesEvent(key));
    RunShowcase();
    EXPECT_EQ(showing, SHOW_NONE);
    ASSERT_EQ(nAnim, 1);
    EXPECT_NE(dynamic_cast<Menu*>(anim[0]), nullptr);
}

// The key that ends the demo brings the title menu back and acts on nothing there; a pause ends
// with the screen it paused.
TEST_F(Demo, TheKeyThatEndsItActsOnNothingAtTheTitle) {
    const int vsyncWas = vsync;
    for (SDLKey key : {SDLK_r, SDLK_v, SDLK_o, SDLK_DOWN, SDLK_SLASH}) {
        highscore = 777;
        ASSERT_TRUE(WatchInGame(std::string(KORVEL_DATA_DIR) + "/" + DEMO_FILE, SHOW_DEMO));
        HoldKey(key);
        PressKey(key);
        RunShowcase();
        UpdateAnimations();
        EXPECT_EQ(showing, SHOW_NONE) << key;
        EXPECT_EQ(highscore, 777) << key;
        EXPECT_EQ(vsync, vsyncWas) << key;
        EXPECT_EQ(optionsScreen, nullptr) << key;
        EXPECT_EQ(MenuSelection(), 0) << key;
        EXPECT_EQ(player, nullptr) << key;
        ReleaseAllKeys();
    }
    PressKey(SDLK_t);
    RunShowcase();
    ASSERT_EQ(showing, SHOW_TABLE);
    PressKey(SDLK_p);
    ASSERT_TRUE(paused);
    PressKey(SDLK_ESCAPE);
    RunShowcase();
    EXPECT_EQ(showing, SHOW_NONE);
    EXPECT_FALSE(paused);
    EXPECT_FALSE(quit);
}

} // namespace
