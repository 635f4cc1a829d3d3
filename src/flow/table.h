// table.h -- the score table: the best ten runs of each mode (one player, two players) and
// difficulty, with the name the player typed and the replay of the run, kept in "scores.txt".
//
// One entry a line: "SCORE NAME MODE DIFFICULTY DATE REPLAY", such as
// "12300 ABC 1p normal 2026-12-08 20261208-214501-1p.korvel-replay" (REPLAY is "-" when the run has
// none). Lines starting with '#' and blank lines are skipped; a damaged line is skipped with one
// message on standard error, and the rest of the file kept.
#pragma once

#include <string>
#include <vector>

struct TableEntry {
    int score = 0;
    std::string name;       // one to three of NAME_LETTERS
    int players = 1;        // 1 or 2
    std::string difficulty; // one of DIFFICULTY_NAMES
    std::string date;       // YYYY-MM-DD
    std::string replay;     // the replay's file name in the replay folder, or "-"
};

// The runs each table (mode and difficulty) keeps, and the letters a name is typed from.
constexpr int TABLE_PLACES = 10;
constexpr int NAME_LENGTH = 3;
extern const char* const NAME_LETTERS;
// A file larger than this is read only this far (its last line, cut, is then damaged).
constexpr size_t MAX_TABLE_BYTES = 64 << 10;

// Per run: the score table as read at start-up and changed by the runs that enter it.
extern std::vector<TableEntry> scoreTable;

// The entries of a table file's text, each table sorted best first and cut to TABLE_PLACES; one
// message ("line N: what is wrong") per damaged line in problems.
std::vector<TableEntry> ParseTable(const std::string& text, std::vector<std::string>* problems);
// The file's text for a table.
std::string TableText(const std::vector<TableEntry>& table);
// The entries of one mode and difficulty, best first.
std::vector<TableEntry> TableOf(const std::vector<TableEntry>& table, int players,
                                const std::string& difficulty);
// Whether a run with this score would enter its table.
bool EntersTable(const std::vector<TableEntry>& table, int score, int players, const std::string& difficulty);
// Puts an entry in its place, below those of equal score, and drops whatever falls off its table.
void AddEntry(std::vector<TableEntry>& table, const TableEntry& entry);

// Whether this run keeps the score table: where each game's replay is kept (the installed game, and
// the browser's); never while a replay plays or "--record" records.
bool TableKept();
// Start-up: reads "scores.txt" from the save folder (SaveFile) into scoreTable.
void ReadTable();
// Writes scoreTable durably; says on standard error when it cannot.
void WriteTable();
// Whether the replay file of that name belongs to an entry of scoreTable (never pruned).
bool KeptByTable(const std::string& replayName);
