// test_level.cpp -- korvel-level against the game itself: the values it reports are the values the
// game holds after reading the same file, its hints name the real fault, its exit statuses, and
// the pace it shows for the default file and a changed one, worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "level_check.h"
#include "level_pace.h"
#include "level_tool.h"
#include "shell/settings.h"

namespace {

// Every tuning value the game holds now, in file order.
std::vector<double> HeldValues() {
    return {
#define SETTING(name, type, value, end) static_cast<double>(name),
#include "shell/settings_table.h"
#undef SETTING
    };
}

// A folder of its own for the whole test program, made the working folder, as the game's is.
class LevelFolder : public testing::Environment {
  public:
    void SetUp() override {
        char pattern[] = "/tmp/korvel-level-tests-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        ASSERT_EQ(chdir(folder.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir("/"), 0);
        std::system(("rm -rf '" + folder + "'").c_str());
    }
    std::string folder;
};
testing::Environment* const folder = testing::AddGlobalTestEnvironment(new LevelFolder);

void WriteText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

// The report on level.txt holding text.
LevelReport Check(const std::string& text) {
    WriteText("level.txt", text);
    LevelReport report;
    std::string error;
    EXPECT_TRUE(CheckLevel("level.txt", &report, &error)) << error;
    return report;
}

// A korvel-level command line run as the program runs it: its status and what it printed.
class ToolRun {
  public:
    int status;
    std::string out, err;
};
std::string ReadBack(FILE* f) {
    std::string text;
    rewind(f);
    for (int c; (c = fgetc(f)) != EOF;)
        text += static_cast<char>(c);
    fclose(f);
    return text;
}
ToolRun Tool(std::vector<std::string> args) {
    args.insert(args.begin(), "korvel-level");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    const int status = RunLevelTool(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, ReadBack(out), ReadBack(err)};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
std::string Join(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// The default file damaged in the ways a person editing it damages it.
std::vector<std::string> DamagedVariants() {
    const std::string defaults = DefaultLevelText();
    const std::vector<std::string> lines = Lines(defaults);
    std::vector<std::string> variants = {
        "", "\n", "\xEF\xBB\xBF" + defaults, "# tuned\n" + defaults, Join(lines, "\r\n"), "  " + defaults};
    const char* const values[] = {"08",          "010", "0x1F", "-5",  "+7",  "1.5",     "abc", "",  " 12",
                                  "99999999999", "nan", "inf",  "2.5", "1e3", "5000000", "-0",  "0", "12abc"};
    for (size_t k = 0; k < lines.size(); k++) {
        const size_t equals = lines[k].find('=');
        if (equals == std::string::npos) continue;
        std::vector<std::string> changed = lines;
        changed.erase(changed.begin() + k);
        variants.push_back(Join(changed));
        changed = lines;
        changed[k].erase(equals / 2, 1);
        variants.push_back(Join(changed));
        changed = lines;
        changed[k].insert(equals, " ");
        variants.push_back(Join(changed));
        if (k + 1 < lines.size()) {
            changed = lines;
            std::swap(changed[k], changed[k + 1]);
            variants.push_back(Join(changed));
        }
        if (k % 7 != 0) continue; // every value text on a spread of keys, lifeBarRate among them
        for (const char* value : values) {
            changed = lines;
            changed[k] = lines[k].substr(0, equals + 1) + value;
            variants.push_back(Join(changed));
        }
    }
    for (size_t cut = 1; cut < defaults.size(); cut += 97)
        variants.push_back(defaults.substr(0, cut));
    std::mt19937 random(7);
    std::string binary = defaults;
    for (int k = 0; k < 20; k++)
        binary[random() % binary.size()] = static_cast<char>(random() % 256);
    variants.push_back(binary);
    variants.push_back(std::string("timeBetweenEnemies=1\0\nlifeBarRate=2.0\n", 38));
    return variants;
}

TEST(LevelParity, CheckReportsWhatTheGameReadsAndHolds) {
    for (const std::string& text : DamagedVariants()) {
        SCOPED_TRACE(Printable(text.substr(0, 300)));
        WriteText("level.txt", text);
        ResetSettings();
        ReadLevel();
        const std::vector<double> game = HeldValues();
        FILE* f = fopen("level.txt", "r");
        ASSERT_NE(f, nullptr);
        const int taken = ReadLevelFrom(f);
        fclose(f);

        const ToolRun run = Tool({"check", "--values", "level.txt"});
        EXPECT_NE(run.out.find(std::to_string(taken) + " of 61 values read"), std::string::npos) << run.out;
        if (taken < SETTINGS_COUNT) {
            EXPECT_EQ(run.status, 1);
        }
        size_t k = 0;
        for (const std::string& line : Lines(run.out)) {
            char key[64];
            double value;
            if (line.compare(0, 2, "  ") != 0 || sscanf(line.c_str(), "%63s %lf", key, &value) != 2) continue;
            ASSERT_LT(k, game.size());
            if (std::string(key) == "lifeBarRate")
                EXPECT_EQ(static_cast<float>(value), static_cast<float>(game[k]));
            else
                EXPECT_EQ(value, game[k]) << key;
            k++;
        }
        EXPECT_EQ(k, game.size());
        EXPECT_EQ(HeldValues(), game) << "the check leaves the game holding what it would hold";
        const LevelReport report = Check(text);
        EXPECT_EQ(report.read, taken);
        for (size_t v = 0; v < game.size(); v++)
            EXPECT_EQ(report.values[v].value, game[v]) << v;
    }
}

// ---------------------------------------------------------------- hints

// The default file with one line replaced (or removed, when by is empty).
std::string Replaced(const std::string& line, const std::string& by) {
    std::vector<std::string> lines = Lines(DefaultLevelText());
    for (size_t k = 0; k < lines.size(); k++)
        if (lines[k] == line) {
            if (by.empty())
                lines.erase(lines.begin() + k);
            else
                lines[k] = by;
            return Join(lines);
        }
    ADD_FAILURE() << line;
    return "";
}

TEST(LevelHints, NameTheFaultWhereTheReadingStops) {
    const std::string defaults = DefaultLevelText();
    struct Case {
        std::string text, hint, mentions;
        int read, line, column;
    };
    const Case cases[] = {
        {Replaced("bossRadius=55", "bossRadus=55"), "misspelt", "closest is bossRadius", 5, 7, 8},
        {Replaced("bossRadius=55", "bossRadius = 55"), "blank", "blank", 5, 7, 11},
        {Replaced("bossRadius=55", ""), "further-down", "missing", 5, 7, 5},
        {Replaced("bossRadius=55", "bossMinSides=100\nbossRadius=55"), "further-down", "swapped", 5, 7, 5},
        {Replaced("bossRadius=55", "bossRadius=55\nbossRadius=55"), "further-up", "already read", 6, 8, 5},
        {Replaced("bossRadius=55", "bossRadius=08"), "number", "octal", 6, 7, 13},
        {Replaced("bossRadius=55", "bossRadius=many"), "number", "`many`", 5, 7, 12},
        {Replaced("lifeBarRate=1.0", "lifeBarRate=fast"), "number", "decimal", 1, 2, 13},
        {"\xEF\xBB\xBF" + defaults, "byte-order-mark", "byte-order mark", 0, 1, 1},
        {"\xFF\xFEt\0i\0", "byte-order-mark", "UTF-16", 0, 1, 1},
        {"# level\n" + defaults, "before-first-key", "line 2", 0, 1, 1},
        {defaults.substr(0, defaults.find("bossRadius")), "end-of-file", "55 values", 5, 7, 1},
        {Replaced("bossRadius=55", "[boss]"), "unknown", "bossRadius", 5, 7, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint + " " + c.mentions);
        const LevelReport report = Check(c.text);
        EXPECT_EQ(report.read, c.read);
        ASSERT_TRUE(report.stopped);
        EXPECT_EQ(report.stop.hint, c.hint);
        EXPECT_NE(report.stop.hintText.find(c.mentions), std::string::npos) << report.stop.hintText;
        EXPECT_EQ(report.stop.line, c.line);
        EXPECT_EQ(report.stop.column, c.column);
        EXPECT_EQ(report.stop.expected, std::string(report.stop.key) + "=");
    }
}

TEST(LevelHints, QuoteAnyLineBrieflyAndPrintably) {
    const LevelReport report = Check("timeBetweenEnemies=3\n" + std::string(100000, '\x01') + "\n");
    EXPECT_EQ(report.read, 1);
    EXPECT_LT(report.stop.found.size(), 200u);
    EXPECT_EQ(report.stop.found.compare(0, 8, "\\x01\\x01"), 0);
}

// ---------------------------------------------------------------- warnings

std::vector<std::string> WarningKinds(const std::string& text) {
    std::vector<std::string> kinds;
    for (const LevelWarning& w : Check(text).warnings)
        kinds.push_back(w.key + " " + w.kind);
    return kinds;
}

TEST(LevelWarnings, EveryValueTheGameWillNotUseAsWritten) {
    using Kinds = std::vector<std::string>;
    EXPECT_EQ(WarningKinds(DefaultLevelText()), Kinds{});
    EXPECT_EQ(WarningKinds(Replaced("chanceOfAimingEnemy=5", "chanceOfAimingEnemy=0")),
              Kinds{"chanceOfAimingEnemy divisor"});
    EXPECT_EQ(WarningKinds(Replaced("chanceOfRocketEnemy=8", "chanceOfRocketEnemy=2")),
              Kinds{"chanceOfRocketEnemy divisor"});
    EXPECT_EQ(WarningKinds(Replaced("bossRadius=55", "bossRadius=-2000000")), Kinds{"bossRadius limit"});
    EXPECT_EQ(WarningKinds(Replaced("maxBossBullets=80", "maxBossBullets=500")),
              Kinds{"maxBossBullets polygon"});
    EXPECT_EQ(WarningKinds(Replaced("enemyMaxAddedSides=7", "enemyMaxAddedSides=600")),
              Kinds{"enemyMinSides polygon"});
    EXPECT_EQ(WarningKinds(Replaced("lifeBarRate=1.0", "lifeBarRate=nan")),
              Kinds{"lifeBarRate not-a-number"});
    EXPECT_EQ(WarningKinds(Replaced("bossRadius=55", "bossRadius=010")), Kinds{"bossRadius reads-as"});
    EXPECT_EQ(WarningKinds(Replaced("bossRadius=55", "bossRadius=0x37")), Kinds{});
    // The seed is never held: any int is a seed.
    EXPECT_EQ(WarningKinds(Replaced("randomNumberSeed=0", "randomNumberSeed=-2000000000")), Kinds{});
    const LevelReport report = Check(Replaced("chanceOfCircleEnemy=5", "chanceOfCircleEnemy=-4"));
    ASSERT_EQ(report.warnings.size(), 1u);
    EXPECT_EQ(report.warnings[0].line, 40);
}

// ---------------------------------------------------------------- exit statuses

TEST(LevelStatus, ZeroOneOrTwo) {
    WriteText("level.txt", DefaultLevelText());
    EXPECT_EQ(Tool({"check"}).status, 0);
    EXPECT_EQ(Tool({"show"}).status, 0);
    WriteText("stops.txt", Replaced("bossRadius=55", "bossRadius =55"));
    EXPECT_EQ(Tool({"check", "stops.txt"}).status, 1);
    WriteText("warns.txt", Replaced("timeBetweenEnemies=300", "timeBetweenEnemies=0"));
    EXPECT_EQ(Tool({"check", "--json", "warns.txt"}).status, 1);
    EXPECT_EQ(Tool({"show", "warns.txt"}).status, 0);

    ASSERT_EQ(mkdir("folder", 0755), 0);
    for (const char* path : {"folder", "missing.txt"}) {
        for (const char* command : {"check", "show"}) {
            const ToolRun run = Tool({command, path});
            EXPECT_EQ(run.status, 2) << path;
            EXPECT_NE(run.err.find(std::string("cannot read ") + path), std::string::npos) << run.err;
            EXPECT_EQ(run.out, "");
        }
    }
    WriteText("huge.txt", "timeBetweenEnemies=" + std::string(LEVEL_TEXT_LIMIT + 10, '7'));
    EXPECT_EQ(Tool({"check", "huge.txt"}).status, 2);
    WriteText("long.txt", DefaultLevelText() + std::string(LEVEL_TEXT_LIMIT * 2, 'x'));
    EXPECT_EQ(Tool({"check", "long.txt"}).status, 0) << "text after the last value is ignored";
    EXPECT_EQ(Tool({"check", "--verbose"}).status, 2);
    EXPECT_EQ(Tool({"tune"}).status, 2);
    EXPECT_EQ(Tool({}).status, 2);
    EXPECT_EQ(Tool({"check", "a.txt", "b.txt"}).status, 2);
}

TEST(LevelDefaults, WritesTheDefaultFileAndReplacesOnlyWhenTold) {
    const ToolRun out = Tool({"defaults"});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out, DefaultLevelText());
    EXPECT_EQ(Lines(out.out)[0], "timeBetweenEnemies=300");
    EXPECT_EQ(Lines(out.out)[1], "lifeBarRate=1.0");
    EXPECT_EQ(out.out.size(), 1447u);
    EXPECT_EQ(Check(out.out).read, SETTINGS_COUNT);

    WriteText("tuned.txt", "mine");
    EXPECT_EQ(Tool({"defaults", "tuned.txt"}).status, 1);
    EXPECT_EQ(Tool({"check", "tuned.txt"}).status, 1) << "the tuned file is kept";
    EXPECT_EQ(Tool({"defaults", "--force", "tuned.txt"}).status, 0);
    EXPECT_EQ(Tool({"check", "tuned.txt"}).status, 0);
    EXPECT_EQ(Tool({"defaults", "--force", "."}).status, 1);
    // A missing folder is made, as for a first copy into ~/.config/korvel; a file in the way is not.
    EXPECT_EQ(Tool({"defaults", "new-folder/level.txt"}).status, 0);
    EXPECT_EQ(Tool({"check", "new-folder/level.txt"}).status, 0);
    EXPECT_EQ(Tool({"defaults", "tuned.txt/level.txt"}).status, 2);
}

TEST(LevelProgram, RunsOnPipesAndRefusesFolders) {
    const std::string program = KORVEL_LEVEL_PROGRAM;
    EXPECT_EQ(WEXITSTATUS(std::system((program + " check / 2>/dev/null").c_str())), 2);
    EXPECT_EQ(WEXITSTATUS(std::system((program + " defaults | " + program + " check /dev/stdin").c_str())),
              0);
}

// ---------------------------------------------------------------- show

TEST(LevelShow, DefaultPaceWorkedOutByHand) {
    Check(DefaultLevelText());
    const Pace pace = WorkOutPace();
    // The clock steps every 80 / 2 = 40 frames; a gate g opens at clock g + 1.
    EXPECT_EQ(pace.clockStepFrames, 40);
    ASSERT_EQ(pace.gates.size(), 4u);
    const double opens[] = {31 * 40 / 60.0, 51 * 40 / 60.0, 71 * 40 / 60.0, 61 * 40 / 60.0};
    for (int k = 0; k < 4; k++)
        EXPECT_NEAR(pace.gates[k].seconds, opens[k], 1e-9) << pace.gates[k].kind;
    // One player: countdown 0..299, acting after countdown + 1 frames, a plain enemy one sooner
    // unless the countdown was 0: 150.5 - 299/300 frames. Two players: 0, 0, 1, 1 ... 149, 149.
    ASSERT_EQ(pace.arrivals.size(), 5u);
    EXPECT_NEAR(pace.arrivals[0].onePlayer, (150.5 - 299.0 / 300) / 60, 1e-9);
    EXPECT_NEAR(pace.arrivals[0].twoPlayers, (75.5 - 298.0 / 300) / 60, 1e-9);
    // All kinds open: a plain enemy comes with the chance 0.8 x 0.8 x 0.8 x 0.875.
    EXPECT_NEAR(pace.arrivals[4].from, 71 * 40 / 60.0, 1e-9);
    EXPECT_EQ(pace.arrivals[4].kinds.size(), 5u);
    EXPECT_NEAR(pace.arrivals[4].onePlayer, (150.5 - 0.448 * 299 / 300) / 60, 1e-9);
    EXPECT_NEAR(pace.arrivals[4].twoPlayers, (75.5 - 0.448 * 298 / 300) / 60, 1e-9);

    const int sides[] = {100, 100, 100, 150, 200, 250, 300, 350, 400, 400, 400, 400};
    const int rings[] = {10, 20, 30, 40, 50, 60, 70, 80, 80, 80, 80, 80};
    const int satelliteSides[] = {25, 25, 25, 25, 25, 25, 30, 35, 40, 45, 50, 50};
    const SatelliteAttack R = ATTACK_RINGS, B = ATTACK_BIG_PAIRS, A = ATTACK_AIMED_PAIRS, K = ATTACK_ROCKETS;
    const SatelliteAttack attacks[] = {R, R, R, B, A, R, B, R, A, B, K, R};
    ASSERT_EQ(pace.bosses.size(), 12u);
    for (int n = 0; n < 12; n++) {
        const BossPace& b = pace.bosses[n];
        EXPECT_EQ(b.enemiesBefore, 51 + n);
        EXPECT_EQ(b.coreSides, sides[n]);
        EXPECT_EQ(b.coreShots, rings[n]);
        EXPECT_EQ(b.satellites, 3 + n);
        EXPECT_EQ(b.satelliteSides, satelliteSides[n]);
        EXPECT_EQ(b.satelliteShots, 25);
        EXPECT_EQ(b.attack, attacks[n]) << n;
    }
}

TEST(LevelShow, ChangedPaceWorkedOutByHand) {
    const std::pair<const char*, const char*> changes[] = {
        {"timeBetweenEnemies=300", "timeBetweenEnemies=10"},
        {"timeBeforeBoss=50", "timeBeforeBoss=5"},
        {"timeBeforeAimingEnemy=30", "timeBeforeAimingEnemy=-1"},
        {"chanceOfAimingEnemy=5", "chanceOfAimingEnemy=2"},
        {"bossMinSides=100", "bossMinSides=120"},
        {"maxBossBullets=80", "maxBossBullets=35"},
        {"bossStartingSatelites=3", "bossStartingSatelites=14"},
        {"minSateliteSides=25", "minSateliteSides=10"},
        {"maxSateliteSides=50", "maxSateliteSides=600"},
        {"chanceSatelitesAim=4", "chanceSatelitesAim=2"},
        {"chanceSatelitesShootRockets=10", "chanceSatelitesShootRockets=5"}};
    std::vector<std::string> lines = Lines(DefaultLevelText());
    for (std::string& line : lines)
        for (const auto& change : changes)
            if (line == change.first) line = change.second;
    WriteText("changed.txt", Join(lines));
    const ToolRun run = Tool({"show", "--json", "changed.txt"});
    ASSERT_EQ(run.status, 0);
    const Pace pace = WorkOutPace();
    EXPECT_EQ(pace.gates[0].seconds, 0) << "a gate below 0 is open from the start";
    // One player: countdowns 0..9, mean 4.5, 9 of 10 above 0; half the events bring an aiming enemy.
    EXPECT_NEAR(pace.arrivals[0].onePlayer, (5.5 - 0.5 * 0.9) / 60, 1e-9);
    // Two players: 0, 0, 1, 1, 2, 2, 3, 3, 4, 4: mean 2, 8 of 10 above 0.
    EXPECT_NEAR(pace.arrivals[0].twoPlayers, (3 - 0.5 * 0.8) / 60, 1e-9);
    EXPECT_EQ(std::vector<std::string>(pace.arrivals[0].kinds.begin(), pace.arrivals[0].kinds.end()),
              (std::vector<std::string>{"plain", "aiming"}));

    const int sides[] = {120, 120, 120, 150, 200, 250, 300, 350, 400, 400, 400, 400};
    const int rings[] = {10, 20, 30, 35, 35, 35, 35, 35, 35, 35, 35, 35};
    const int satelliteSides[] = {10, 10, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55};
    const int satelliteShots[] = {10, 10, 10, 15, 20, 25, 25, 25, 25, 25, 25, 25};
    const SatelliteAttack R = ATTACK_RINGS, B = ATTACK_BIG_PAIRS, A = ATTACK_AIMED_PAIRS, K = ATTACK_ROCKETS;
    const SatelliteAttack attacks[] = {R, R, A, B, A, K, A, R, A, B, A, R};
    for (int n = 0; n < 12; n++) {
        const BossPace& b = pace.bosses[n];
        EXPECT_EQ(b.enemiesBefore, 6 + n);
        EXPECT_EQ(b.coreSides, sides[n]);
        EXPECT_EQ(b.coreShots, rings[n]);
        EXPECT_EQ(b.satellites, n == 0 ? 14 : 15);
        EXPECT_EQ(b.satelliteSides, satelliteSides[n]);
        EXPECT_EQ(b.satelliteShots, satelliteShots[n]);
        EXPECT_EQ(b.attack, attacks[n]) << n;
    }
    EXPECT_NE(run.out.find("\"onePlayer\": 0.084,"), std::string::npos) << run.out;
    EXPECT_NE(
        run.out.find(
            "{\"number\": 12, \"enemiesBefore\": 17, \"coreSides\": 400, \"coreShots\": 35, "
            "\"satellites\": 15, \"satelliteSides\": 55, \"satelliteShots\": 25, \"attack\": \"rings\"}"),
        std::string::npos)
        << run.out;
}

} // namespace
