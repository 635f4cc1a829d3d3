// difficulty.h -- the difficulty: three level files shipped with the game (easy, normal, hard), the
// one chosen in options.txt read at start-up in place of the default level.txt.
#pragma once

#include <string>

#include "../shell/options.h" // difficultyChoice: taken at the next start, so a run keeps its level

// Per run (and per replay watched): the difficulty in force: the choice, or "custom" when the
// player's own level.txt is read. Kept apart in the score table.
extern std::string difficulty;

// The names of the difficulties the score table keeps apart, in the table's order.
constexpr int DIFFICULTIES = 4;
extern const char* const DIFFICULTY_NAMES[DIFFICULTIES]; // "normal", "easy", "hard", "custom"

// Per run: the level file read at start-up (LevelFileInForce).
extern std::string levelFile;

// Start-up: the level file to read for the choice (also kept in levelFile), and the difficulty set. A
// level.txt of the player's own (one that is not the default file) wins over the choice; "normal" reads
// level.txt as it always has.
std::string LevelFileInForce();
// The difficulty of a replay from the level.txt it holds ("" when it had none).
std::string DifficultyOfLevel(const std::string& levelText);
// What the HUD shows beside the score: "EASY" or "HARD", or "" for normal and custom.
std::string DifficultyLabel();
