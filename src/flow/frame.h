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

// The whole frame: grid, background, world, collisions, particles, HUD, overlays, buffer swap
// and the director. Returns at once while paused.
void Render();
// The background scrolled by dist, in perspective.
void DrawBackground();
// Scores, spare ships, and the life bar of player 1.
void DrawHud();
// Counts down rn; when it has run out, may create an enemy, or the boss and its satellites.
void Director();
// Creates the boss and its satellites with the strength of the next fight.
void CreateBoss();
