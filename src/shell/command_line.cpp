// command_line.cpp -- the table of command-line options and the reader that goes through it.
#include "command_line.h"

#include <cstdio>
#include <cstring>

#include "../replay/replay.h"
#include "files.h"
#include "input.h"
#include "orientation.h"
#include "window.h"

static const char* const PROGRAM = LANDSCAPE ? "korvel-landscape" : "korvel";

// One option: its name, the name of its value in the usage (nullptr when it takes none), what the
// usage says of it, and what it does with its value (START_GAME or an exit status).
struct Option {
    const char* name;
    const char* value;
    const char* help;
    int (*apply)(const char* value);
};

static int ShowHelp(const char*);

static int ShowVersion(const char*) {
    printf("korvel %s\n", KORVEL_VERSION);
    return 0;
}

static int ChooseMode(bool fullscreen) {
    windowChoice.fullscreen = fullscreen;
    windowChoiceMade = true;
    return START_GAME;
}

static int ChooseScale(const char* value) {
    if (!ParseScale(value, &windowChoice.scale)) {
        fprintf(stderr, "%s: --scale takes a factor from %g to %g or 'fit', not '%s'\n", PROGRAM, MIN_SCALE,
                MAX_SCALE, value);
        return USAGE_ERROR;
    }
    windowChoiceMade = true;
    return START_GAME;
}

static const Option OPTIONS[] = {
    {"--fullscreen", nullptr, "fill the screen, the picture centred between black bars",
     [](const char*) { return ChooseMode(true); }},
    {"--window", nullptr, "play in a window", [](const char*) { return ChooseMode(false); }},
    {"--scale", "F", "scale the window by F, from 0.25 to 4, or 'fit' the screen (the default)", ChooseScale},
    {"--controls", nullptr, "print the keys in force and where each came from, and exit",
     [](const char*) { return PrintControls(); }},
    {"--write-controls", nullptr, "write the default controls.txt for editing, and exit",
     [](const char*) { return WriteDefaultControls(); }},
    {"--record", "FILE", "record the run into FILE, to watch again with --replay",
     [](const char* file) { return recordPath = file, START_GAME; }},
    {"--replay", "FILE", "watch a recorded run: FILE, or the last or best of --replays",
     [](const char* file) { return playPath = file, START_GAME; }},
    {"--replays", nullptr, "list the recorded games, newest first, and exit",
     [](const char*) { return PrintReplays(); }},
    {"--help", nullptr, "print this help and exit", ShowHelp},
    {"--version", nullptr, "print the version and exit", ShowVersion},
};

static void PrintUsage(FILE* out) {
    fprintf(out, "usage: %s [OPTION]...\nKorvel, an arcade shoot-'em-up for one or two players.\n\n",
            PROGRAM);
    for (const Option& option : OPTIONS) {
        char left[32];
        snprintf(left, sizeof left, "%s%s%s", option.name, option.value ? " " : "",
                 option.value ? option.value : "");
        fprintf(out, "  %-18s %s\n", left, option.help);
    }
    fprintf(out,
            "\nF11 or Alt+Enter switches between window and fullscreen while the game runs.\n"
            "The window can be resized. The last choice of mode and scale is kept in %s,\n"
            "beside %s; a line 'smooth: on' there multisamples the edges (slow without a GPU).\n",
            OwnSaveName("options.txt").c_str(), OwnSaveName("highscore.txt").c_str());
}

static int ShowHelp(const char*) {
    PrintUsage(stdout);
    return 0;
}

static int UsageError(const char* what, const char* arg) {
    fprintf(stderr, "%s: %s '%s'\n", PROGRAM, what, arg);
    PrintUsage(stderr);
    return USAGE_ERROR;
}

// The table's row for arg ("--name" or "--name=value"), with the value written after '=' if any.
static const Option* FindOption(const char* arg, const char** inlineValue) {
    for (const Option& option : OPTIONS) {
        const size_t length = strlen(option.name);
        if (strncmp(arg, option.name, length) != 0) continue;
        if (arg[length] == '\0') return &option;
        if (arg[length] == '=' && option.value) {
            *inlineValue = arg + length + 1;
            return &option;
        }
    }
    return nullptr;
}

int ParseCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        const char* value = nullptr;
        const Option* option = FindOption(argv[i], &value);
        if (!option) return UsageError("unknown option", argv[i]);
        if (option->value && !value) {
            if (i + 1 >= argc) return UsageError("a value is missing after", argv[i]);
            value = argv[++i];
        }
        const int outcome = option->apply(value);
        if (outcome == USAGE_ERROR) PrintUsage(stderr);
        if (outcome != START_GAME) return outcome;
    }
    // A replay being watched is not a run to record.
    if (!recordPath.empty() && !playPath.empty()) {
        recordPath.clear();
        playPath.clear();
        fprintf(stderr,
                "%s: --record and --replay cannot go together: a replay being watched records nothing\n",
                PROGRAM);
        PrintUsage(stderr);
        return USAGE_ERROR;
    }
    return START_GAME;
}
