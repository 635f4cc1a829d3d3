// showcase.cpp -- the score table screen, watched replays, the title screen's demo and the name entry.
#include "showcase.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "../enemies/boss.h"
#include "../glfont.h"
#include "../player/pickups.h"
#include "../player/player.h"
#include "../player/shots.h"
#include "../replay/replay.h"
#include "../shell/app.h"
#include "../shell/display.h"
#include "../shell/files.h"
#include "../shell/input.h"
#include "../shell/orientation.h"
#include "../shell/platform.h"
#include "../shell/settings.h"
#include "../world/object.h"
#include "difficulty.h"
#include "frame.h"
#include "screens.h"
#include "table.h"

Showcase showing = SHOW_NONE;
std::string playbackMark;

const char* const DEMO_FILE = LANDSCAPE ? "demo-landscape.korvel-replay" : "demo-portrait.korvel-replay";
static const int PAGES = 2 * DIFFICULTIES;

// Per run: the screen asked for after this frame, the entry whose replay is asked for, the table's
// page and entry to come back to, when the title last saw input, whether the demo could be played,
// and the player's own settings while a replay brings its own.
enum Request { ASK_NOTHING, ASK_TITLE, ASK_TABLE, ASK_WATCH, ASK_DEMO, ASK_DEMO_TABLE };
static Request request = ASK_NOTHING;
static TableEntry watched;
static int tablePage = 0, tableChosen = 0;
static Uint32 idleSince = 0;
// Per frame: a tap (a click) on the window for the name entry: its upper third chooses the next
// letter, its lower third the one before, its middle confirms.
enum Tap { TAP_NONE, TAP_UP, TAP_DOWN, TAP_CONFIRM };
static Tap tapped = TAP_NONE;
static bool nameShown = false; // a name entry was drawn this frame
static bool demoPlays = true;
// Per watch: the replay came from outside the table (the browser page's link to a run), and its
// end (or Escape) leads to the title menu rather than the table.
static bool watchLeadsToTitle = false;

struct PlayerSettings {
#define SETTING(name, type, value, end) type name;
#include "../shell/settings_table.h"
#undef SETTING
    int highscore;
    std::string difficulty;
};
static PlayerSettings own;

static void KeepOwnSettings() {
#define SETTING(name, type, value, end) own.name = name;
#include "../shell/settings_table.h"
#undef SETTING
    own.highscore = highscore;
    own.difficulty = difficulty;
}

static void RestoreOwnSettings() {
#define SETTING(name, type, value, end) name = own.name;
#include "../shell/settings_table.h"
#undef SETTING
    highscore = own.highscore;
    difficulty = own.difficulty;
}

void RequestTitle() {
    request = ASK_TITLE;
}

// Text centred at (x, y), scaled, in front of the world.
static void Text(const std::string& text, float x, float y, float scale) {
    glPushMatrix();
    glFontBegin(font);
    glTranslatef(x, y, 50);
    glScalef(scale, scale, 1);
    glFontTextOutc(text.c_str());
    glFontEnd();
    glPopMatrix();
}

static int PagePlayers(int page) {
    return page % 2 + 1;
}

static const char* PageDifficulty(int page) {
    return DIFFICULTY_NAMES[page / 2];
}

// The table a player looks for first: one-player runs of the difficulty in force, or the first
// table after it that holds any.
static int FirstPage() {
    int first = 0;
    while (first < PAGES && difficulty != PageDifficulty(first))
        first++;
    for (int i = 0; i < PAGES; i++) {
        const int page = (first + i) % PAGES;
        if (!TableOf(scoreTable, PagePlayers(page), PageDifficulty(page)).empty()) return page;
    }
    return first % PAGES;
}

// ---------------------------------------------------------------------------------------------
// Switching screens

static bool AtTitle() {
    if (showing != SHOW_NONE || replayMode == REPLAY_PLAY || player || player2 || paused) return false;
    for (int i = 0; i < nAnim; i++)
        if (dynamic_cast<Menu*>(anim[i])) return true;
    return false;
}

// The world as at program start, with one overlay; the high score and settings as they are.
static void FreshWorld(Animation* overlay) {
    KillAllObjects();
    UpdateObjects();
    ClearEffects();
    lives = 0;
    score[0] = score[1] = 0;
    twoPlayers = false;
    chargebullet[0] = chargebullet[1] = false;
    powerupat[0] = powerupat[1] = powerUpAtMultipleOf;
    rn = 0;
    dist = 0;
    td = 1;
    boss = 0;
    nBoss = nBoss2 = 0;
    fpsm = 0;
    AddAnimation(overlay);
    SeedGameRandom();
    RestartFrameClock();
}

void StartTitle() {
    SuspendRecording();
    FreshWorld(new Menu());
    // The key that brought the title back (the one that ended the demo, say) acts on nothing there.
    WithholdMenuKeys(false);
    ClearPresses();
    showing = SHOW_NONE;
    StartRecording();
    idleSince = SDL_GetTicks();
}

static void StartTable(bool demo) {
    SuspendRecording();
    TableScreen* screen = new TableScreen();
    screen->demo = demo;
    screen->page = tablePage;
    screen->chosen = tableChosen;
    screen->opened = SDL_GetTicks();
    FreshWorld(screen);
    showing = demo ? SHOW_DEMO_TABLE : SHOW_TABLE;
}

bool WatchInGame(const std::string& path, Showcase kind) {
    SuspendRecording();
    KeepOwnSettings();
    const std::string problem = WatchReplay(path);
    if (!problem.empty()) {
        fprintf(stderr, "%s: %s\n", path.c_str(), problem.c_str());
        RestoreOwnSettings();
        return false;
    }
    FreshWorld(new Menu());
    showing = kind;
    playbackMark = kind == SHOW_DEMO ? "DEMO" : "REPLAY";
    return true;
}

static void EndWatch() {
    if (showing != SHOW_WATCH && showing != SHOW_DEMO) return;
    StopWatching();
    RestoreOwnSettings();
    playbackMark.clear();
    watchLeadsToTitle = false;
}

bool WatchThenTitle(const std::string& path) {
    EndWatch();
    watchLeadsToTitle = WatchInGame(path, SHOW_WATCH);
    return watchLeadsToTitle;
}

// The screen after a replay watched or a demo played.
static Request AfterWatch() {
    return showing == SHOW_DEMO ? ASK_DEMO_TABLE : watchLeadsToTitle ? ASK_TITLE : ASK_TABLE;
}

static std::string ReplayPath(const std::string& name) {
    return UserDataFile("replays") + "/" + name;
}

static void Switch(Request asked) {
    // A pause ends with the screen it paused: the next one would not run.
    if (paused) TogglePause();
    EndWatch();
    if (asked == ASK_TITLE) StartTitle();
    if (asked == ASK_DEMO_TABLE) tablePage = FirstPage(), tableChosen = 0;
    if (asked == ASK_TABLE || asked == ASK_DEMO_TABLE) StartTable(asked == ASK_DEMO_TABLE);
    if (asked == ASK_WATCH && !WatchInGame(ReplayPath(watched.replay), SHOW_WATCH)) StartTable(false);
    // Without a demo it can play (none in the browser) the title screen shows the table alone
    // between its waits, and says why once.
    if (asked == ASK_DEMO && !(demoPlays && WatchInGame(DataFile(DEMO_FILE), SHOW_DEMO))) {
        demoPlays = false;
        StartTable(true);
    }
}

float TitleIdleSeconds() {
    const char* setting = getenv("KORVEL_TITLE_IDLE");
    if (!setting) return InstalledDataFolder().empty() ? 0 : TITLE_IDLE_SECONDS;
    const float seconds = static_cast<float>(atof(setting));
    return seconds > 0 ? seconds : TITLE_IDLE_SECONDS;
}

void RunShowcase() {
    nameShown = false;
    if (quit) {
        EndWatch();
        return;
    }
    if (!AtTitle()) idleSince = SDL_GetTicks();
    if (request == ASK_NOTHING && WatchEnded()) request = AfterWatch();
    const float idle = TitleIdleSeconds();
    if (request == ASK_NOTHING && idle > 0 && AtTitle() && SDL_GetTicks() - idleSince >= idle * 1000)
        request = ASK_DEMO;
    const Request asked = request;
    request = ASK_NOTHING;
    if (asked != ASK_NOTHING) Switch(asked);
}

static bool IsInput(const SDL_Event& e) {
    return e.type == SDL_KEYDOWN || e.type == SDL_JOYBUTTONDOWN || e.type == SDL_MOUSEBUTTONDOWN;
}

static bool IsBack(const SDL_Event& e) {
    return (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) ||
           (e.type == SDL_JOYBUTTONDOWN && e.jbutton.button == PAD_BACK_BUTTON);
}

bool ShowcaseTakesEvent(const SDL_Event& event) {
    if (!IsInput(event)) return false;
    idleSince = SDL_GetTicks();
    if (showing == SHOW_DEMO || showing == SHOW_DEMO_TABLE) {
        request = ASK_TITLE;
        return true;
    }
    if ((showing == SHOW_TABLE || showing == SHOW_WATCH) && IsBack(event)) {
        request = showing == SHOW_TABLE ? ASK_TITLE : AfterWatch();
        return true;
    }
    if (event.type == SDL_MOUSEBUTTONDOWN && event.button.button == SDL_BUTTON_LEFT && nameShown &&
        windowPixelHeight > 0) {
        const int third = event.button.y * 3 / windowPixelHeight;
        tapped = third == 0 ? TAP_UP : third >= 2 ? TAP_DOWN : TAP_CONFIRM;
    }
    const bool scoresKey = (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_t) ||
                           (event.type == SDL_JOYBUTTONDOWN && event.jbutton.button == PAD_SCORES_BUTTON);
    if (scoresKey && AtTitle()) {
        tablePage = FirstPage();
        tableChosen = 0;
        request = ASK_TABLE;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The score table screen

static std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

void TableScreen::keys() {
    const Uint8* menu = MenuKeys();
    const Uint8* ship = ShipKeys();
    const std::vector<TableEntry> entries = TableOf(scoreTable, PagePlayers(page), PageDifficulty(page));
    const bool fire = menu[SDLK_z] || menu[SDLK_SLASH];
    if (menu[SDLK_UP] && !up && chosen > 0) chosen--;
    if (menu[SDLK_DOWN] && !down && chosen + 1 < static_cast<int>(entries.size())) chosen++;
    if ((ship[SDLK_LEFT] && !left) || (ship[SDLK_RIGHT] && !right)) {
        page = (page + (ship[SDLK_LEFT] ? PAGES - 1 : 1)) % PAGES;
        chosen = 0;
    }
    up = menu[SDLK_UP], down = menu[SDLK_DOWN], left = ship[SDLK_LEFT], right = ship[SDLK_RIGHT];
    tablePage = page, tableChosen = chosen;
    if (!fire) h = true;
    if (fire && h && chosen < static_cast<int>(entries.size()) && entries[chosen].replay != "-") {
        watched = entries[chosen];
        request = ASK_WATCH;
        h = false;
    }
}

void TableScreen::draw() {
    const std::vector<TableEntry> entries = TableOf(scoreTable, PagePlayers(page), PageDifficulty(page));
    glColor3f(1, 1, 1);
    Text("SCORES", 0, qh + 20, 40);
    Text(std::string(PagePlayers(page) == 1 ? "1 PLAYER" : "2 PLAYERS") + "  -  " +
             Upper(PageDifficulty(page)),
         0, qh - 40, 10);
    if (entries.empty()) Text("NO SCORES YET", 0, 60, 10);
    for (size_t i = 0; i < entries.size(); i++) {
        const TableEntry& e = entries[i];
        char line[96];
        snprintf(line, sizeof line, "%s%2zu  %-3s %9i  %s",
                 !demo && static_cast<int>(i) == chosen ? ">" : " ", i + 1, e.name.c_str(), e.score,
                 e.date.c_str());
        Text(line, 0, 100 - 30.0f * i, 9);
    }
    Text(demo ? "PRESS ANY KEY" : "UP/DOWN: CHOOSE   FIRE: WATCH   LEFT/RIGHT: TABLES   ESC: BACK", 0,
         40 - hh, demo ? 8 : 6);
}

void TableScreen::update() {
    if (demo && SDL_GetTicks() - opened >= DEMO_TABLE_SECONDS * 1000) request = ASK_DEMO;
    if (!demo) keys();
    draw();
}

// ---------------------------------------------------------------------------------------------
// The name entry

static int LetterCount() {
    return static_cast<int>(strlen(NAME_LETTERS));
}

void NameEntry::Begin() {
    players = twoPlayers ? 2 : 1;
    score = twoPlayers ? std::max(::score[0], ::score[1]) : ::score[0];
    active = TableKept() && EntersTable(scoreTable, score, players, difficulty);
}

static std::string Today() {
    char date[16];
    const time_t now = time(nullptr);
    strftime(date, sizeof date, "%Y-%m-%d", localtime(&now));
    return date;
}

void NameEntry::update() {
    const Uint8* keys = MenuKeys();
    const bool fire = keys[SDLK_z] || keys[SDLK_SLASH] || keys[SDLK_b];
    const int n = LetterCount();
    const Tap tap = tapped;
    tapped = TAP_NONE;
    nameShown = true;
    if ((keys[SDLK_UP] && !up) || tap == TAP_UP) letters[at] = (letters[at] + 1) % n;
    if ((keys[SDLK_DOWN] && !down) || tap == TAP_DOWN) letters[at] = (letters[at] + n - 1) % n;
    up = keys[SDLK_UP], down = keys[SDLK_DOWN];
    if (!fire) h = true;
    if (((fire && h) || tap == TAP_CONFIRM) && ++at == NAME_LENGTH) {
        TableEntry entry;
        entry.score = score;
        entry.players = players;
        entry.difficulty = difficulty;
        entry.date = Today();
        entry.replay = lastSavedReplay.empty() ? "-" : lastSavedReplay;
        for (int letter : letters)
            entry.name += NAME_LETTERS[letter];
        AddEntry(scoreTable, entry);
        WriteTable();
        RunEnteredTable(entry.name, entry.score, entry.replay == "-" ? "" : ReplayPath(entry.replay));
        active = false;
        RequestTitle();
        return;
    }
    if (fire) h = false;
    Text("NEW HIGH SCORE: ENTER YOUR NAME", 0, -50, 8);
    for (int i = 0; i < NAME_LENGTH; i++) {
        const char letter[2] = {NAME_LETTERS[letters[i]], 0};
        if (i == at) glColor3f(1, 1, 0.3f);
        Text(letter, 40.0f * (i - 1), -120, 25);
        glColor3f(1, 1, 1);
    }
}
