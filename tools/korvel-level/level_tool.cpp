// level_tool.cpp -- the korvel-level command line: check, show and defaults, as text or JSON.
#include "level_tool.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "level_check.h"
#include "level_pace.h"
#include "shell/files.h"
#include "shell/settings.h"

// Exit statuses.
static const int STATUS_OK = 0;
static const int STATUS_FINDINGS = 1;
static const int STATUS_CANNOT = 2;

static const char* const DEFAULT_FILE = "level.txt";

static const char* const USAGE = "usage: korvel-level check [--json] [--values] [FILE]\n"
                                 "       korvel-level show [--json] [FILE]\n"
                                 "       korvel-level defaults [--force] [FILE]\n"
                                 "FILE is ./level.txt when not given; defaults writes to standard output\n"
                                 "when no FILE is given. See korvel-level(6).\n";

// The command line taken apart.
class Command {
  public:
    std::string name;
    std::string file;
    bool fileGiven = false;
    bool json = false;
    bool values = false;
    bool force = false;
};

// False with a message when the arguments do not make a command.
static bool ParseCommand(int argc, char** argv, Command* command, std::string* error) {
    if (argc < 2) {
        *error = "no command given";
        return false;
    }
    command->name = argv[1];
    if (command->name != "check" && command->name != "show" && command->name != "defaults") {
        *error = "unknown command " + Printable(command->name);
        return false;
    }
    for (int k = 2; k < argc; k++) {
        const std::string arg = argv[k];
        const bool reads = command->name != "defaults";
        if (reads && arg == "--json")
            command->json = true;
        else if (command->name == "check" && arg == "--values")
            command->values = true;
        else if (!reads && arg == "--force")
            command->force = true;
        else if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option " + Printable(arg) + " for " + command->name;
            return false;
        } else if (command->fileGiven) {
            *error = "more than one file given";
            return false;
        } else {
            command->file = arg;
            command->fileGiven = true;
        }
    }
    if (!command->fileGiven && command->name != "defaults") command->file = DEFAULT_FILE;
    return true;
}

// A JSON string: the text is already printable ASCII, so only quotes and backslashes need escaping.
static std::string Json(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

static std::string Fixed(double value, int decimals) {
    char text[48];
    snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

static std::string ValueText(const LevelValue& v) {
    char text[40];
    snprintf(text, sizeof text, v.isFloat ? "%.9g" : "%.0f", v.value);
    return text;
}

static void PrintCheckText(const LevelReport& r, bool values, FILE* out) {
    fprintf(out, "%s: %d of %d values read\n", r.file.c_str(), r.read, SETTINGS_COUNT);
    if (r.stopped) {
        const LevelStop& s = r.stop;
        fprintf(out, "%s:%d:%d: reading stops here: expected \"%s\", found\n    %s\n    %*s^\n  hint: %s\n",
                r.file.c_str(), s.line, s.column, s.expected.c_str(), s.found.c_str(), s.caret, "",
                s.hintText.c_str());
    }
    for (const LevelWarning& w : r.warnings)
        fprintf(out, "%s:%d: warning: %s: %s\n", r.file.c_str(), w.line, w.key.c_str(), w.text.c_str());
    if (!values) return;
    for (const LevelValue& v : r.values) {
        const std::string where = v.read ? "line " + std::to_string(v.line) : std::string("default");
        fprintf(out, "  %-28s %12s  %s\n", v.key, ValueText(v).c_str(), where.c_str());
    }
}

static void PrintCheckJson(const LevelReport& r, FILE* out) {
    fprintf(out, "{\n  \"file\": %s,\n  \"read\": %d,\n  \"total\": %d,\n  \"status\": %d,\n",
            Json(r.file).c_str(), r.read, SETTINGS_COUNT, r.Status());
    if (r.stopped) {
        const LevelStop& s = r.stop;
        fprintf(out,
                "  \"stop\": {\"line\": %d, \"column\": %d, \"key\": %s, \"expected\": %s, \"found\": %s, "
                "\"caret\": %d, \"hint\": %s, \"hintText\": %s},\n",
                s.line, s.column, Json(s.key).c_str(), Json(s.expected).c_str(), Json(s.found).c_str(),
                s.caret, Json(s.hint).c_str(), Json(s.hintText).c_str());
    } else {
        fprintf(out, "  \"stop\": null,\n");
    }
    fprintf(out, "  \"warnings\": [");
    for (size_t k = 0; k < r.warnings.size(); k++) {
        const LevelWarning& w = r.warnings[k];
        fprintf(out, "%s\n    {\"key\": %s, \"line\": %d, \"kind\": %s, \"text\": %s}", k ? "," : "",
                Json(w.key).c_str(), w.line, Json(w.kind).c_str(), Json(w.text).c_str());
    }
    fprintf(out, "%s],\n  \"values\": [", r.warnings.empty() ? "" : "\n  ");
    for (size_t k = 0; k < r.values.size(); k++) {
        const LevelValue& v = r.values[k];
        fprintf(out, "%s\n    {\"key\": %s, \"value\": %s, \"read\": %s, \"line\": %d, \"written\": %s}",
                k ? "," : "", Json(v.key).c_str(), ValueText(v).c_str(), v.read ? "true" : "false", v.line,
                Json(v.written).c_str());
    }
    fprintf(out, "\n  ]\n}\n");
}

static std::string KindList(const ArrivalPace& a, const char* separator) {
    std::string list;
    for (const char* kind : a.kinds)
        list += (list.empty() ? "" : separator) + std::string(kind);
    return list;
}

static std::string AttackText(const BossPace& b) {
    return b.attack == ATTACK_RINGS ? "rings of " + std::to_string(b.satelliteShots) : AttackName(b.attack);
}

static void PrintShowText(const LevelReport& r, const Pace& pace, FILE* out) {
    fprintf(out, "%s: %d of %d values read%s\n", r.file.c_str(), r.read, SETTINGS_COUNT,
            r.stopped ? "; the others keep their defaults (see korvel-level check)" : "");
    fprintf(out,
            "Pace at %d frames per second; the director's clock advances every %.0f frames.\n"
            "Times are seconds after the game starts.\n\n",
            PACE_FPS, pace.clockStepFrames);
    fprintf(out, "Enemy kind      gate   opens after\n");
    for (const GatePace& g : pace.gates)
        fprintf(out, "%-10s  %8d  %10.2f s\n", g.kind, g.gate, g.seconds);
    fprintf(out, "\nMean time between arrivals, before the first boss\n"
                 "      from     1 player    2 players   kinds\n");
    for (const ArrivalPace& a : pace.arrivals)
        fprintf(out, "%8.2f s   %8.2f s   %8.2f s   %s\n", a.from, a.onePlayer, a.twoPlayers,
                KindList(a, ", ").c_str());
    fprintf(out, "\nEnemies before the first boss: %d\n\n", pace.bosses[0].enemiesBefore);
    fprintf(out, "Boss  enemies before  core sides  core ring  satellites  sides  attack\n");
    for (const BossPace& b : pace.bosses)
        fprintf(out, "%4d  %14d  %10d  %9d  %10d  %5d  %s\n", b.number, b.enemiesBefore, b.coreSides,
                b.coreShots, b.satellites, b.satelliteSides, AttackText(b).c_str());
}

static void PrintShowJson(const LevelReport& r, const Pace& pace, FILE* out) {
    fprintf(
        out,
        "{\n  \"file\": %s,\n  \"read\": %d,\n  \"total\": %d,\n  \"fps\": %d,\n  \"clockStepFrames\": %s,\n",
        Json(r.file).c_str(), r.read, SETTINGS_COUNT, PACE_FPS, Fixed(pace.clockStepFrames, 3).c_str());
    fprintf(out, "  \"gates\": [");
    for (size_t k = 0; k < pace.gates.size(); k++) {
        const GatePace& g = pace.gates[k];
        fprintf(out, "%s\n    {\"kind\": %s, \"key\": %s, \"gate\": %d, \"clock\": %d, \"seconds\": %s}",
                k ? "," : "", Json(g.kind).c_str(), Json(g.key).c_str(), g.gate, g.clock,
                Fixed(g.seconds, 3).c_str());
    }
    fprintf(out, "\n  ],\n  \"arrivals\": [");
    for (size_t k = 0; k < pace.arrivals.size(); k++) {
        const ArrivalPace& a = pace.arrivals[k];
        fprintf(out, "%s\n    {\"from\": %s, \"kinds\": [\"%s\"], \"onePlayer\": %s, \"twoPlayers\": %s}",
                k ? "," : "", Fixed(a.from, 3).c_str(), KindList(a, "\", \"").c_str(),
                Fixed(a.onePlayer, 3).c_str(), Fixed(a.twoPlayers, 3).c_str());
    }
    fprintf(out, "\n  ],\n  \"bosses\": [");
    for (size_t k = 0; k < pace.bosses.size(); k++) {
        const BossPace& b = pace.bosses[k];
        fprintf(out,
                "%s\n    {\"number\": %d, \"enemiesBefore\": %d, \"coreSides\": %d, \"coreShots\": %d, "
                "\"satellites\": %d, \"satelliteSides\": %d, \"satelliteShots\": %d, \"attack\": %s}",
                k ? "," : "", b.number, b.enemiesBefore, b.coreSides, b.coreShots, b.satellites,
                b.satelliteSides, b.satelliteShots, Json(AttackName(b.attack)).c_str());
    }
    fprintf(out, "\n  ]\n}\n");
}

// check and show: the file read as the game reads it.
static int Read(const Command& c, FILE* out, FILE* err) {
    LevelReport report;
    std::string error;
    if (!CheckLevel(c.file, &report, &error)) {
        fprintf(err, "korvel-level: cannot read %s: %s\n", Printable(c.file).c_str(), error.c_str());
        return STATUS_CANNOT;
    }
    if (c.name == "check") {
        if (c.json)
            PrintCheckJson(report, out);
        else
            PrintCheckText(report, c.values, out);
        return report.Status();
    }
    const Pace pace = WorkOutPace();
    if (c.json)
        PrintShowJson(report, pace, out);
    else
        PrintShowText(report, pace, out);
    return STATUS_OK;
}

// defaults: to standard output, or to a file that is new or, with --force, an ordinary file replaced.
static int WriteDefaults(const Command& c, FILE* out, FILE* err) {
    const std::string text = DefaultLevelText();
    if (!c.fileGiven) {
        fputs(text.c_str(), out);
        return fflush(out) == 0 && !ferror(out) ? STATUS_OK : STATUS_CANNOT;
    }
    const std::string name = Printable(c.file);
    struct stat st;
    if (stat(c.file.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            fprintf(err, "korvel-level: %s is not an ordinary file; nothing written\n", name.c_str());
            return STATUS_FINDINGS;
        }
        if (!c.force) {
            fprintf(err, "korvel-level: %s exists; use --force to replace it\n", name.c_str());
            return STATUS_FINDINGS;
        }
    }
    if (!WriteFileDurably(c.file, text)) {
        fprintf(err, "korvel-level: cannot write %s: %s\n", name.c_str(), strerror(errno));
        return STATUS_CANNOT;
    }
    return STATUS_OK;
}

int RunLevelTool(int argc, char** argv, FILE* out, FILE* err) {
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(USAGE, out);
        return STATUS_OK;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        fprintf(out, "korvel-level %s\n", KORVEL_VERSION);
        return STATUS_OK;
    }
    Command command;
    std::string error;
    if (!ParseCommand(argc, argv, &command, &error)) {
        fprintf(err, "korvel-level: %s\n%s", error.c_str(), USAGE);
        return STATUS_CANNOT;
    }
    if (command.name == "defaults") return WriteDefaults(command, out, err);
    return Read(command, out, err);
}
