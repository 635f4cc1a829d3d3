// test_files.cpp -- where the game's files are found, installed and not, and saves in the player's
// folders: made when missing, never in the working folder, a failure told once and nothing lost.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "flow/showcase.h"
#include "harness.h"
#include "shell/files.h"
#include "shell/orientation.h"
#include "shell/settings.h"
#include "shell/window.h"

namespace {

namespace fs = std::filesystem;

const char* const XDG_VARIABLES[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"};

// Every test gets a prefix with the game "installed" in it as the build lays it out (prefix/games/korvel
// and prefix/share/games/korvel), a home folder and an empty working folder; the environment is put
// back after.
class Files : public testing::Test {
  protected:
    void SetUp() override {
        static int count = 0;
        root = TempPath("files-" + std::to_string(count++));
        data = (fs::path(root + "/prefix/games") / KORVEL_DATA_FROM_BIN).lexically_normal().string();
        home = root + "/home";
        work = root + "/work";
        for (const std::string& folder : {root + "/prefix/games", data, home, work})
            fs::create_directories(folder);
        for (const char* name : XDG_VARIABLES) {
            const char* value = getenv(name);
            saved.push_back(value ? value : "");
            wasSet.push_back(value != nullptr);
        }
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CONFIG_HOME");
        oldCwd = fs::current_path();
        fs::current_path(work);
        Install(root + "/prefix/games/korvel");
        saveProblemTold = false;
    }
    void TearDown() override {
        fs::current_path(oldCwd);
        for (size_t i = 0; i < saved.size(); i++)
            wasSet[i] ? setenv(XDG_VARIABLES[i], saved[i].c_str(), 1) : unsetenv(XDG_VARIABLES[i]);
        FindInstalledDataFolder(fs::read_symlink("/proc/self/exe").string());
        chmod(home.c_str(), 0755);
        std::error_code ignored;
        fs::remove_all(root, ignored);
        highscore = 0;
    }
    // The game as if it were the program at this path.
    void Install(const std::string& program) { FindInstalledDataFolder(program); }
    // The files the game left in the working folder.
    std::vector<std::string> WorkingFolder() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(work))
            names.push_back(entry.path().filename());
        return names;
    }
    std::string root, data, home, work;
    fs::path oldCwd;
    std::vector<std::string> saved;
    std::vector<bool> wasSet;
};

// A run that reaches a score: what ReadHighscore and Savehighscore told on standard error.
std::string ReadAndSaveTelling(int score) {
    testing::internal::CaptureStderr();
    ReadHighscore();
    highscore = score;
    Savehighscore();
    return testing::internal::GetCapturedStderr();
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        n++;
    return n;
}

TEST_F(Files, TheTestProgramItselfIsNotInstalled) {
    FindInstalledDataFolder(fs::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(InstalledDataFolder(), "");
}

TEST_F(Files, AProgramOfUnknownPlaceIsNotInstalled) {
    fs::current_path(root + "/prefix/games"); // the data folder exists from here, but says nothing
    Install("");
    EXPECT_EQ(InstalledDataFolder(), "");
    Install("korvel");
    EXPECT_EQ(InstalledDataFolder(), "");
}

TEST_F(Files, NotInstalledEveryFileIsInTheWorkingFolder) {
    Install(root + "/elsewhere/games/korvel"); // no data folder beside it
    fs::create_directories(home + "/.config/korvel");
    WriteFile(home + "/.config/korvel/level.txt", "timeBetweenEnemies=1\n");
    EXPECT_EQ(InstalledDataFolder(), "");
    EXPECT_EQ(DataFile("font.fnt"), "font.fnt");
    EXPECT_EQ(SaveFile("highscore.txt"), "highscore.txt");
    EXPECT_EQ(ConfigFile("level.txt"), "level.txt");
    EXPECT_EQ(UserConfigFile("level.txt"), "level.txt");
}

TEST_F(Files, InstalledFindsItsDataBesideItsProgramWhereverThePrefixIs) {
    EXPECT_EQ(InstalledDataFolder(), data);
    EXPECT_EQ(DataFile("font.fnt"), data + "/font.fnt");
    EXPECT_EQ(SaveFile("highscore.txt"), home + "/.local/share/korvel/highscore.txt");
    EXPECT_EQ(ConfigFile("level.txt"), data + "/level.txt");
    EXPECT_EQ(UserConfigFile("level.txt"), home + "/.config/korvel/level.txt");
    // A file in the working folder is used from there.
    for (const char* name : {"font.fnt", "highscore.txt", "level.txt"})
        WriteFile(name, "");
    EXPECT_EQ(DataFile("font.fnt"), "font.fnt");
    EXPECT_EQ(SaveFile("highscore.txt"), "highscore.txt");
    EXPECT_EQ(ConfigFile("level.txt"), "level.txt");
    EXPECT_EQ(UserConfigFile("level.txt"), "level.txt");
}

// The title screen's demo waits a minute in the installed game, never in a run folder, and the test
// setting's time wherever one is given.
TEST_F(Files, TheDemoWaitsOnlyInTheInstalledGameUnlessATimeIsGiven) {
    const struct {
        bool installed;
        const char* idle;
        float seconds;
    } cases[] = {{false, nullptr, 0},
                 {true, nullptr, TITLE_IDLE_SECONDS},
                 {false, "2", 2},
                 {true, "0.5", 0.5f},
                 {false, "none", TITLE_IDLE_SECONDS}};
    for (const auto& c : cases) {
        Install(root + (c.installed ? "/prefix/games/korvel" : "/elsewhere/games/korvel"));
        c.idle ? setenv("KORVEL_TITLE_IDLE", c.idle, 1) : unsetenv("KORVEL_TITLE_IDLE");
        EXPECT_EQ(TitleIdleSeconds(), c.seconds) << c.installed << " " << (c.idle ? c.idle : "unset");
    }
    unsetenv("KORVEL_TITLE_IDLE");
}

TEST_F(Files, ThePlayersOwnLevelFileComesBeforeTheInstalledDefault) {
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    EXPECT_EQ(ConfigFile("level.txt"), data + "/level.txt");
    fs::create_directories(root + "/config/korvel");
    WriteFile(root + "/config/korvel/level.txt", "timeBetweenEnemies=77\n");
    EXPECT_EQ(ConfigFile("level.txt"), root + "/config/korvel/level.txt");
    testing::internal::CaptureStdout();
    ReadLevel();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(timeBetweenEnemies, 77);
    ResetSettings();
}

TEST_F(Files, MissingLevelMessageOnlyWhenNeitherLevelFileExists) {
    testing::internal::CaptureStdout();
    ReadLevel();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR LOADING LEVEL, USING DEFAULTS!\n");
    WriteFile(data + "/level.txt", "timeBetweenEnemies=55\n");
    testing::internal::CaptureStdout();
    ReadLevel();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(timeBetweenEnemies, 55);
    ResetSettings();
}

TEST_F(Files, UnsetEmptyOrRelativeXdgFoldersMeanTheirDefaults) {
    for (const char* value : {"", "relative/data", "."}) {
        setenv("XDG_DATA_HOME", value, 1);
        setenv("XDG_CONFIG_HOME", value, 1);
        EXPECT_EQ(SaveFile("highscore.txt"), home + "/.local/share/korvel/highscore.txt") << value;
        EXPECT_EQ(UserConfigFile("level.txt"), home + "/.config/korvel/level.txt") << value;
    }
    setenv("XDG_DATA_HOME", "/somewhere/data", 1);
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(SaveFile("highscore.txt"), "/somewhere/data/korvel/highscore.txt");
    EXPECT_EQ(UserConfigFile("level.txt"), "/somewhere/config/korvel/level.txt");
}

TEST_F(Files, FirstSaveMakesThePrivateDataFolderAndNothingInTheWorkingFolder) {
    EXPECT_EQ(ReadAndSaveTelling(4321), "");
    EXPECT_EQ(ReadFile(home + "/.local/share/korvel/" + OWN_HIGHSCORE_FILE),
              "highscore: 4321\nvsync: 0\nsound: 1\n");
    struct stat st;
    ASSERT_EQ(stat((home + "/.local/share/korvel").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(WorkingFolder().empty());
    // Read back from there at the next start.
    highscore = 0;
    ReadHighscore();
    EXPECT_EQ(highscore, 4321);
}

// Both programs once saved under one name. The landscape game takes what is shared at its first
// start and keeps its own from then on; the portrait game's files stay its own. Installed and not;
// in a working folder both keep the high score in "highscore.txt", as they always did.
TEST_F(Files, EachProgramKeepsItsOwnSavesAndTheLandscapeGameTakesTheSharedOnesOnce) {
    const std::string sharedScore = "highscore: 900\nvsync: 1\nsound: 0\n";
    for (const std::string& folder : {home + "/.local/share/korvel", work}) {
        Install(folder == work ? root + "/elsewhere/games/korvel" : root + "/prefix/games/korvel");
        fs::create_directories(folder);
        WriteFile(folder + "/highscore.txt", sharedScore);
        WriteFile(folder + "/options.txt", "mode: fullscreen\nscale: 2\nsmooth: on\n");
        for (int start = 0; start < 2; start++) {
            windowChoiceMade = false;
            const WindowChoice choice = ReadSavedOptions();
            EXPECT_TRUE(choice.fullscreen && choice.smooth) << folder << " start " << start;
            EXPECT_EQ(choice.scale, LANDSCAPE && start == 0 ? 0 : 2)
                << "the shared scale is the portrait game's";
            EXPECT_EQ(windowChoiceMade, LANDSCAPE && start == 0) << "taken once, and written";
            if (windowChoiceMade) WriteOptions(OptionsFile(), WindowChoice{true, 2, true});
            ReadHighscore();
            EXPECT_EQ(highscore, start == 0 ? 900 : 1000) << "kept by both";
            highscore = 1000;
            Savehighscore();
        }
        EXPECT_EQ(ReadFile(folder + "/highscore.txt"),
                  LANDSCAPE && folder != work ? sharedScore : "highscore: 1000\nvsync: 1\nsound: 0\n");
        EXPECT_EQ(OptionsFile(), SaveFile(OwnSaveName("options.txt").c_str()));
    }
    windowChoiceMade = false;
    vsync = 0;
    sound = true;
}

TEST_F(Files, NoHomeAtAllIsToldOnceAndWritesNothing) {
    unsetenv("HOME");
    EXPECT_EQ(SaveFile("highscore.txt"), "");
    const std::string told = ReadAndSaveTelling(10);
    EXPECT_EQ(Count(told, "korvel: the high score cannot be saved"), 1) << told;
    EXPECT_NE(told.find("no home folder"), std::string::npos) << told;
    EXPECT_TRUE(WorkingFolder().empty());
}

TEST_F(Files, DataHomeThatIsAFileIsToldOnceAndLeftAlone) {
    const std::string file = WriteFile(root + "/data-file", "not a folder\n");
    setenv("XDG_DATA_HOME", file.c_str(), 1);
    const std::string told = ReadAndSaveTelling(10);
    EXPECT_EQ(Count(told, "korvel: the high score cannot be saved"), 1) << told;
    EXPECT_NE(told.find(file + " is not a folder"), std::string::npos) << told;
    EXPECT_EQ(ReadFile(file), "not a folder\n");
    EXPECT_TRUE(WorkingFolder().empty());
}

TEST_F(Files, FailedSaveInTheDataHomeKeepsTheStoredScoreAndIsToldOnce) {
    const std::string folder = home + "/.local/share/korvel";
    fs::create_directories(folder);
    const std::string old =
        WriteFile(folder + "/" + OWN_HIGHSCORE_FILE, "highscore: 5000\nvsync: 1\nsound: 1\n");
    // Only the save fails: it finds no file descriptor to spare.
    testing::internal::CaptureStderr();
    ReadHighscore();
    highscore = 10;
    WithNoFileToSpare(Savehighscore);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(told, "korvel: the high score cannot be saved"), 1) << told;
    EXPECT_NE(told.find(folder + "/" + OWN_HIGHSCORE_FILE), std::string::npos) << told;
    EXPECT_EQ(ReadFile(folder + "/" + OWN_HIGHSCORE_FILE), "highscore: 5000\nvsync: 1\nsound: 1\n");
}

TEST_F(Files, TwoSavesOfOneFileAtOnceLeaveOneWholeFileAndNothingElse) {
    const std::string path = work + "/highscore.txt";
    // Long texts, so that the two writes overlap.
    const std::string texts[2] = {std::string(1 << 16, 'a'), std::string(1 << 17, 'b')};
    std::atomic<int> failed{0};
    auto save = [&](int k) {
        for (int round = 0; round < 100; round++)
            if (!WriteFileDurably(path, texts[k])) failed++;
    };
    std::thread first(save, 0), second(save, 1);
    first.join();
    second.join();
    EXPECT_EQ(failed, 0);
    const std::string text = ReadFile(path);
    EXPECT_TRUE(text == texts[0] || text == texts[1]) << text.size() << " bytes";
    EXPECT_EQ(WorkingFolder(), std::vector<std::string>{"highscore.txt"});
}

TEST_F(Files, UnwritableDataHomeIsToldAtStartUp) {
    ASSERT_EQ(chmod(home.c_str(), 0555), 0);
    if (access(home.c_str(), W_OK) == 0) GTEST_SKIP() << "the folder stays writable for this user";
    testing::internal::CaptureStderr();
    ReadHighscore();
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("cannot write in " + home), std::string::npos) << told;
}

} // namespace
