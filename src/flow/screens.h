// screens.h -- the overlays: title menu, game-over screen and extra-life effect.
#pragma once

#include <string>

#include "../world/effects.h"
#include "showcase.h"

// The title menu: starts a one- or two-player game, or ends the program; R, V and S keys; O (or a
// controller's Back) opens the options screen.
class Menu : public Animation {
  public:
    int option = 0;            // 0 "1 PLAYER START", 1 "2 PLAYER START", 2 "EXIT"
    float rot = 0;             // marker rotation about the x axis, degrees
    float x = -120, y = -15;   // marker position
    float vx = -120, vy = -15; // marker target: the selected entry
    bool h = false;            // fire has been released since the menu opened
    bool v = false;            // V was held in the previous frame
    bool s = false;            // S was held in the previous frame

    void update() override;
    // A frame under the options screen, which stands in its place: as one on no keys, not drawn,
    // so the marker travels on as when the game plays back its run.
    void covered();

  private:
    void step(const unsigned char* keys);
    void fire(const unsigned char* keys);
    void select(const unsigned char* keys);
    void switches(const unsigned char* keys);
    void draw();
    void moveMarker();
};

// "GAME OVER", with the winner of a two-player game; fire returns to the menu.
class GameOver : public Animation {
  public:
    bool h = false;          // fire has been released since the screen opened
    bool twoPlayers = false; // the game that ended had a second player
    NameEntry naming;        // the name of a run that enters the score table

    GameOver();
    void update() override;
};

// A full green life bar draining away after an extra life.
class Life : public Animation {
  public:
    float time = 200; // height of the bar, world units
    void update() override;
};

// The entry the open title menu has selected (0 to 2), or -1 when no menu is open.
int MenuSelection();
// The title menu's entry whose line holds the height y (world units), or -1: what a tap chooses.
int MenuEntryAt(float y);

// Starts a game with one or two ships: the world is emptied and the game counters reset.
void StartGame(bool withSecondPlayer);
// The menu's help line, naming the keys in force: "RESET HIGHSCORE: R     TOGGLE V-SYNC: V  (REQUIRES
// RESTART)" with the default controls.
std::string MenuHelpLine();
// The line under the help line, naming the keys of the other screens.
constexpr const char* MENU_SCREENS_LINE = "O: OPTIONS     T: SCORES";
