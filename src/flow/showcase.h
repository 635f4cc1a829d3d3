// showcase.h -- the screens around the game: the score table (from the title menu, and between
// demos), the replays watched from it, the demo the title screen plays when left alone, and the
// name a run that enters the table is given at the game-over screen.
//
// Each of them leaves the run: the world starts afresh (as at program start, the high score kept)
// when the title menu comes back, and recording starts over, so every recorded run stays one that
// plays back exactly.
#pragma once

#include <SDL/SDL.h>

#include <string>

#include "../world/effects.h"

// What the showcase has on screen.
enum Showcase { SHOW_NONE, SHOW_TABLE, SHOW_WATCH, SHOW_DEMO, SHOW_DEMO_TABLE };
// Per run: the screen shown, SHOW_NONE for the game itself (title menu, play, game over).
extern Showcase showing;
// Per run: the mark the HUD shows while a replay is watched ("DEMO", "REPLAY"), else "".
extern std::string playbackMark;

// The title menu left alone this long (seconds) starts the demo in the installed game.
constexpr float TITLE_IDLE_SECONDS = 60;
// Between two demos the score table stays this long (seconds).
constexpr float DEMO_TABLE_SECONDS = 10;

// Every event of the main loop passes here first; true when the showcase takes it (the game
// does not see it): any input ends the demo, Escape leaves the table and the watched replay, T (or
// the controller's north button) on the title menu opens the table.
bool ShowcaseTakesEvent(const SDL_Event& event);
// How long the title menu waits, left alone, before the demo (seconds): the environment variable
// KORVEL_TITLE_IDLE when set (tests); else TITLE_IDLE_SECONDS installed (the browser's game too), and
// 0, never, in a run folder, where the title screen stays the game's own.
float TitleIdleSeconds();
// The main loop, after each frame's events: switches screens, starts the demo when the title has
// been left alone, and puts the player's own settings back before the program ends.
void RunShowcase();
// Asks for the title menu in a fresh world after this frame.
void RequestTitle();
// The title menu in a fresh world now, recording anew (the browser's game starting again).
void StartTitle();
// Plays the replay at path in a fresh world, as the demo (SHOW_DEMO) or a replay watched from the
// table (SHOW_WATCH); false, with one line on standard error, when it cannot be played.
bool WatchInGame(const std::string& path, Showcase kind);
// Plays the replay at path as one watched from the table, but its end leads to the title menu (a
// run the browser's page was asked to show); false as WatchInGame.
bool WatchThenTitle(const std::string& path);
// The demo's file in the data folder, one per orientation.
extern const char* const DEMO_FILE;

// The score table: one table (mode and difficulty) at a time; Up and Down choose an entry, fire
// watches its replay, Left and Right turn to the other tables. Between demos it takes no keys.
class TableScreen : public Animation {
  public:
    bool demo = false; // shown between demos
    int page = 0;      // the table shown: players - 1 + 2 x difficulty's index
    int chosen = 0;    // the entry chosen
    bool h = false;    // fire has been released since the screen opened
    bool up = false, down = false, left = false, right = false; // held in the previous frame
    Uint32 opened = 0;                                          // ticks when shown

    void update() override;

  private:
    void keys();
    void draw();
};

// The name of a run that enters the score table, typed at the game-over screen: Up and Down
// choose each letter, fire confirms it (or a tap on the window's upper third, lower third, middle);
// after the last the entry is written.
class NameEntry {
  public:
    bool active = false;           // the run enters the table and its name is being typed
    int letters[3] = {0, 0, 0};    // into NAME_LETTERS
    int at = 0;                    // the letter being chosen
    bool h = false;                // fire has been released since the last confirmation
    bool up = false, down = false; // held in the previous frame
    int score = 0;                 // the run's score (the better player's in a two-player game)
    int players = 1;

    // At the game-over screen: whether the run enters the table (only where the table is kept).
    void Begin();
    // Keys, then the letters drawn under "GAME OVER".
    void update();
};
