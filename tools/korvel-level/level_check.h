// level_check.h -- what the game makes of a level file: the values it takes, where and why its
// reading stops, and the values it will not use as written.
#pragma once

#include <string>
#include <vector>

// The most of a level file that is held in memory and read; a file with more is read up to it.
constexpr long LEVEL_TEXT_LIMIT = 1 << 20;

// One tuning value as the game holds it after reading the file.
class LevelValue {
  public:
    const char* key = "";
    double value = 0;     // exact for every int and float the game holds
    bool isFloat = false; // lifeBarRate
    bool read = false;    // taken from the file; false: the default
    int line = 0;         // line of its key in the file, 0 when not read
    std::string written;  // the value as written in the file, printable, empty when not read
};

// Where the reading stops, what the game expected there, what it found and a likely reason.
class LevelStop {
  public:
    int line = 0, column = 0; // 1-based; the column counts bytes
    std::string key;          // the key of the first value not read
    std::string expected;     // "key="
    std::string found;        // the text around the stop, printable, at most one line
    int caret = 0;            // offset of the stop within found
    std::string hint;         // kind: misspelt, blank, equals, further-down, further-up, number,
                              // byte-order-mark, before-first-key, end-of-file, unknown
    std::string hintText;     // the same for people
};

// A value the game will not use as written.
class LevelWarning {
  public:
    std::string key;
    int line = 0;
    std::string kind; // divisor, limit, polygon, not-a-number, reads-as
    std::string text;
};

// The whole verdict on one file.
class LevelReport {
  public:
    std::string file; // printable
    int read = 0;     // values the game takes, 0 to SETTINGS_COUNT
    bool stopped = false;
    LevelStop stop;
    std::vector<LevelWarning> warnings;
    std::vector<LevelValue> values; // all SETTINGS_COUNT, in file order

    // 0: every value read and nothing to warn about; 1: the reading stops early or a warning.
    int Status() const;
};

// Reads the file at path with the game's own reader and taming, as the game does at start-up, and
// fills report; the game's tuning values then hold what the game would hold. False, with a
// message in error, when the file cannot be read (missing, a folder, unreadable, or too large
// for the values to be checked within LEVEL_TEXT_LIMIT).
bool CheckLevel(const std::string& path, LevelReport* report, std::string* error);

// The default "level.txt", as the build puts it into the run folder.
std::string DefaultLevelText();

// Bytes outside printable ASCII written as \xNN, so any text can go into a terminal or JSON.
std::string Printable(const std::string& text);
