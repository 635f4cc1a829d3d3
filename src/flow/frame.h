// frame.h -- one frame of the game, the heads-up display and the enemy director.
#pragma once

// Per run: the director's countdown in frames (acts when it is 0 or less) and the background's
// scroll offset, 0 to 80.
extern int rn;
extern float dist;
// Per game (reset by the menu's game start): director events since the last boss, and the
// distance clock that opens the enemy kinds' time gates, one step per 80 units of scroll.
extern int boss;
extern int td;

// The background scrolls SCROLL_SPEED units per frame of 1/60 s; td advances each time it has
// scrolled SCROLL_STEP units.
constexpr float SCROLL_SPEED = 2;
constexpr float SCROLL_STEP = 80;

// The whole frame: grid, background, world, collisions, particles, HUD, overlays, buffer swap
// and the director. Returns at once while paused.
void Render();
// The background scrolled by dist, in perspective.
void DrawBackground();
// Scores, spare ships, and the life bar of player 1.
void DrawHud();
// Across the top: the difficulty when it is not normal, and "DEMO" or "REPLAY" while one is watched
// in the running game. Nothing in a game started with the defaults.
void DrawHudLabels();
// Counts down rn; when it has run out, may create an enemy, or the boss and its satellites.
void Director();
// Creates the boss and its satellites with the strength of the next fight.
void CreateBoss();
// The director's next countdown in frames of 1/60 s, from drawn = rand() % timeBetweenEnemies:
// two players halve it, every boss beaten shortens it by one.
int Countdown(int drawn, bool twoPlayers, int bossesBeaten);
// Whether an enemy kind whose time gate is gate may come when the distance clock reads clock.
bool GateOpen(int gate, int clock);
// Whether the director event that finds events enemies since the last boss brings the boss.
bool BossDue(int events, int bossesBeaten);
