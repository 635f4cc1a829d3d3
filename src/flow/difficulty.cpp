// difficulty.cpp -- the difficulty's level files, and which one a run reads.
#include "difficulty.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "../shell/files.h"

std::string difficulty = "normal";
std::string levelFile;

const char* const DIFFICULTY_NAMES[DIFFICULTIES] = {"normal", "easy", "hard", "custom"};

// The shipped level files, in the data folder's "levels" folder; a level file is far smaller.
static const size_t MAX_LEVEL_BYTES = 1 << 20;

static std::string PresetFile(const std::string& name) {
    return DataFile(("levels/" + name + ".txt").c_str());
}

// The file's bytes, or "" when it cannot be read.
static std::string Contents(const std::string& path) {
    std::string text;
    return ReadBounded(path, MAX_LEVEL_BYTES, text) == 0 ? text : "";
}

std::string LevelFileInForce() {
    const std::string own = ConfigFile("level.txt");
    const std::string ownText = Contents(own);
    const bool ownIsDefault = ownText.empty() || ownText == Contents(PresetFile("normal"));
    const std::string preset = PresetFile(difficultyChoice);
    if (ownIsDefault && difficultyChoice != "normal" && !Contents(preset).empty()) {
        difficulty = difficultyChoice;
        return levelFile = preset;
    }
    difficulty = ownIsDefault ? "normal" : "custom";
    return levelFile = own;
}

std::string DifficultyOfLevel(const std::string& levelText) {
    if (levelText.empty()) return "normal";
    for (const char* name : {"normal", "easy", "hard"})
        if (levelText == Contents(PresetFile(name))) return name;
    return "custom";
}

std::string DifficultyLabel() {
    if (difficulty != "easy" && difficulty != "hard") return "";
    std::string label = difficulty;
    std::transform(label.begin(), label.end(), label.begin(), [](unsigned char c) { return toupper(c); });
    return label;
}
