// The input layer: the controls file moves keys without changing what the game does with them,
// bad files are reported line by line, and controllers (events pushed into SDL's queue) fly the
// ships, pause and drive the screens.
#include <GL/gl.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "flow/screens.h"
#include "harness.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/settings.h"
#include "world/effects.h"
#include "world/grid.h"

namespace {

class InputTest : public CleanWorld {
  protected:
    void SetUp() override {
        CleanWorld::SetUp();
        ResetControls();
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
    void TearDown() override {
        ResetControls();
        CleanWorld::TearDown();
    }
};

// Writes a controls file and reads it; the messages.
std::vector<std::string> Controls(const std::string& text) {
    return LoadControls(WriteFile(TempPath("controls.txt"), text));
}

void PushJoy(Uint8 type, int which, int index, int value = 0) {
    SDL_Event e = {};
    e.type = type;
    if (type == SDL_JOYAXISMOTION) {
        e.jaxis = {type, Uint8(which), Uint8(index), Sint16(value)};
    } else if (type == SDL_JOYHATMOTION) {
        e.jhat = {type, Uint8(which), Uint8(index), Uint8(value)};
    } else {
        e.jbutton = {type, Uint8(which), Uint8(index), Uint8(type == SDL_JOYBUTTONDOWN)};
    }
    ASSERT_EQ(SDL_PushEvent(&e), 0) << SDL_GetError();
    HandleEvents();
}

void Stick(int which, int x, int y) {
    PushJoy(SDL_JOYAXISMOTION, which, 0, x);
    PushJoy(SDL_JOYAXISMOTION, which, 1, y);
}

void Button(int which, int button, bool down) {
    PushJoy(down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP, which, button);
}

// Lists a ship that has stepped one frame without fire, so that its straight gun fires at once.
Player* ReadyShip(float across, int p = 0) {
    Player* ship = AddShip(across, 0, p);
    StepWorld(1);
    return ship;
}

int ShotsOf(int owner) {
    int n = 0;
    for (Pbullet* b : ObjectsOf<Pbullet>())
        n += b->data4 == owner;
    return n;
}

// ---------------------------------------------------------------------------------------------
// The controls file

// Player 1's shots after three frames with key held, alone or beside player 2.
int ShotsWith(SDLKey key, bool twoPlayers) {
    ResetWorld();
    ReadyShip(0);
    if (twoPlayers) ReadyShip(-100, 1);
    HoldKey(key);
    StepWorld(3);
    return ShotsOf(0);
}

TEST_F(InputTest, RightCtrlTakesOverPlayerOnesFireFromSlash) {
    ASSERT_TRUE(Controls("p1 fire = right ctrl\np1 solo fire = y\n").empty());
    EXPECT_GT(ShotsWith(SDLK_RCTRL, true), 0) << "Right Ctrl fires";
    EXPECT_EQ(ShotsWith(SDLK_SLASH, false), 0) << "/ no longer fires";
    EXPECT_GT(ShotsWith(SDLK_y, false), 0) << "alone, the solo fire key fires";
    EXPECT_EQ(ShotsWith(SDLK_y, true), 0) << "beside player 2 it does not";
    EXPECT_EQ(ShotsWith(SDLK_z, false), 0) << "and Z no longer does";
    // The menu chooses with player 1's fire keys.
    ResetWorld();
    AddAnimation(new Menu());
    UpdateAnimations();
    HoldKey(SDLK_RCTRL);
    UpdateAnimations();
    EXPECT_NE(player, nullptr);
}

// A scripted run through the menu into a two-player game: the menu's keys, then both ships' keys,
// the colliding ones (Z in a two-player game, S in play and in the menu) among them. One checksum
// of the screen per frame.
std::vector<unsigned long> ScriptedFrames() {
    ResetWorld();
    vsync = 0;
    sound = true;
    Mix_VolumeMusic(128);
    AddAnimation(new Menu());
    const std::vector<std::pair<int, std::vector<SDLKey>>> script = {
        {3, {}},
        {2, {SDLK_DOWN}},
        {20, {SDLK_r, SDLK_v, SDLK_s}},
        {2, {SDLK_z}},
        {10, {SDLK_UP, SDLK_RIGHT, SDLK_SLASH, SDLK_w, SDLK_a, SDLK_b}},
        {10, {SDLK_DOWN, SDLK_LEFT, SDLK_z, SDLK_s, SDLK_d}},
        {8, {SDLK_p, SDLK_SLASH, SDLK_b}},
    };
    std::vector<unsigned long> frames;
    for (const auto& [count, keys] : script) {
        ReleaseAllKeys();
        for (SDLKey k : keys)
            HoldKey(k);
        for (int f = 0; f < count; f++) {
            fpsm = 1;
            preDraw();
            glColor3f(1, 1, 1);
            ClearGrid();
            UpdateObjects();
            CollideObjects();
            UpdateAnimations();
            unsigned long sum = vsync * 7919 + sound * 104729 + nObject;
            for (unsigned char c : ReadScreen())
                sum = sum * 31 + c;
            frames.push_back(sum);
        }
    }
    return frames;
}

TEST_F(InputTest, NoFileAndADefaultsOnlyFileGiveTodaysFrames) {
    const std::vector<unsigned long> today = ScriptedFrames();
    ASSERT_TRUE(LoadControls(TempPath("no-such-controls.txt")).empty());
    EXPECT_EQ(ScriptedFrames(), today) << "no file";

    // The file --write-controls writes.
    ASSERT_TRUE(Controls(DefaultControlsText()).empty());
    EXPECT_EQ(ScriptedFrames(), today) << "defaults-only file";

    // Idle controllers change nothing either.
    ResetControls();
    Stick(0, 0, 0);
    Button(1, PadLayout().south, false);
    EXPECT_EQ(ScriptedFrames(), today) << "idle controllers";
}

TEST_F(InputTest, EveryKindOfBadLineIsReportedAndTheRestStays) {
    const std::string path = TempPath("controls.txt");
    const std::vector<std::string> problems = Controls("# my keys\n"
                                                       "p1 fire = right ctrl\n"
                                                       "p1 jump = space\n"
                                                       "p2 down = strg\n"
                                                       "pause\n"
                                                       "\n"
                                                       "toggle sound =   \n"
                                                       "p2 fire = 1 2 3 4 5 6 7 8 9\n"
                                                       "P1  FIRE = x\n"
                                                       "p2 up = " +
                                                       std::string(300, 'w') +
                                                       "\n"
                                                       "  p1 UP   =  Page Up  k\r\n"
                                                       "pause = space");
    const std::vector<std::string> expected = {
        path + ":3: unknown action \"p1 jump\"; line not used",
        path + ":4: unknown key \"strg\"; line not used",
        path + ":5: no \"=\" between an action and its keys; line not used",
        path + ":7: no key after \"=\"; line not used",
        path + ":8: more than 8 keys; line not used",
        path + ":9: \"p1 fire\" is already set on line 2; line not used",
        path + ":10: line longer than 200 characters; line not used",
    };
    EXPECT_EQ(problems, expected);

    // What the good lines say is in force; the actions of bad lines keep their default keys.
    HoldKey(SDLK_RCTRL);
    HoldKey(SDLK_s);
    HoldKey(SDLK_PAGEUP);
    EXPECT_TRUE(ShipKeys()[SDLK_SLASH]);
    EXPECT_TRUE(ShipKeys()[SDLK_UP]);
    EXPECT_TRUE(ShipKeys()[SDLK_s]);
    EXPECT_TRUE(MenuKeys()[SDLK_s]);
    ReleaseAllKeys();
    HoldKey(SDLK_k);
    EXPECT_TRUE(ShipKeys()[SDLK_UP]);
    EXPECT_FALSE(ShipKeys()[SDLK_SLASH]);
    HoldKey(SDLK_x);
    EXPECT_FALSE(ShipKeys()[SDLK_SLASH]) << "the repeated line is not used";

    SDL_Event space = {};
    space.type = SDL_KEYDOWN;
    space.key.keysym.sym = SDLK_SPACE;
    EXPECT_TRUE(IsPausePress(space)) << "the last line, without a line end";
    space.key.keysym.sym = SDLK_p;
    EXPECT_FALSE(IsPausePress(space));
}

TEST_F(InputTest, BinaryHugeAndUnreadableFilesLeaveTheDefaults) {
    const std::string path = TempPath("controls.txt");
    std::string binary = "p1 fire = right ctrl\n";
    binary += std::string("\0\x01\xff\n", 4);
    EXPECT_EQ(Controls(binary),
              std::vector<std::string>{path + ": not a text file; the default controls stay"});
    HoldKey(SDLK_SLASH);
    EXPECT_TRUE(ShipKeys()[SDLK_SLASH]);

    // Huge: the lines within the first 64 KiB are used, one message for the rest.
    std::string huge = "p1 fire = right ctrl\n";
    while (huge.size() < 200000)
        huge += "# " + std::string(70, '-') + "\n";
    huge += "p2 fire = n\n";
    std::vector<std::string> problems = Controls(huge);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("longer than 65536 bytes"), std::string::npos) << problems[0];
    EXPECT_FALSE(ShipKeys()[SDLK_SLASH]) << "the first line is in force";
    HoldKey(SDLK_n);
    EXPECT_FALSE(ShipKeys()[SDLK_b]);

    // Garbage of many lines: a bounded number of messages.
    std::string garbage;
    for (int i = 0; i < 1000; i++)
        garbage += "\x7f\x80 garbage \x1b[31m = x\n";
    problems = Controls(garbage);
    EXPECT_EQ(problems.size(), 21u);
    EXPECT_NE(problems[0].find("unknown action \"?? garbage ?[31m\""), std::string::npos) << problems[0];
    for (const std::string& p : problems)
        for (char c : p)
            EXPECT_TRUE(c >= ' ' && c <= '~') << "unprintable byte in " << p;

    // A folder, or a pipe nobody writes to, where the file should be: no waiting, no reading.
    const std::string pipe = TempPath("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& where : {TempPath(""), pipe}) {
        problems = LoadControls(where);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("cannot be read (not a plain file)"), std::string::npos) << problems[0];
    }
}

TEST_F(InputTest, EachScreenReadsItsOwnKeys) {
    EXPECT_EQ(MenuHelpLine(), "RESET HIGHSCORE: R     TOGGLE V-SYNC: V  (REQUIRES RESTART)");
    // S is player 2's down and the menu's sound key: moving one moves only that one.
    ASSERT_TRUE(
        Controls("p2 down = k\ntoggle sound = f2\nreset highscore = f1\ntoggle vsync = x right ctrl\n")
            .empty());
    EXPECT_EQ(MenuHelpLine(), "RESET HIGHSCORE: F1     TOGGLE V-SYNC: X/RIGHT CTRL  (REQUIRES RESTART)");
    HoldKey(SDLK_s);
    EXPECT_FALSE(ShipKeys()[SDLK_s]);
    EXPECT_FALSE(MenuKeys()[SDLK_s]);
    HoldKey(SDLK_k);
    HoldKey(SDLK_F2);
    EXPECT_TRUE(ShipKeys()[SDLK_s]);
    EXPECT_TRUE(MenuKeys()[SDLK_s]);
    HoldKey(SDLK_F2, false);
    EXPECT_FALSE(MenuKeys()[SDLK_s]) << "player 2's down does not toggle the sound";

    // Controller 2 pushed down moves the menu's selection, not its sound key.
    Stick(1, 0, 32767);
    EXPECT_TRUE(MenuKeys()[SDLK_DOWN]);
    HoldKey(SDLK_k, false);
    EXPECT_FALSE(MenuKeys()[SDLK_s]);
    EXPECT_TRUE(ShipKeys()[SDLK_s]);
    EXPECT_FALSE(ShipKeys()[SDLK_DOWN]) << "controller 2 is not player 1";
}

// ---------------------------------------------------------------------------------------------
// Controllers

TEST_F(InputTest, TwoControllersFlyTwoShipsAndFire) {
    Player* one = ReadyShip(0);
    Player* two = ReadyShip(0, 1);
    Stick(0, 30000, -30000); // right and up
    PushJoy(SDL_JOYHATMOTION, 1, 0, SDL_HAT_LEFT | SDL_HAT_DOWN);
    Button(1, PadLayout().south, true);
    StepWorld(4);
    EXPECT_FLOAT_EQ(one->x, 20);
    EXPECT_FLOAT_EQ(one->y, 20);
    EXPECT_FLOAT_EQ(two->x, -20);
    EXPECT_FLOAT_EQ(two->y, -20);
    EXPECT_EQ(ShotsOf(0), 0);
    EXPECT_GT(ShotsOf(1), 0) << "controller 2's south button fires for player 2";

    Button(1, PadLayout().south, false);
    PushJoy(SDL_JOYHATMOTION, 1, 0, SDL_HAT_CENTERED);
    Button(0, PadLayout().south, true);
    StepWorld(1);
    EXPECT_FLOAT_EQ(two->x, -20) << "a centred hat stops the ship";
    EXPECT_GT(ShotsOf(0), 0);

    // The keyboard still works beside the controller.
    Stick(0, 0, 0);
    HoldKey(SDLK_LEFT);
    StepWorld(1);
    EXPECT_FLOAT_EQ(one->x, 20 + 5 - 5);
}

TEST_F(InputTest, StickDeadZone) {
    Player* one = AddShip(0, 0);
    Stick(0, STICK_DEAD_ZONE, -STICK_DEAD_ZONE);
    StepWorld(2);
    EXPECT_FLOAT_EQ(one->x, 0) << "a stick resting off its centre moves nothing";
    EXPECT_FLOAT_EQ(one->y, 0);
    Stick(0, -STICK_DEAD_ZONE - 1, STICK_DEAD_ZONE + 1);
    StepWorld(2);
    EXPECT_FLOAT_EQ(one->x, -10);
    EXPECT_FLOAT_EQ(one->y, -10);
    // Other axes (a second stick, the triggers) do not steer.
    Stick(0, 0, 0);
    PushJoy(SDL_JOYAXISMOTION, 0, 2, 32767);
    PushJoy(SDL_JOYAXISMOTION, 0, 5, 32767);
    StepWorld(1);
    EXPECT_FLOAT_EQ(one->x, -10);
}

TEST_F(InputTest, StartPausesLikeP) {
    const int start = PadLayout().start;
    Button(0, start, true);
    EXPECT_TRUE(paused);
    Button(0, start, false);
    EXPECT_TRUE(paused);
    Button(1, start, true);
    EXPECT_FALSE(paused) << "either controller";
    Button(0, PadLayout().south, true);
    EXPECT_FALSE(paused);
}

TEST_F(InputTest, ControllersDriveTheMenuAndTheGameOverScreen) {
    Menu* menu = new Menu();
    AddAnimation(menu);
    UpdateAnimations();
    PushJoy(SDL_JOYHATMOTION, 1, 0, SDL_HAT_DOWN);
    UpdateAnimations();
    EXPECT_EQ(menu->option, 1) << "controller 2's d-pad moves the selection";
    PushJoy(SDL_JOYHATMOTION, 1, 0, SDL_HAT_CENTERED);
    Button(0, PadLayout().south, true);
    UpdateAnimations();
    ASSERT_NE(player2, nullptr) << "controller 1's south button chooses 2 PLAYER START";
    Button(0, PadLayout().south, false);

    // Game over: the button held from the game does nothing until it is released.
    Button(1, PadLayout().south, true);
    AddAnimation(new GameOver());
    const int overlays = nAnim;
    UpdateAnimations();
    EXPECT_EQ(nAnim, overlays);
    Button(1, PadLayout().south, false);
    UpdateAnimations();
    Button(1, PadLayout().south, true);
    UpdateAnimations();
    ASSERT_EQ(nAnim, overlays);
    menu = dynamic_cast<Menu*>(anim[nAnim - 1]);
    ASSERT_NE(menu, nullptr) << "the menu replaces the game-over screen";
    Button(1, PadLayout().south, false);

    // The stick moves the selection up.
    Stick(0, 0, -20000);
    UpdateAnimations();
    EXPECT_EQ(menu->option, 2);
}

} // namespace
