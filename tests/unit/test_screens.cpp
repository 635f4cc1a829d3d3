// The overlays: the title menu and its keys, starting a game, the game-over screen with its
// winner line, and the extra-life bar. Overlays are stepped through the animation list.
#include <GL/gl.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "enemies/boss.h"
#include "enemies/enemy.h"
#include "flow/frame.h"
#include "flow/options_screen.h"
#include "flow/screens.h"
#include "glfont.h"
#include "harness.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/files.h"
#include "shell/orientation.h"
#include "shell/settings.h"
#include "world/effects.h"

namespace {

class ScreensTest : public CleanWorld {
  protected:
    void TearDown() override {
        CleanWorld::TearDown();
        if (ownFont) {
            // Leave the program without a font again, as the harness has it.
            GLuint id = static_cast<GLuint>(font->Tex);
            glFontDestroy(font);
            free(font);
            font = nullptr;
            glDeleteTextures(1, &id);
        }
    }

    // The game's font, as Init loads it.
    bool LoadFont() {
        if (!font) {
            GLuint id = 0;
            glGenTextures(1, &id);
            font = glFontCreate(KORVEL_DATA_DIR "/font.fnt", static_cast<int>(id));
            ownFont = font != nullptr;
        }
        return font != nullptr;
    }

  private:
    bool ownFont = false;
};

// Frames of the overlays at the current fpsm, each on a cleared screen, in the frame step's white.
void Frame(int frames = 1) {
    for (int f = 0; f < frames; f++) {
        preDraw();
        glColor3f(1, 1, 1);
        UpdateAnimations();
    }
}

Menu* OpenMenu() {
    auto* menu = new Menu();
    AddAnimation(menu);
    return menu;
}

int Lit(const std::vector<unsigned char>& rgb) {
    int n = 0;
    for (unsigned char c : rgb)
        n += c > 40;
    return n;
}

// The band of the game-over screen's winner line: scale 9 hanging below y = -80.
std::vector<unsigned char> WinnerBand() {
    return ReadArea(-80, -93, 80, -76);
}

// What a winner line looks like when drawn alone.
std::vector<unsigned char> Reference(const char* text) {
    preDraw();
    glColor3f(1, 1, 1);
    DrawText(font, glFontTextOutc, text, 0, -80, 0, 9);
    return WinnerBand();
}

TEST_F(ScreensTest, MenuIgnoresFireHeldSinceItOpenedUntilReleased) {
    OpenMenu();
    HoldKey(SDLK_z);
    Frame(3);
    EXPECT_EQ(nAnim, 1);
    EXPECT_EQ(player, nullptr);
    HoldKey(SDLK_z, false);
    Frame();
    EXPECT_EQ(nAnim, 1);
    HoldKey(SDLK_SLASH);
    Frame();
    EXPECT_EQ(nAnim, 0);
    EXPECT_NE(player, nullptr);
}

TEST_F(ScreensTest, MenuUpAndDownTogetherMoveUp) {
    Menu* menu = OpenMenu();
    HoldKey(SDLK_UP);
    HoldKey(SDLK_DOWN);
    Frame();
    EXPECT_EQ(menu->option, 2);
    EXPECT_EQ(menu->vx, -45);
    EXPECT_EQ(menu->vy, -115);
}

// A key pressed and released between two frames, both events in one drain of the queue, counts
// as held for the next frame only: a quick tap of Down moves the selection, one of Z chooses.
TEST_F(ScreensTest, MenuSeesAQuickTapOnce) {
    auto tap = [](SDLKey key) {
        for (Uint8 type : {SDL_KEYDOWN, SDL_KEYUP}) {
            SDL_Event e{};
            e.type = type;
            e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
            e.key.keysym.sym = key;
            SDL_PushEvent(&e);
        }
        HandleEvents();
    };
    Menu* menu = OpenMenu();
    Frame();
    tap(SDLK_DOWN);
    EXPECT_FALSE(SDL_GetKeyState(nullptr)[SDLK_DOWN]);
    Frame();
    EXPECT_EQ(menu->option, 1);
    HandleEvents();
    Frame(30);
    EXPECT_EQ(menu->option, 1) << "the tap counts for one frame";
    tap(SDLK_z);
    Frame();
    EXPECT_EQ(nAnim, 0);
    EXPECT_NE(player2, nullptr) << "two players chosen";
}

TEST_F(ScreensTest, MenuUpHeldStepsOncePerMarkerArrival) {
    // At any frame time, also at whole steps of 1 or more, where the marker hunts around its
    // target by a full step and must still count as arrived; below a step of 1 it has arrived
    // within 1 unit on both axes, not a hair more.
    const struct {
        float step;
        std::vector<int> frames;
    } cases[] = {{0.5f, {}}, {0.99f, {0, 21, 36, 46}}, {1.0f, {}}, {2.0f, {}}};
    for (const auto& c : cases) {
        const float step = c.step;
        ResetWorld();
        Menu* menu = OpenMenu();
        HoldKey(SDLK_UP);
        std::vector<int> options, frames;
        int last = menu->option;
        for (int f = 0; f < 400 && options.size() < 4; f++) {
            fpsm = step;
            Frame();
            if (menu->option != last) {
                options.push_back(menu->option);
                frames.push_back(f);
                last = menu->option;
            }
        }
        EXPECT_EQ(options, (std::vector<int>{2, 1, 0, 2})) << "step " << step;
        ASSERT_EQ(frames.size(), 4u);
        EXPECT_EQ(frames[0], 0);
        // The marker travels 100, 75 and 50 units at 5 steps per frame before the next move.
        EXPECT_GE(frames[1] - frames[0], 100 / (5 * step) - 1) << "step " << step;
        EXPECT_GE(frames[3] - frames[2], 50 / (5 * step) - 1) << "step " << step;
        if (!c.frames.empty()) {
            EXPECT_EQ(frames, c.frames) << "step " << step;
        }
    }
}

// The line naming O and T stands under the help line in the installed game only: a run folder's
// title menu is the game's own.
TEST_F(ScreensTest, MenuNamesItsOwnScreensOnlyWhenInstalled) {
    namespace fs = std::filesystem;
    ASSERT_TRUE(LoadFont());
    const std::string prefix = TempPath("screens-prefix");
    fs::create_directories((fs::path(prefix + "/games") / KORVEL_DATA_FROM_BIN).lexically_normal());
    for (bool installed : {false, true}) {
        FindInstalledDataFolder(installed ? prefix + "/games/korvel" : "");
        ResetWorld();
        OpenMenu();
        Frame();
        const float y = OptionsLineY();
        EXPECT_EQ(Lit(ReadArea(-100, y - 8, 100, y + 1)) > 0, installed) << "installed " << installed;
    }
    FindInstalledDataFolder(fs::read_symlink("/proc/self/exe").string());
    fs::remove_all(prefix);
}

TEST_F(ScreensTest, MenuVTogglesVsyncOncePerPress) {
    OpenMenu();
    const int start = vsync;
    HoldKey(SDLK_v);
    Frame(4);
    EXPECT_EQ(vsync, start == 1 ? 0 : 1);
    HoldKey(SDLK_v, false);
    Frame();
    HoldKey(SDLK_v);
    Frame();
    EXPECT_EQ(vsync, start);
}

TEST_F(ScreensTest, MenuSSilencesAndRestoresTheMixer) {
    Mix_Volume(-1, 64);
    Mix_VolumeMusic(128);
    OpenMenu();
    HoldKey(SDLK_s);
    Frame(4); // one press, however long
    EXPECT_FALSE(sound);
    EXPECT_EQ(Mix_VolumeMusic(-1), 0);
    EXPECT_EQ(Mix_Volume(-1, -1), 0);
    HoldKey(SDLK_s, false);
    Frame();
    EXPECT_EQ(Mix_VolumeMusic(-1), 0);
    HoldKey(SDLK_s);
    Frame();
    EXPECT_TRUE(sound);
    EXPECT_EQ(Mix_VolumeMusic(-1), 128);
    EXPECT_EQ(Mix_Volume(-1, -1), 64);
    Mix_Volume(-1, MIX_MAX_VOLUME);
}

TEST_F(ScreensTest, MenuRResetsTheHighScoreAndExitQuits) {
    Menu* menu = OpenMenu();
    highscore = 12345;
    HoldKey(SDLK_r);
    Frame();
    EXPECT_EQ(highscore, 0);
    HoldKey(SDLK_r, false);

    menu->option = 2;
    menu->x = menu->vx = -45;
    menu->y = menu->vy = -115;
    Frame(); // armed: no fire key held
    HoldKey(SDLK_z);
    Frame();
    EXPECT_TRUE(quit);
    EXPECT_EQ(nAnim, 1); // the menu stays; the main loop ends
    EXPECT_EQ(player, nullptr);
    quit = false;
}

TEST_F(ScreensTest, OnePlayerStartEmptiesTheWorldAndResetsTheGame) {
    StartGame(true);
    Object* enemy = AddObject(new Enemy(10, 300, 0, 0));
    AddObject(new Pbullet(5, 5, 0, 6, 0));
    const std::vector<Object*> old = Objects();
    score[0] = 700;
    score[1] = 300;
    boss = 3;
    nBoss = 2;
    nBoss2 = 4;
    td = 50;
    lives = 1;
    enemy->data = 7;
    OpenMenu();
    Frame();
    HoldKey(SDLK_z);
    Frame();

    EXPECT_EQ(nAnim, 0);
    for (Object* o : old)
        EXPECT_TRUE(o->dead);
    ASSERT_NE(player, nullptr);
    EXPECT_FALSE(player->dead);
    EXPECT_EQ(player, Objects().back());
    EXPECT_EQ(player2, nullptr);
    EXPECT_FALSE(twoPlayers);
    EXPECT_EQ(lives, 5);
    EXPECT_EQ(player->x, LANDSCAPE ? -200 : 0);
    EXPECT_EQ(player->y, LANDSCAPE ? 0 : -200);
    EXPECT_EQ(player->p, 0);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(score[1], 300); // kept in a one-player game
    EXPECT_EQ(boss, 0);
    EXPECT_EQ(nBoss, 0);
    EXPECT_EQ(nBoss2, 0);
    EXPECT_EQ(td, 0);

    HoldKey(SDLK_z, false);
    StepWorld();
    EXPECT_EQ(Objects(), std::vector<Object*>{player});
}

TEST_F(ScreensTest, TwoPlayerStartPlacesBothShips) {
    score[0] = 700;
    score[1] = 300;
    Menu* menu = OpenMenu();
    HoldKey(SDLK_DOWN);
    Frame();
    HoldKey(SDLK_DOWN, false);
    EXPECT_EQ(menu->option, 1);
    HoldKey(SDLK_SLASH);
    Frame();
    EXPECT_EQ(nAnim, 0);
    ASSERT_NE(player, nullptr);
    ASSERT_NE(player2, nullptr);
    EXPECT_TRUE(twoPlayers);
    EXPECT_EQ(lives, 10);
    EXPECT_EQ(player->p, 0);
    EXPECT_EQ(player2->p, 1);
    if (LANDSCAPE) {
        EXPECT_EQ(player->x, -200);
        EXPECT_EQ(player->y, 200);
        EXPECT_EQ(player2->x, -200);
        EXPECT_EQ(player2->y, -200);
    } else {
        EXPECT_EQ(player->x, 150);
        EXPECT_EQ(player->y, -200);
        EXPECT_EQ(player2->x, -150);
        EXPECT_EQ(player2->y, -200);
    }
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(score[1], 0);
    EXPECT_EQ(Objects(), (std::vector<Object*>{player, player2}));
}

TEST_F(ScreensTest, GameOverNamesTheWinnerOfATwoPlayerGameOnly) {
    ASSERT_TRUE(LoadFont());
    struct Case {
        bool two;
        int first, second;
        const char* line; // none in a one-player game
    };
    const Case cases[] = {
        {false, 900, 100, nullptr},
        {true, 900, 100, "PLAYER 1 WINS!"},
        {true, 100, 900, "PLAYER 2 WINS!"},
        {true, 400, 400, "DRAW!"},
    };
    for (const Case& c : cases) {
        ResetWorld();
        twoPlayers = c.two;
        score[0] = c.first;
        score[1] = c.second;
        AddAnimation(new GameOver());
        twoPlayers = false; // the screen remembers the game that ended
        Frame();
        const std::vector<unsigned char> band = WinnerBand();
        EXPECT_GT(Lit(ReadArea(-60, -15, 60, 0)), 0) << "GAME OVER";
        if (!c.line) {
            EXPECT_EQ(Lit(band), 0);
            continue;
        }
        EXPECT_GT(Lit(band), 0) << c.line;
        EXPECT_EQ(band, Reference(c.line)) << c.line;
    }
    EXPECT_NE(Reference("PLAYER 1 WINS!"), Reference("PLAYER 2 WINS!"));
}

TEST_F(ScreensTest, GameOverOfTheLastLifeKeepsTheWinnerLineAfterTheShipsAreGone) {
    ASSERT_TRUE(LoadFont());
    StartGame(true);
    player->data = 150;
    score[1] = 100;
    lives = -1;
    StepWorld();
    ASSERT_EQ(nAnim, 1);
    EXPECT_EQ(player->data, 0); // the screen empties player 1's life bar
    StepWorld();
    EXPECT_EQ(player, nullptr);
    EXPECT_EQ(player2, nullptr);
    Frame();
    EXPECT_EQ(WinnerBand(), Reference("PLAYER 2 WINS!"));
}

TEST_F(ScreensTest, GameOverFireHeldIntoTheNewMenuStartsNothing) {
    AddAnimation(new GameOver());
    HoldKey(SDLK_z);
    Frame(2);
    ASSERT_EQ(nAnim, 1);
    EXPECT_NE(dynamic_cast<GameOver*>(anim[0]), nullptr);
    HoldKey(SDLK_z, false);
    Frame();
    HoldKey(SDLK_z);
    Frame();
    ASSERT_EQ(nAnim, 1);
    EXPECT_NE(dynamic_cast<Menu*>(anim[0]), nullptr);
    // Still holding fire: the new menu waits for a release.
    Frame(2);
    EXPECT_EQ(player, nullptr);
    HoldKey(SDLK_z, false);
    Frame();
    HoldKey(SDLK_z);
    Frame();
    EXPECT_NE(player, nullptr);
    EXPECT_EQ(nAnim, 0);
}

TEST_F(ScreensTest, GameOverTakesBAndTheSlashToo) {
    for (SDLKey key : {SDLK_b, SDLK_SLASH}) {
        ResetWorld();
        AddAnimation(new GameOver());
        Frame();
        HoldKey(key);
        Frame();
        ASSERT_EQ(nAnim, 1);
        EXPECT_NE(dynamic_cast<Menu*>(anim[0]), nullptr) << "key " << key;
    }
}

// A dying second ship may fill the other four slots with extra-life bars: fire waits for a free
// slot instead of losing the menu.
TEST_F(ScreensTest, GameOverWaitsForAFreeSlotForTheMenu) {
    AddAnimation(new GameOver());
    for (int i = 0; i < ANIM_SLOTS - 1; i++)
        AddAnimation(new Life());
    Frame();
    HoldKey(SDLK_z);
    Frame();
    ASSERT_EQ(nAnim, ANIM_SLOTS);
    EXPECT_NE(dynamic_cast<GameOver*>(anim[0]), nullptr);
    // The bars drain away (87 frames); fire still held, the menu replaces the screen.
    Frame(100);
    ASSERT_EQ(nAnim, 1);
    EXPECT_NE(dynamic_cast<Menu*>(anim[0]), nullptr);
}

TEST_F(ScreensTest, LifeBarDrainsAndRemovesItself) {
    auto* life = new Life();
    AddAnimation(life);
    Frame();
    EXPECT_FLOAT_EQ(life->time, 200 - 2.3f);
    // Drawn at its height before this frame's drain: green inside the display's bar frame.
    Pixel inside = WorldPixel(9.0f - hw, 150.0f - hh);
    EXPECT_GT(inside.g, 200);
    EXPECT_LT(inside.r, 60);
    Pixel beside = WorldPixel(30.0f - hw, 150.0f - hh);
    EXPECT_EQ(beside.g, 0);
    int frames = 1;
    while (nAnim == 1 && frames < 200) {
        Frame();
        frames++;
    }
    EXPECT_EQ(frames, 87); // 200 / 2.3
    EXPECT_EQ(nAnim, 0);

    // A bar drained to exactly 0 is gone too.
    life = new Life();
    AddAnimation(life);
    life->time = 2.3f;
    Frame();
    EXPECT_EQ(nAnim, 0);
}

} // namespace
