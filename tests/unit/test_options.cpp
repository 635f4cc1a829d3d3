// The options screen's seams: moving keys never leaves one key on two actions read together and
// survives its file, auto-fire holds fire in the keys the ships read, the screen stands in for the
// menu without changing what a replay sees, and options.txt keeps only what was chosen.
#include <gtest/gtest.h>

#include <string>

#include "flow/options_screen.h"
#include "flow/screens.h"
#include "harness.h"
#include "player/player.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/options.h"
#include "world/effects.h"

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

class OptionsTest : public CleanWorld {
  protected:
    void SetUp() override {
        CleanWorld::SetUp();
        ResetControls();
        DefaultGameChoices();
    }
    void TearDown() override {
        ResetControls();
        DefaultGameChoices();
        CleanWorld::TearDown();
    }
};

// Every action moved to every key of a set that holds the defaults of several actions and a few
// others, in turn: each move is taken or refused as a whole, never doubling a key.
TEST_F(OptionsTest, MovingKeysNeverDoublesOne) {
    const SDLKey KEYS[] = {SDLK_UP, SDLK_SLASH, SDLK_z, SDLK_w,     SDLK_s, SDLK_b,     SDLK_p,
                           SDLK_r,  SDLK_v,     SDLK_x, SDLK_RCTRL, SDLK_c, SDLK_ESCAPE};
    int taken = 0;
    for (int action = 0; action < ControlActions(); action++)
        for (SDLKey key : KEYS) {
            const std::string before = ActionKeyNames(action);
            const int gaveUp = MoveKey(action, key);
            SCOPED_TRACE(std::string(ControlActionName(action)) + " to " + SDL_GetKeyName(key));
            ASSERT_FALSE(KeysDoubled());
            if (!MovableKey(key)) {
                EXPECT_EQ(gaveUp, -1);
            }
            if (gaveUp < 0) {
                EXPECT_EQ(ActionKeyNames(action), before);
                continue;
            }
            taken++;
            EXPECT_EQ(ActionKeyNames(action), Upper(SDL_GetKeyName(key)));
            for (int a = 0; a < ControlActions(); a++)
                EXPECT_FALSE(ActionKeyNames(a).empty());
        }
    EXPECT_GT(taken, ControlActions() * 8);
    // What the screen shows is what the file holds.
    std::string shown;
    for (int a = 0; a < ControlActions(); a++)
        shown += ActionKeyNames(a) + "\n";
    ASSERT_TRUE(WriteControls());
    ASSERT_TRUE(LoadControls("controls.txt").empty());
    std::string read;
    for (int a = 0; a < ControlActions(); a++)
        read += ActionKeyNames(a) + "\n";
    EXPECT_EQ(read, shown);
    remove("controls.txt");
}

// A swap: player 1's fire moved to Z hands the solo fire key / in exchange.
TEST_F(OptionsTest, AKeyTakenFromAnotherActionIsSwapped) {
    const int p1Fire = 4, soloFire = 5;
    EXPECT_EQ(MoveKey(p1Fire, SDLK_z), soloFire);
    EXPECT_EQ(ActionKeyNames(p1Fire), "Z");
    EXPECT_EQ(ActionKeyNames(soloFire), "/");
    // S serves player 2's down in play and the sound switch in the menu: moving one leaves the other.
    const int p2Down = 7, soundSwitch = 14;
    EXPECT_EQ(MoveKey(p2Down, SDLK_x), ControlActions());
    EXPECT_EQ(ActionKeyNames(soundSwitch), "S");
    // The controllers' fire moved to the pause button: the two swap; Back stays Back. The file keeps
    // both.
    const int fire = 0, pause = 1, start = PadRoleButton(pause), south = PadRoleButton(fire);
    const int kept[] = {PadLayout().back, PAD_SCORES_BUTTON, PAD_BACK_BUTTON};
    for (int button : kept)
        EXPECT_EQ(MovePadButton(fire, button), -1) << button;
    EXPECT_EQ(MovePadButton(fire, start), pause);
    EXPECT_EQ(PadRoleButton(fire), start);
    EXPECT_EQ(PadRoleButton(pause), south);
    ASSERT_TRUE(WriteControls());
    ResetControls();
    EXPECT_EQ(PadRoleButton(fire), south);
    ASSERT_TRUE(LoadControls("controls.txt").empty());
    EXPECT_EQ(PadRoleButton(fire), start);
    EXPECT_EQ(ActionKeyNames(p1Fire), "Z");
    for (int button : kept) {
        WriteFile("controls.txt", "pad fire = button " + std::to_string(button) + "\n");
        EXPECT_FALSE(LoadControls("controls.txt").empty()) << button;
    }
    remove("controls.txt");
}

TEST_F(OptionsTest, AutoFireHoldsFireWhileTheShipMoves) {
    autoFire = 1;
    HoldKey(SDLK_LEFT);
    EXPECT_TRUE(ShipKeys()[SDLK_SLASH]);
    EXPECT_FALSE(ShipKeys()[SDLK_b]);
    ReleaseAllKeys();
    EXPECT_FALSE(ShipKeys()[SDLK_SLASH]);
    autoFire = AUTO_FIRE_BOTH;
    HoldKey(SDLK_w);
    EXPECT_TRUE(ShipKeys()[SDLK_b]);
    ReleaseAllKeys();
}

// The options screen takes the menu's slot; the menu reads no keys until they are released after it.
TEST_F(OptionsTest, TheScreenStandsInForTheMenu) {
    auto* menu = new Menu();
    AddAnimation(menu);
    PressKey(SDLK_o);
    UpdateAnimations();
    ASSERT_NE(optionsScreen, nullptr);
    EXPECT_EQ(nAnim, 1);
    EXPECT_EQ(anim[0], optionsScreen);
    HoldKey(SDLK_DOWN);
    EXPECT_FALSE(MenuKeys()[SDLK_DOWN]);
    PressKey(SDLK_BACKSPACE);
    UpdateAnimations();
    EXPECT_EQ(optionsScreen, nullptr);
    EXPECT_EQ(anim[0], menu);
    EXPECT_FALSE(MenuKeys()[SDLK_DOWN]) << "still held from the options screen";
    ReleaseAllKeys();
    EXPECT_FALSE(MenuKeys()[SDLK_DOWN]);
    HoldKey(SDLK_DOWN);
    EXPECT_TRUE(MenuKeys()[SDLK_DOWN]);
    ReleaseAllKeys();
}

// Fire and O in one frame: the game starts, and no options screen stands in for the menu that left.
TEST_F(OptionsTest, FireAndOInOneFrameStartTheGameAlone) {
    AddAnimation(new Menu());
    UpdateAnimations(); // fire not held: the menu takes it from now on
    HoldKey(SDLK_z);
    PressKey(SDLK_o);
    UpdateAnimations();
    EXPECT_NE(player, nullptr);
    EXPECT_EQ(optionsScreen, nullptr);
    for (int i = 0; i < nAnim; i++)
        EXPECT_EQ(dynamic_cast<OptionsScreen*>(anim[i]), nullptr);
    ReleaseAllKeys();
}

// Under the options screen the menu goes on as on no keys, its marker travelling, as the game's
// playback of the run has it (there is no options screen in a replay).
TEST_F(OptionsTest, TheMenuUnderTheScreenGoesOnAsOnNoKeys) {
    fpsm = 1;
    auto* menu = new Menu();
    AddAnimation(menu);
    Menu twin; // never on the list
    HoldKey(SDLK_DOWN);
    UpdateAnimations();
    twin.update();
    ReleaseAllKeys();
    PressKey(SDLK_o);
    for (int f = 0; f < 30; f++) {
        UpdateAnimations();
        twin.update();
    }
    ASSERT_NE(optionsScreen, nullptr);
    EXPECT_EQ(menu->option, 1);
    EXPECT_EQ(menu->x, twin.x);
    EXPECT_EQ(menu->y, twin.y);
}

TEST_F(OptionsTest, OptionsFileKeepsOnlyWhatWasChosen) {
    EXPECT_EQ(GameChoicesText(), "");
    EXPECT_EQ(ScaledVolume(64, VOLUME_STEPS), 64);
    EXPECT_EQ(ScaledVolume(128, VOLUME_STEPS), 128);
    const std::string path = TempPath("options.txt");
    WriteFile(path,
              "mode: window\nmusic: 4\neffects: 11\ndifficulty: hard\nauto-fire: 2\nflashing: reduced\r\n"
              "music 3\ndifficulty: brutal\n");
    ReadGameChoices(path);
    EXPECT_EQ(musicSteps, 4);
    EXPECT_EQ(effectSteps, VOLUME_STEPS);
    EXPECT_EQ(difficultyChoice, "hard");
    EXPECT_EQ(autoFire, 2);
    EXPECT_TRUE(reducedFlashing);
    EXPECT_EQ(GameChoicesText(), "music: 4\ndifficulty: hard\nauto-fire: 2\nflashing: reduced\n");
}

} // namespace
