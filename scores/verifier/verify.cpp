// verify.cpp -- korvel-verify: plays a replay with the game's own code, without a window, a GPU or
// sound, and prints what it saw as one JSON object. The score server runs it on every submitted run.
//
//   korvel-verify [--levels DIR] [FILE]     (the replay from FILE, or from standard input)
//
// A replay made by the other orientation's program is handed to that program (korvel-verify or
// korvel-verify-landscape beside this one), and one made by the browser game to the browser game's
// own code under Node (korvel-verify-web.js or korvel-verify-web-landscape.js beside it): their
// arithmetic differs. Exit status 0 when the run is verified, 1 when refused.
#include <dirent.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "headless.h"
#include "player/player.h"
#include "replay/replay.h"
#include "shell/files.h"
#include "shell/orientation.h"
#include "shell/platform.h"
#include "shell/settings.h"

using nlohmann::json;

// The verifiers of the desktop's runs and of the browser's, by orientation.
static const char* const PROGRAMS[2][2] = {{"korvel-verify", "korvel-verify-landscape"},
                                           {"korvel-verify-web.js", "korvel-verify-web-landscape.js"}};
// The browser's verifiers run under Node, its JavaScript heap bounded (MB); the game's memory is
// WebAssembly's, bounded by their build.
static const char* const NODE = "node";
static const char* const NODE_HEAP = "--max-old-space-size=64";
// The largest replay read; the server takes none above 256 KB.
static const size_t MAX_REPLAY_BYTES = 16u << 20;
static const size_t MAX_LEVEL_BYTES = 1u << 20;
static const size_t MAX_PRESETS = 64;
static const double MS_PER_FPSM = 16.666666;
// The longest frame a run may hold, in fpsm: 2 s. The game measures every frame and never records
// one below 0; a stalled machine may record a long one, a forged file anything at all.
static const float MAX_FPSM = 120;

// A preset: its difficulty (the file's name without ".txt") and its values as the game reads them.
struct Preset {
    std::string difficulty;
    std::string values;
};

static std::string ValueText(int v) {
    return std::to_string(v);
}

static std::string ValueText(float v) {
    char text[32];
    snprintf(text, sizeof text, "%a", static_cast<double>(v));
    return text;
}

// The tuning values a level.txt gives the game, as TakeReplaySettings reads them, one per line.
static std::string LevelValues(std::string text) {
    ResetSettings();
    if (!text.empty()) {
        FILE* f = fmemopen(&text[0], text.size(), "r");
        if (f) {
            ReadLevelFrom(f);
            fclose(f);
        }
        TameSettings();
    }
    std::string values;
#define SETTING(name, type, value, end) values += #name "=" + ValueText(name) + "\n";
#include "shell/settings_table.h"
#undef SETTING
    return values;
}

// The "*.txt" files of the folder, by name.
static std::vector<Preset> ReadPresets(const std::string& folder) {
    std::vector<Preset> presets;
    DIR* dir = opendir(folder.c_str());
    for (dirent* entry; dir && (entry = readdir(dir)) && presets.size() < MAX_PRESETS;) {
        const std::string name = entry->d_name;
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".txt") != 0 || name[0] == '.') continue;
        std::string text;
        if (ReadBounded(folder + "/" + name, MAX_LEVEL_BYTES, text) == 0)
            presets.push_back({name.substr(0, name.size() - 4), LevelValues(text)});
    }
    if (dir) closedir(dir);
    std::sort(presets.begin(), presets.end(),
              [](const Preset& a, const Preset& b) { return a.difficulty < b.difficulty; });
    return presets;
}

// The difficulty whose preset the level is, or "".
static std::string Difficulty(const std::string& level, const std::vector<Preset>& presets) {
    const std::string values = LevelValues(level);
    for (const Preset& preset : presets)
        if (preset.values == values) return preset.difficulty;
    return "";
}

// Plays the replay from program start to its last frame, as the game's main loop does with
// --replay, without the window, the sound and the font.
static void PlayRun(const Replay& r) {
    StartPlayback(r);
    TakeReplaySettings();
    StartHeadlessGame();
    RunHeadlessFrames();
}

// The game's length from its start, in seconds of recorded frame time.
static double GameSeconds(const Replay& r) {
    double ms = 0;
    for (size_t i = r.gameStart; i < r.fpsm.size(); i++)
        ms += r.fpsm[i] * MS_PER_FPSM;
    return ms / 1000;
}

static std::string ReadAll(FILE* in) {
    std::string bytes;
    char buffer[65536];
    for (size_t n; bytes.size() <= MAX_REPLAY_BYTES && (n = fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.append(buffer, n);
    return bytes;
}

// Hands the replay to the verifier of its program (PROGRAMS beside this one): its file, else
// standard input again from its start (the server gives a file there), else its bytes in a memory
// file.
[[noreturn]] static void HandOver(const std::string& bytes, const std::string& file,
                                  const std::string& levels, bool browser, bool landscape) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string here = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    const std::string program = here.substr(0, here.rfind('/') + 1) + PROGRAMS[browser][landscape];
    std::vector<const char*> args;
    if (browser) args = {NODE, NODE_HEAP};
    args.insert(args.end(), {program.c_str(), "--levels", levels.c_str()});
    if (!file.empty()) args.push_back(file.c_str());
    args.push_back(nullptr);
    const int fd = !file.empty() || lseek(0, 0, SEEK_SET) == 0 ? 0 : memfd_create("replay", 0);
    if (fd == 0 || (fd > 0 && write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
                    lseek(fd, 0, SEEK_SET) == 0 && dup2(fd, 0) == 0))
        execvp(args[0], const_cast<char* const*>(args.data()));
    printf("%s\n", json{{"verdict", "refused"}, {"reason", "cannot start " + program}}.dump().c_str());
    exit(1);
}

// A hash of what makes the run the game it is (its level, seed, frame times and keys), the same
// for every file of one game whatever its date: FNV-1a, 64 bits, as 16 hex digits.
static std::string GameDigest(const Replay& r) {
    uint64_t h = 14695981039346656037u;
    auto add = [&h](const void* data, size_t size) {
        for (size_t i = 0; i < size; i++)
            h = (h ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211u;
    };
    add(r.level.data(), r.level.size());
    add(&r.seed, sizeof r.seed);
    add(r.fpsm.data(), r.fpsm.size() * sizeof(float));
    add(r.keys.data(), r.keys.size() * sizeof(uint32_t));
    char text[17];
    snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

static json Refused(json out, const std::string& reason) {
    out["reason"] = reason;
    return out;
}

// What the run's play showed, and the verdict.
static json Check(const Replay& r, const std::vector<Preset>& presets) {
    json out = {{"version", r.version},
                {"program", r.landscape ? "korvel-landscape" : "korvel"},
                {"frames", r.fpsm.size()},
                {"game_start", r.gameStart},
                {"claimed", {r.score[0], r.score[1]}},
                {"players", r.players},
                {"digest", GameDigest(r)}};
    const std::string versionProblem = VersionProblem(r.version);
    if (!versionProblem.empty()) return Refused(out, versionProblem);
    const std::string difficulty = Difficulty(r.level, presets);
    out["difficulty"] = difficulty.empty() ? json() : json(difficulty);
    if (difficulty.empty()) return Refused(out, "its level is not one of the game's difficulties");
    // The settings now hold the level's values: its seed is the preset's.
    if (r.seed != randomNumberSeed) return Refused(out, "its seed is not its level's");
    if (r.players == 0) return Refused(out, "no game was played in it");
    for (float f : r.fpsm)
        if (!(f >= 0 && f <= MAX_FPSM))
            return Refused(out, "a frame time out of range (" + std::to_string(f) + ")");
    PlayRun(r);
    const int seen[2] = {score[0], twoPlayers ? score[1] : 0};
    out["played"] = PlayedFrames();
    out["score"] = {seen[0], seen[1]};
    out["mode"] = std::string(twoPlayers ? "2p" : "1p") + (LANDSCAPE ? "-landscape" : "");
    out["game_over"] = player == nullptr && player2 == nullptr;
    out["seconds"] = GameSeconds(r);
    out["checksums"] = outOfStepAt ? "out of step at frame " + std::to_string(outOfStepAt) : "match";
    if (outOfStepAt)
        return Refused(out, "its play goes out of step at frame " + std::to_string(outOfStepAt) + " of " +
                                std::to_string(r.fpsm.size()));
    if ((twoPlayers ? 2 : 1) != r.players || seen[0] != r.score[0] || seen[1] != r.score[1])
        return Refused(out, "the score it claims is not the score its play reaches");
    out["verdict"] = "verified";
    return out;
}

int main(int argc, char** argv) {
    std::string levels, file;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--levels") && i + 1 < argc)
            levels = argv[++i];
        else if (argv[i][0] != '-' && file.empty())
            file = argv[i];
        else {
            fprintf(stderr, "usage: %s [--levels DIR] [FILE]\n", argv[0]);
            return 2;
        }
    }
    std::string bytes;
    if (file.empty())
        bytes = ReadAll(stdin);
    else if (ReadBounded(file, MAX_REPLAY_BYTES + 1, bytes) != 0)
        bytes.clear();
    if (levels.empty()) levels = DataFile("levels");
    Replay r;
    std::string problem = bytes.size() > MAX_REPLAY_BYTES ? "too long for a replay" : DecodeReplay(bytes, &r);
    const bool browserRun = problem.empty() && MadeInBrowser(r.version);
    if (problem.empty() && (r.landscape != LANDSCAPE || browserRun != BROWSER_GAME))
        HandOver(bytes, file, levels, browserRun, r.landscape);
    json out = problem.empty() ? Check(r, ReadPresets(levels)) : json{{"reason", problem}};
    if (!out.contains("verdict")) out["verdict"] = "refused";
    printf("%s\n", out.dump(-1, ' ', false, json::error_handler_t::replace).c_str());
    return out["verdict"] == "verified" ? 0 : 1;
}
