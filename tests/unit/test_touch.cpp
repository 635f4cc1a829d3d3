// Touch play: a finger's movement moves the ship by as much on the screen through its own
// direction keys, a finger down fires, a ship held at the edge owes nothing more, and taps choose
// the menu's entries and leave the game-over screen.
#include <gtest/gtest.h>

#include "flow/options_screen.h"
#include "flow/screens.h"
#include "harness.h"
#include "player/player.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/touch.h"
#include "world/effects.h"

namespace {

class TouchTest : public CleanWorld {
  protected:
    void SetUp() override {
        CleanWorld::SetUp();
        ResetTouch();
        ReleaseAllKeys();
        // A picture at twice the world's size, filling a window of its own size.
        pictureScale = 2;
        pictureX = pictureY = 0;
        windowPixelHeight = 2 * 2 * hh;
        fpsm = 1;
    }
    void TearDown() override {
        ResetTouch();
        CleanWorld::TearDown();
    }
};

// One turn: the keys of the coming frame are set; the ship then moves as its keys say.
void Turn(Player* ship) {
    FollowTouch();
    const Uint8* keys = ShipKeys();
    if (keys[SDLK_RIGHT]) ship->x += SHIP_SPEED;
    if (keys[SDLK_LEFT]) ship->x -= SHIP_SPEED;
    if (keys[SDLK_UP]) ship->y += SHIP_SPEED;
    if (keys[SDLK_DOWN]) ship->y -= SHIP_SPEED;
}

TEST_F(TouchTest, TheShipFollowsTheFingersMovementAndFiresWhileItIsDown) {
    Player ship;
    player = &ship;
    const float startX = ship.x, startY = ship.y;
    Turn(&ship);
    // 80 pixels right and 40 up at 2 pixels per unit: 40 and 20 units, 8 and 4 steps of the ship.
    TouchDown(7, 300, 300);
    TouchMove(7, 340, 290);
    TouchMove(7, 380, 260);
    for (int frame = 0; frame < 20; frame++) {
        Turn(&ship);
        EXPECT_TRUE(ShipKeys()[SDLK_SLASH]) << "a finger down fires, frame " << frame;
    }
    EXPECT_FLOAT_EQ(ship.x - startX, 40);
    EXPECT_FLOAT_EQ(ship.y - startY, 20);
    TouchUp(7);
    Turn(&ship);
    EXPECT_FALSE(ShipKeys()[SDLK_SLASH]) << "the finger lifted";

    // A finger that lands and lifts between two turns still fires for a frame.
    TouchDown(8, 10, 10);
    TouchUp(8);
    Turn(&ship);
    EXPECT_TRUE(ShipKeys()[SDLK_SLASH]);

    // Held at the edge, the ship owes nothing more: the finger coming back moves it at once.
    touchSensitivity = 2;
    TouchDown(9, 0, 0);
    TouchMove(9, -4000, 0);
    FollowTouch();
    EXPECT_TRUE(ShipKeys()[SDLK_LEFT]);
    FollowTouch(); // the ship did not move: it is at the edge
    EXPECT_FALSE(ShipKeys()[SDLK_LEFT]);
    TouchMove(9, -3990, 0);
    FollowTouch();
    EXPECT_TRUE(ShipKeys()[SDLK_RIGHT]);
    touchSensitivity = DEFAULT_TOUCH_SENSITIVITY;
}

TEST_F(TouchTest, TapsChooseTheMenusEntryAndLeaveTheGameOverScreen) {
    Menu* menu = new Menu();
    AddAnimation(menu);
    // A tap on "EXIT" (its line holds the world's height -95): the selection goes up, wrapping
    // round, then EXIT is chosen.
    const float exitY = 2 * (hh - -95.0f);
    TouchDown(1, 100, exitY);
    TouchUp(1);
    FollowTouch();
    EXPECT_TRUE(MenuKeys()[SDLK_UP]);
    EXPECT_FALSE(MenuKeys()[SDLK_SLASH]);
    menu->option = 2;
    FollowTouch();
    EXPECT_FALSE(MenuKeys()[SDLK_UP]);
    EXPECT_TRUE(MenuKeys()[SDLK_SLASH]);
    FollowTouch();
    EXPECT_FALSE(MenuKeys()[SDLK_SLASH]) << "one frame only";

    // Away from the entries a tap chooses nothing; a finger that slides is no tap.
    TouchDown(2, 100, 10);
    TouchUp(2);
    TouchDown(3, 100, exitY);
    TouchMove(3, 300, exitY);
    TouchUp(3);
    FollowTouch();
    EXPECT_FALSE(MenuKeys()[SDLK_SLASH] || MenuKeys()[SDLK_UP] || MenuKeys()[SDLK_DOWN]);

    // No menu: a tap is fire on the game-over screen.
    RemoveAnimation(menu->n);
    TouchDown(4, 100, 100);
    TouchUp(4);
    FollowTouch();
    EXPECT_TRUE(MenuKeys()[SDLK_SLASH]);
}

// A tap on the menu's "O: OPTIONS" opens the options screen in the menu's place.
TEST_F(TouchTest, ATapOnTheOptionsLineOpensTheScreen) {
    AddAnimation(new Menu());
    TouchDown(1, 2 * (hw - 100), 2 * (hh - (OptionsLineY() - 3)));
    TouchUp(1);
    FollowTouch();
    ASSERT_NE(optionsScreen, nullptr);
    EXPECT_EQ(anim[0], optionsScreen);
}

TEST_F(TouchTest, EnterAndSpaceChooseLikeFireButNotAltEnter) {
    for (SDLKey key : {SDLK_RETURN, SDLK_KP_ENTER, SDLK_SPACE}) {
        HoldKey(key);
        EXPECT_TRUE(MenuKeys()[SDLK_SLASH]) << key;
        EXPECT_FALSE(ShipKeys()[SDLK_SLASH]) << key;
        HoldKey(key, false);
    }
    HoldKey(SDLK_RETURN);
    SDL_SetModState(KMOD_LALT);
    EXPECT_FALSE(MenuKeys()[SDLK_SLASH]) << "Alt+Enter switches the fullscreen";
    SDL_SetModState(KMOD_NONE);
}

} // namespace
