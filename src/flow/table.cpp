// table.cpp -- the score table's file: reading it, damaged lines and all, and writing it.
#include "table.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "../replay/replay.h"
#include "../shell/files.h"
#include "../shell/platform.h"
#include "difficulty.h"

const char* const NAME_LETTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-";

std::vector<TableEntry> scoreTable;

static const char* const TABLE_FILE = "scores.txt";
// A line longer than this cannot be an entry.
static const size_t MAX_LINE = 256;
static const int MAX_SCORE_DIGITS = 9;

static bool IsDifficulty(const std::string& name) {
    return std::find_if(DIFFICULTY_NAMES, DIFFICULTY_NAMES + DIFFICULTIES,
                        [&](const char* d) { return name == d; }) != DIFFICULTY_NAMES + DIFFICULTIES;
}

static bool AllOf(const std::string& text, const char* allowed) {
    return text.find_first_not_of(allowed) == std::string::npos;
}

static bool IsDate(const std::string& date) {
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isdigit(static_cast<unsigned char>(date[i]))) return false;
    return true;
}

// A replay's file name: no folder, no hidden file, printable.
static bool IsReplayName(const std::string& name) {
    return name == "-" || (name[0] != '.' && name.size() <= MAX_LINE &&
                           AllOf(name, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-"));
}

// One line's entry; what is wrong with it, or "".
static std::string ParseLine(const std::string& line, TableEntry* e) {
    if (line.size() > MAX_LINE) return "too long";
    std::istringstream in(line);
    std::string score, mode, extra;
    if (!(in >> score >> e->name >> mode >> e->difficulty >> e->date >> e->replay)) return "fields missing";
    if (in >> extra) return "text after the replay's name";
    if (score.empty() || score.size() > MAX_SCORE_DIGITS || !AllOf(score, "0123456789"))
        return "not a score: " + score;
    e->score = atoi(score.c_str());
    if (e->name.size() > NAME_LENGTH || !AllOf(e->name, NAME_LETTERS)) return "not a name: " + e->name;
    if (mode != "1p" && mode != "2p") return "not a mode (1p or 2p): " + mode;
    e->players = mode[0] - '0';
    if (!IsDifficulty(e->difficulty)) return "not a difficulty: " + e->difficulty;
    if (!IsDate(e->date)) return "not a date (YYYY-MM-DD): " + e->date;
    if (!IsReplayName(e->replay)) return "not a replay's file name: " + e->replay;
    return "";
}

static bool SameTable(const TableEntry& a, const TableEntry& b) {
    return a.players == b.players && a.difficulty == b.difficulty;
}

void AddEntry(std::vector<TableEntry>& table, const TableEntry& entry) {
    auto at = std::find_if(table.begin(), table.end(),
                           [&](const TableEntry& e) { return SameTable(e, entry) && e.score < entry.score; });
    table.insert(at, entry);
    int kept = 0;
    table.erase(
        std::remove_if(table.begin(), table.end(),
                       [&](const TableEntry& e) { return SameTable(e, entry) && ++kept > TABLE_PLACES; }),
        table.end());
}

std::vector<TableEntry> ParseTable(const std::string& text, std::vector<std::string>* problems) {
    std::vector<TableEntry> table;
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); number++) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
        TableEntry entry;
        const std::string problem = ParseLine(line, &entry);
        if (problem.empty())
            AddEntry(table, entry);
        else
            problems->push_back("line " + std::to_string(number) + ": " + problem);
    }
    // Entries read in any order end up best first: a stable sort per table keeps equal scores in
    // the order they were written.
    std::stable_sort(table.begin(), table.end(), [](const TableEntry& a, const TableEntry& b) {
        if (a.players != b.players) return a.players < b.players;
        if (a.difficulty != b.difficulty) return a.difficulty < b.difficulty;
        return a.score > b.score;
    });
    return table;
}

std::string TableText(const std::vector<TableEntry>& table) {
    std::string text = "# Korvel's score table: score name mode difficulty date replay\n";
    for (const TableEntry& e : table)
        text += std::to_string(e.score) + " " + e.name + " " + std::to_string(e.players) + "p " +
                e.difficulty + " " + e.date + " " + e.replay + "\n";
    return text;
}

std::vector<TableEntry> TableOf(const std::vector<TableEntry>& table, int players,
                                const std::string& difficulty) {
    std::vector<TableEntry> of;
    for (const TableEntry& e : table)
        if (e.players == players && e.difficulty == difficulty) of.push_back(e);
    return of;
}

bool EntersTable(const std::vector<TableEntry>& table, int score, int players,
                 const std::string& difficulty) {
    const std::vector<TableEntry> of = TableOf(table, players, difficulty);
    return score > 0 && (of.size() < TABLE_PLACES || of.back().score < score);
}

bool TableKept() {
    // A run recorded into a file of its own ("--record") keeps out: the name typed after its game
    // would be in its recording, and not in its playback.
    return replayMode == REPLAY_RECORD && recordPath.empty() && SavesEachGame();
}

void ReadTable() {
    scoreTable.clear();
    const std::string path = SaveFile(TABLE_FILE);
    std::string text;
    if (path.empty() || ReadBounded(path, MAX_TABLE_BYTES, text) != 0) return;
    std::vector<std::string> problems;
    scoreTable = ParseTable(text, &problems);
    for (const std::string& problem : problems)
        fprintf(stderr, "%s:%s (skipped)\n", path.c_str(), problem.c_str());
}

void WriteTable() {
    const std::string path = SaveFile(TABLE_FILE);
    if (path.empty()) return;
    if (WriteFileDurably(path, TableText(scoreTable))) {
        SavesWritten();
        return;
    }
    fprintf(stderr, "cannot write the score table %s: %s\n", path.c_str(), strerror(errno));
}

bool KeptByTable(const std::string& replayName) {
    return std::any_of(scoreTable.begin(), scoreTable.end(),
                       [&](const TableEntry& e) { return e.replay == replayName; });
}
