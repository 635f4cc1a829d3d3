// test_window.cpp -- the window's mode and scale: the command line, "options.txt", the scale fitted
// to the desktop, the picture fitted to the window, the fullscreen keys, and the paused loop's rest.
#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "harness.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/window.h"

namespace {

// What a command line did: its status, what it printed, and the choice it left.
struct Outcome {
    int status;
    std::string out, err;
    WindowChoice choice;
    bool made;
};

Outcome Parse(std::vector<std::string> args) {
    windowChoice = WindowChoice();
    windowChoiceMade = false;
    args.insert(args.begin(), "korvel");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    Outcome outcome{status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr(),
                    windowChoice, windowChoiceMade};
    windowChoice = WindowChoice();
    windowChoiceMade = false;
    return outcome;
}

bool ListsEveryOption(const std::string& usage) {
    for (const char* name : {"usage:", "--fullscreen", "--window", "--scale F", "--help", "--version"})
        if (usage.find(name) == std::string::npos) return false;
    return true;
}

WindowChoice Stored(const std::string& text) {
    return ReadOptions(WriteFile(TempPath("options.txt"), text));
}

void ExpectDefaults(const WindowChoice& choice, const std::string& what) {
    EXPECT_FALSE(choice.fullscreen) << what;
    EXPECT_EQ(choice.scale, 0) << what;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The command line

TEST(CommandLine, NoOptionsStartTheGameAsBefore) {
    const Outcome none = Parse({});
    EXPECT_EQ(none.status, START_GAME);
    EXPECT_EQ(none.out + none.err, "");
    EXPECT_FALSE(none.made);
    ExpectDefaults(none.choice, "no options");
    // As the benchmark starts the game: no arguments at all.
    EXPECT_EQ(ParseCommandLine(0, nullptr), START_GAME);
    EXPECT_FALSE(windowChoiceMade);
}

TEST(CommandLine, ModeAndScaleAreChosenTheLastOneWinning) {
    const Outcome full = Parse({"--fullscreen", "--scale", "0.75"});
    EXPECT_EQ(full.status, START_GAME);
    EXPECT_TRUE(full.made);
    EXPECT_TRUE(full.choice.fullscreen);
    EXPECT_FLOAT_EQ(full.choice.scale, 0.75f);

    const Outcome window = Parse({"--fullscreen", "--window", "--scale=2", "--scale", "0.25"});
    EXPECT_EQ(window.status, START_GAME);
    EXPECT_FALSE(window.choice.fullscreen);
    EXPECT_FLOAT_EQ(window.choice.scale, 0.25f);
    EXPECT_FLOAT_EQ(Parse({"--scale=4"}).choice.scale, 4.0f);
    const Outcome fit = Parse({"--scale", "2", "--scale", "fit"});
    EXPECT_EQ(fit.status, START_GAME);
    EXPECT_EQ(fit.choice.scale, 0);
}

TEST(CommandLine, ScaleOutsideItsRangeOrNotANumberIsAMistake) {
    for (const char* bad : {"0.24", "4.01", "0", "-1", "abc", "0.75x", "", " ", "nan", "inf", "1e9"}) {
        const Outcome outcome = Parse({"--scale", bad});
        EXPECT_EQ(outcome.status, USAGE_ERROR) << bad;
        EXPECT_EQ(outcome.choice.scale, 0) << bad;
        EXPECT_EQ(outcome.out, "") << bad;
        EXPECT_NE(outcome.err.find("--scale takes a factor from 0.25 to 4"), std::string::npos) << bad;
        EXPECT_TRUE(ListsEveryOption(outcome.err)) << bad;
    }
}

TEST(CommandLine, UnknownOptionOrMissingValuePrintsTheUsageOnStderrWithStatus2) {
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{"--bogus"},
                                               {"-h"},
                                               {"level.txt"},
                                               {"--fullscreen=1"},
                                               {"--scale"},
                                               {"--window", "--nope"},
                                               {"--Scale", "1"},
                                               {"--help-me"},
                                               {"--record", "a", "--replay", "b"},
                                               {"--replay=b", "--record=a"}}) {
        const Outcome outcome = Parse(args);
        EXPECT_EQ(outcome.status, USAGE_ERROR) << args[0];
        EXPECT_EQ(outcome.out, "") << args[0];
        EXPECT_TRUE(ListsEveryOption(outcome.err)) << args[0] << ": " << outcome.err;
    }
}

TEST(CommandLine, HelpAndVersionPrintOnStdoutAndEndWithStatus0) {
    const Outcome help = Parse({"--help", "--bogus"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(ListsEveryOption(help.out)) << help.out;
    EXPECT_EQ(help.err, "");

    const Outcome version = Parse({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "korvel 1.0.0\n");
    EXPECT_EQ(version.err, "");
}

// ---------------------------------------------------------------------------------------------
// "options.txt"

TEST(OptionsFile, ChoiceComesBackAsWritten) {
    const std::string path = TempPath("options-round-trip.txt");
    for (WindowChoice choice : {WindowChoice{false, 0}, WindowChoice{true, 0.75f}, WindowChoice{false, 4.0f},
                                WindowChoice{true, 0.25f}, WindowChoice{false, 1.125f}}) {
        ASSERT_TRUE(WriteOptions(path, choice));
        const WindowChoice read = ReadOptions(path);
        EXPECT_EQ(read.fullscreen, choice.fullscreen);
        EXPECT_FLOAT_EQ(read.scale, choice.scale);
    }
    WriteOptions(path, WindowChoice{true, 0.75f});
    EXPECT_EQ(ReadFile(path), "mode: fullscreen\nscale: 0.75\n");
    WriteOptions(path, WindowChoice{});
    EXPECT_EQ(ReadFile(path), "mode: window\nscale: fit\n");
    // Smoothing is written only when it differs from the default, and read back either way.
    const bool other = !WindowChoice().smooth;
    WriteOptions(path, WindowChoice{false, 2, other});
    EXPECT_EQ(ReadFile(path),
              std::string("mode: window\nscale: 2\nsmooth: ") + (other ? "on" : "off") + "\n");
    EXPECT_EQ(ReadOptions(path).smooth, other);
    EXPECT_TRUE(Stored("smooth: off\nsmooth: on\n").smooth);
    EXPECT_EQ(Stored("smooth: no\nscale: fit\n").smooth, WindowChoice().smooth);
    // A missing folder is made (the data home on the first save); a file in its place fails.
    EXPECT_TRUE(WriteOptions(TempPath("new-folder/options.txt"), WindowChoice{true, 2}));
    EXPECT_FALSE(WriteOptions(path + "/options.txt", WindowChoice{true, 2}));
}

TEST(OptionsFile, MissingDamagedOrHostileFileGivesTheDefaults) {
    ExpectDefaults(ReadOptions(TempPath("never-written.txt")), "missing");
    ExpectDefaults(ReadOptions(TempPath("")), "a folder");
    for (const std::string& text :
         {std::string(), std::string("\0\xff\x01mode: fullscreen", 19),
          std::string("mode: sideways\nscale: 9\n"), std::string("mode: fullscreenx\nscale: nan\n"),
          std::string("scale: inf\n"), std::string("scale: -2\n"), std::string("scale: 0.5 \n"),
          std::string("scale: \nmode:\n"), std::string(" mode: fullscreen\n"), std::string(100000, 'x'),
          std::string(3000000, '\n')})
        ExpectDefaults(Stored(text), text.substr(0, 40));

    // Each line stands on its own: a good line keeps its value beside a damaged one.
    const WindowChoice half = Stored("mode: fullscreen\nscale: huge\n");
    EXPECT_TRUE(half.fullscreen);
    EXPECT_EQ(half.scale, 0);
    const WindowChoice crlf = Stored("mode: fullscreen\r\nscale: 1.5\r\n");
    EXPECT_TRUE(crlf.fullscreen);
    EXPECT_FLOAT_EQ(crlf.scale, 1.5f);
    // Only the start of a huge file is read.
    ExpectDefaults(Stored(std::string(8000, '\n') + "mode: fullscreen\n"), "past the limit");
}

// ---------------------------------------------------------------------------------------------
// The window fitted to the desktop

TEST(FitScale, LargestEighthThatLeavesRoomForAPanel) {
    EXPECT_EQ(FitScale(0, 0), 1) << "unknown desktop";
    EXPECT_EQ(FitScale(1920, 1080), 1);
    EXPECT_EQ(FitScale(1024, 1024), 1);
    EXPECT_EQ(FitScale(1366, 768), LANDSCAPE ? 1 : 0.875f);  // 420 x 700
    EXPECT_EQ(FitScale(1280, 800), LANDSCAPE ? 1 : 0.875f);  // 800 - 64 leaves 736
    EXPECT_EQ(FitScale(1280, 720), LANDSCAPE ? 1 : 0.75f);   // 360 x 600
    EXPECT_EQ(FitScale(800, 480), LANDSCAPE ? 0.75f : 0.5f); // 600 x 360, 240 x 400
    EXPECT_EQ(FitScale(700, 2000), LANDSCAPE ? 0.875f : 1);  // a narrow desktop
    EXPECT_EQ(FitScale(100, 100), MIN_SCALE);
}

// A scale asked for that does not fit shrinks by eighths; one that fits, or an unknown desktop, keeps it.
TEST(FitScale, AskedScaleShrinksToFit) {
    EXPECT_EQ(FitScale(1366, 768, 2), LANDSCAPE ? 1.375f : 0.875f); // 1100 x 660, 420 x 700
    EXPECT_EQ(FitScale(3840, 2160, 1.3f), 1.3f);
    EXPECT_EQ(FitScale(0, 0, 4), 4);
    EXPECT_EQ(FitScale(2560, 1440, 4), LANDSCAPE ? 2.75f : 1.625f);
}

// ---------------------------------------------------------------------------------------------
// The picture fitted to the window

TEST(FitPicture, LargestCentredPictureLetterboxed) {
    struct Row {
        int w, h;         // the window, pixels
        int x, y, pw, ph; // the picture, pixels
        float scale;
    };
    const std::vector<Row> rows = LANDSCAPE ? std::vector<Row>{{800, 480, 0, 0, 800, 480, 1},
                                                               {1920, 1080, 60, 0, 1800, 1080, 2.25f},
                                                               {1366, 768, 43, 0, 1280, 768, 1.6f},
                                                               {1000, 900, 0, 150, 1000, 600, 1.25f}}
                                            : std::vector<Row>{{480, 800, 0, 0, 480, 800, 1},
                                                               {1920, 1080, 636, 0, 648, 1080, 1.35f},
                                                               {420, 700, 0, 0, 420, 700, 0.875f},
                                                               {600, 2000, 0, 500, 600, 1000, 1.25f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.w) + " x " + std::to_string(row.h));
        FitPicture(row.w, row.h);
        ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
        EXPECT_EQ(std::vector<int>({pictureX, pictureY, pictureWidth, pictureHeight}),
                  std::vector<int>({row.x, row.y, row.pw, row.ph}));
        EXPECT_FLOAT_EQ(pictureScale, row.scale);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(std::vector<int>(viewport, viewport + 4), std::vector<int>({row.x, row.y, row.pw, row.ph}));
        // The world keeps its size; lines and points grow with the picture; the bars are never drawn on.
        EXPECT_EQ(width, WINDOW_WIDTH);
        EXPECT_EQ(height, WINDOW_HEIGHT);
        GLfloat lineWidth = 0, pointSize = 0;
        glGetFloatv(GL_LINE_WIDTH, &lineWidth);
        glGetFloatv(GL_POINT_SIZE, &pointSize);
        EXPECT_FLOAT_EQ(lineWidth, 1.1f * row.scale);
        EXPECT_FLOAT_EQ(pointSize, 2.0f * row.scale);
        EXPECT_EQ(glIsEnabled(GL_SCISSOR_TEST), row.x > 0 || row.y > 0);
    }
    FitPicture(WINDOW_WIDTH, WINDOW_HEIGHT);
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
}

// ---------------------------------------------------------------------------------------------
// F11 and Alt+Enter

TEST(FullscreenKeys, F11AndAltEnterToggleAndRemember) {
    const std::string folder = TempPath("fullscreen-keys");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(folder.c_str()), 0);
    windowChoice = WindowChoice();
    auto press = [](SDLKey key, SDLMod mod) {
        SDL_Event e{};
        e.type = e.key.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.sym = key;
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
        HandleEvents();
        return SDL_GetVideoSurface();
    };
    EXPECT_FALSE(press(SDLK_RETURN, KMOD_NONE)->flags & SDL_FULLSCREEN) << "Enter alone is no toggle";
    EXPECT_NE(access(OPTIONS_FILE.c_str(), F_OK), 0) << "nothing was chosen";
    EXPECT_TRUE(press(SDLK_F11, KMOD_NONE)->flags & SDL_FULLSCREEN);
    EXPECT_TRUE(windowChoice.fullscreen);
    SDL_Surface* screen = press(SDLK_RETURN, KMOD_LALT);
    EXPECT_FALSE(screen->flags & SDL_FULLSCREEN);
    EXPECT_EQ(screen->w, WINDOW_WIDTH);
    EXPECT_EQ(screen->h, WINDOW_HEIGHT);
    EXPECT_EQ(pictureWidth, WINDOW_WIDTH);
    EXPECT_EQ(ReadFile(OPTIONS_FILE), "mode: window\nscale: fit\n");
    EXPECT_EQ(chdir(cwd), 0);
    windowChoice = WindowChoice();
    windowChoiceMade = false;
}

// ---------------------------------------------------------------------------------------------
// The paused loop's rest

TEST(PausedRest, QueuedEventEndsTheRestAndStaysQueued) {
    SDL_Event e{};
    e.type = SDL_USEREVENT;
    e.user.code = 4242;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
    RestUntilEvent();
    SDL_Event got{};
    ASSERT_EQ(SDL_PollEvent(&got), 1);
    EXPECT_EQ(got.type, SDL_USEREVENT);
    EXPECT_EQ(got.user.code, 4242);
}
