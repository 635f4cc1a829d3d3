// replay.cpp -- recording and playing back runs, the replay file, and the list of recorded games.
#include "replay.h"

#include <SDL/SDL.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "../enemies/boss.h"
#include "../flow/difficulty.h"
#include "../flow/frame.h"
#include "../flow/table.h"
#include "../player/pickups.h"
#include "../player/player.h"
#include "../player/shots.h"
#include "../shell/app.h"
#include "../shell/command_line.h"
#include "../shell/display.h"
#include "../shell/files.h"
#include "../shell/input.h"
#include "../shell/orientation.h"
#include "../shell/platform.h"
#include "../shell/settings.h"
#include "../world/effects.h"
#include "../world/object.h"

// The file: magic, format version, length and CRC of the whole, then the body.
static const char MAGIC[8] = {'K', 'O', 'R', 'V', 'R', 'E', 'P', 'L'};
static const uint32_t FORMAT_VERSION = 1;
static const size_t HEADER_BYTES = 20; // magic, version, length, CRC
// Bounds on what a file may make the reader hold: 8 million frames is over two hours at 1000
// frames per second.
static const uint32_t MAX_FRAMES = 8u << 20;
static const size_t MAX_TEXT = 1 << 20;
static const size_t MAX_VERSION = 64;
static const size_t MAX_FILE_BYTES = 64u << 20;
static const size_t ZLIB_MAX_RATIO = 1032;
// A checksum after every this many frames.
static const uint32_t CHECK_EVERY = 60;
// fpsm is a frame's duration over this many ms.
static const double MS_PER_FPSM = 16.666666;
// Playback: the speed while Right is held; a lag beyond this (ms) is not caught up. Before its game
// starts, a replay runs as fast as it can, presenting a frame this often (ms).
static const double FAST_SPEED = 8;
static const double MAX_LAG_MS = 250;
static const Uint32 UNPACED_SHOW_MS = 40;
// The installed game keeps this many latest games, and the best of each mode besides.
static const size_t KEPT_GAMES = 20;
static const char* const EXTENSION = ".korvel-replay";
static const char* const PROGRAM = LANDSCAPE ? "korvel-landscape" : "korvel";
// Ends the version of a replay made by the browser game.
static const std::string BROWSER_MARK = "+web";

// The game keys by their role: which array the game reads them from, and their key there.
struct KeyRole {
    bool ship; // ShipKeys (else MenuKeys)
    SDLKey key;
};
static const KeyRole ROLES[] = {
    {true, SDLK_UP},     {true, SDLK_DOWN}, {true, SDLK_LEFT}, {true, SDLK_RIGHT}, {true, SDLK_SLASH},
    {true, SDLK_z},      {true, SDLK_w},    {true, SDLK_s},    {true, SDLK_a},     {true, SDLK_d},
    {true, SDLK_b},      {true, SDLK_c},    {false, SDLK_UP},  {false, SDLK_DOWN}, {false, SDLK_z},
    {false, SDLK_SLASH}, {false, SDLK_b},   {false, SDLK_r},   {false, SDLK_v},    {false, SDLK_s},
};
static const int KEY_BYTES = 3; // bytes per frame holding the roles' bits

ReplayMode replayMode = REPLAY_OFF;
std::string recordPath;
std::string playPath;
uint32_t outOfStepAt = 0;
bool replayPaced = true;
std::string lastSavedReplay;

// Per run: the run so far (recording) or the replay (playback), and the frames played.
static Replay run;
static uint32_t played = 0;
// Per run, recording: whether a ship was in play after the last frame, the first game's start
// frame, and whether each game is saved by itself (the installed game).
static bool inGame = false;
static uint32_t firstGameStart = UINT32_MAX;
static bool saveEachGame = false;
// Per run: set while a replay is watched inside the running game, and once it has ended.
static bool watching = false;
static bool watchEnded = false;
// Per playback: the keys of the current frame; the pace's clock (ms), the recorded time due by the
// end of the last frame and the current frame's share of it, at the speed of playback (ms); and
// when a frame was last presented (ticks).
static Uint8 shipKeys[SDLK_LAST];
static Uint8 menuKeys[SDLK_LAST];
static Uint32 paceStart = 0;
static double paceDue = 0;
static double frameDue = 0;
static Uint32 lastShown = 0;

// ---------------------------------------------------------------------------------------------
// The file

static void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; i++)
        out += static_cast<char>(v >> (8 * i));
}

static void PutText(std::string& out, const std::string& text) {
    Put32(out, static_cast<uint32_t>(text.size()));
    out += text;
}

// A whole number in 7-bit groups, lowest first.
static void PutVarint(std::string& out, uint64_t v) {
    for (; v >= 0x80; v >>= 7)
        out += static_cast<char>(v | 0x80);
    out += static_cast<char>(v);
}

// Reads from a byte string; once anything is missing or out of bounds, ok stays false.
struct Reader {
    const std::string& bytes;
    size_t at;
    bool ok = true;

    bool Has(size_t n) { return ok = ok && n <= bytes.size() - at; }
    uint32_t U32() {
        if (!Has(4)) return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; i++)
            v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at++])) << (8 * i);
        return v;
    }
    std::string Text(size_t limit) {
        const uint32_t n = U32();
        if (n > limit || !Has(n)) return ok = false, "";
        at += n;
        return bytes.substr(at - n, n);
    }
    uint64_t Varint() {
        uint64_t v = 0;
        for (int shift = 0; shift < 64 && Has(1); shift += 7) {
            const unsigned char b = static_cast<unsigned char>(bytes[at++]);
            v |= static_cast<uint64_t>(b & 0x7f) << shift;
            if (!(b & 0x80)) return v;
        }
        ok = false;
        return 0;
    }
};

// fpsm as postDraw makes it from a frame of ms milliseconds.
static float FpsmOfMs(uint32_t ms) {
    return static_cast<float>(static_cast<float>(ms) / MS_PER_FPSM);
}

static uint32_t Bits(float f) {
    uint32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return bits;
}

// A frame's fpsm: twice its whole ms when postDraw measured it, else (a fixed fpsm) twice its bits
// plus one. Most frames take one byte.
static uint64_t FpsmCode(float f) {
    const double ms = std::round(f * MS_PER_FPSM);
    if (ms >= 1 && ms <= (1 << 24) && Bits(FpsmOfMs(static_cast<uint32_t>(ms))) == Bits(f))
        return static_cast<uint64_t>(ms) * 2;
    return static_cast<uint64_t>(Bits(f)) * 2 + 1;
}

static float FpsmOfCode(uint64_t code) {
    if (!(code & 1)) return FpsmOfMs(static_cast<uint32_t>(code / 2));
    const uint32_t bits = static_cast<uint32_t>(code / 2);
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
}

static size_t Checks(size_t frames) {
    return frames / CHECK_EVERY + 1;
}

// The frames column by column (the fpsm codes, each byte of the keys, the checksums): alike
// values stand together, which zlib packs best.
static std::string FrameBytes(const Replay& r) {
    std::string out;
    for (float f : r.fpsm)
        PutVarint(out, FpsmCode(f));
    for (int b = 0; b < KEY_BYTES; b++)
        for (uint32_t k : r.keys)
            out += static_cast<char>(k >> (8 * b));
    for (uint32_t c : r.checksums)
        Put32(out, c);
    return out;
}

static bool ReadFrames(Reader& in, uint32_t frames, Replay* r) {
    r->fpsm.resize(frames);
    for (float& f : r->fpsm)
        f = FpsmOfCode(in.Varint());
    r->keys.assign(frames, 0);
    for (int b = 0; b < KEY_BYTES && in.Has(frames); b++)
        for (uint32_t& k : r->keys)
            k |= static_cast<uint32_t>(static_cast<unsigned char>(in.bytes[in.at++])) << (8 * b);
    r->checksums.resize(Checks(frames));
    for (uint32_t& c : r->checksums)
        c = in.U32();
    return in.ok && in.at == in.bytes.size();
}

std::string EncodeReplay(const Replay& r) {
    std::string body;
    PutText(body, r.version);
    body += static_cast<char>(r.landscape);
    Put32(body, static_cast<uint32_t>(r.seed));
    Put32(body, static_cast<uint32_t>(r.highscore));
    Put32(body, static_cast<uint32_t>(r.date));
    Put32(body, static_cast<uint32_t>(static_cast<uint64_t>(r.date) >> 32));
    body += static_cast<char>(r.players);
    Put32(body, static_cast<uint32_t>(r.score[0]));
    Put32(body, static_cast<uint32_t>(r.score[1]));
    Put32(body, static_cast<uint32_t>(r.fpsm.size()));
    Put32(body, r.gameStart);
    PutText(body, r.level);
    const std::string raw = FrameBytes(r);
    Put32(body, static_cast<uint32_t>(raw.size()));
    PutText(body, Deflate(raw));
    std::string out(MAGIC, sizeof MAGIC);
    Put32(out, FORMAT_VERSION);
    Put32(out, static_cast<uint32_t>(HEADER_BYTES + body.size()));
    Put32(out, Crc32(body.data(), body.size()));
    return out + body;
}

// What is wrong with the header of a file: "" when its length and CRC hold.
static std::string HeaderProblem(const std::string& bytes) {
    const size_t magicSeen = std::min(bytes.size(), sizeof MAGIC);
    if (memcmp(bytes.data(), MAGIC, magicSeen) != 0) return "not a Korvel replay";
    if (bytes.size() < HEADER_BYTES) return "cut short";
    Reader in{bytes, sizeof MAGIC};
    const uint32_t version = in.U32(), length = in.U32(), crc = in.U32();
    if (version != FORMAT_VERSION)
        return "replay format " + std::to_string(version) + ", this program plays format " +
               std::to_string(FORMAT_VERSION);
    if (length > bytes.size()) return "cut short";
    if (length < bytes.size()) return "damaged (bytes after its end)";
    if (Crc32(bytes.data() + HEADER_BYTES, bytes.size() - HEADER_BYTES) != crc)
        return "damaged (its CRC does not match)";
    return "";
}

std::string DecodeReplay(const std::string& bytes, Replay* r) {
    const std::string problem = HeaderProblem(bytes);
    if (!problem.empty()) return problem;
    Reader in{bytes, HEADER_BYTES};
    r->version = in.Text(MAX_VERSION);
    r->landscape = in.Has(1) && bytes[in.at++] != 0;
    r->seed = static_cast<int>(in.U32());
    r->highscore = static_cast<int>(in.U32());
    const uint32_t dateLow = in.U32();
    r->date = static_cast<int64_t>(static_cast<uint64_t>(in.U32()) << 32 | dateLow);
    r->players = in.Has(1) ? bytes[in.at++] : -1;
    r->score[0] = static_cast<int>(in.U32());
    r->score[1] = static_cast<int>(in.U32());
    const uint32_t frames = in.U32();
    r->gameStart = in.U32();
    r->level = in.Text(MAX_TEXT);
    const uint32_t rawSize = in.U32();
    const std::string packed = in.Text(MAX_FILE_BYTES);
    std::string raw;
    // Each frame takes one to five bytes of fpsm and its keys, each checksum four; zlib packs no
    // better than 1032 to 1. So nothing is made much larger than the file before it is checked.
    const bool sound = in.ok && in.at == bytes.size() && frames >= 1 && frames <= MAX_FRAMES &&
                       r->gameStart <= frames && r->players >= 0 && r->players <= 2 &&
                       rawSize >= frames * (1u + KEY_BYTES) + Checks(frames) * 4 &&
                       rawSize <= frames * (5u + KEY_BYTES + 4) && rawSize / ZLIB_MAX_RATIO <= packed.size();
    if (!sound || !Inflate(packed, rawSize, raw)) return "damaged (its contents do not hold together)";
    Reader frameIn{raw, 0};
    if (!ReadFrames(frameIn, frames, r)) return "damaged (its frames do not hold together)";
    return "";
}

std::string ReplayVersion() {
    return KORVEL_VERSION + (BROWSER_GAME ? BROWSER_MARK : "");
}

static const char* Maker(bool browser) {
    return browser ? "the browser game" : "the desktop game";
}

bool MadeInBrowser(const std::string& version) {
    const size_t n = BROWSER_MARK.size();
    return version.size() > n && version.compare(version.size() - n, n, BROWSER_MARK) == 0;
}

std::string VersionProblem(const std::string& version) {
    if (version == ReplayVersion()) return "";
    const bool browser = MadeInBrowser(version);
    if (browser != BROWSER_GAME)
        return std::string("made by ") + Maker(browser) + ", whose arithmetic differs from " +
               Maker(BROWSER_GAME) + "'s; only " + Maker(browser) + " plays it exactly";
    return "made by version " + version + " of the game; only that version plays it exactly (this is " +
           ReplayVersion() + ")";
}

// ---------------------------------------------------------------------------------------------
// The world's checksum

// FNV-1a, 32 bits.
struct Hash {
    uint32_t h = 2166136261u;
    template <class T> void Add(const T& value) {
        unsigned char b[sizeof(T)];
        memcpy(b, &value, sizeof b);
        for (unsigned char c : b)
            h = (h ^ c) * 16777619u;
    }
};

uint32_t StateChecksum() {
    Hash hash;
    for (const Object* o = firstObject; o; o = o->next) {
        for (float f : {o->x, o->y, o->r, o->vx, o->vy, o->data3, o->flash})
            hash.Add(f);
        for (int i : {o->type, o->data, o->data2, o->data4, static_cast<int>(o->dead)})
            hash.Add(i);
    }
    int particles = 0;
    for (const Explosion& e : boom)
        particles += e.valid;
    for (int i :
         {nObject, score[0], score[1], lives, td, rn, boss, nBoss, nBoss2, nAnim, particles, powerupat[0],
          powerupat[1], static_cast<int>(chargebullet[0]), static_cast<int>(chargebullet[1]),
          static_cast<int>(player != nullptr), static_cast<int>(player2 != nullptr)})
        hash.Add(i);
    hash.Add(dist);
    return hash.h;
}

// ---------------------------------------------------------------------------------------------
// The list of recorded games

static std::string ReplayFolder() {
    return UserDataFile("replays");
}

// A replay file read whole; "" when it is a replay, else what is wrong with it.
static std::string ReadReplay(const std::string& path, Replay* r) {
    std::string bytes;
    const int error = ReadBounded(path, MAX_FILE_BYTES + 1, bytes);
    if (error) return error == EINVAL ? "not a plain file" : strerror(error);
    if (bytes.size() > MAX_FILE_BYTES) return "too long for a replay";
    return DecodeReplay(bytes, r);
}

struct Listed {
    std::string path;
    Replay replay;
};

// The replays in the folder, both programs', newest first.
static std::vector<Listed> RecordedGames() {
    std::vector<Listed> games;
    const std::string folder = ReplayFolder();
    DIR* dir = folder.empty() ? nullptr : opendir(folder.c_str());
    for (dirent* entry; dir && (entry = readdir(dir));) {
        const std::string name = entry->d_name;
        const size_t n = strlen(EXTENSION);
        if (name.size() <= n || name.compare(name.size() - n, n, EXTENSION) != 0) continue;
        Listed game{folder + "/" + name, Replay()};
        if (ReadReplay(game.path, &game.replay).empty()) games.push_back(game);
    }
    if (dir) closedir(dir);
    std::sort(games.begin(), games.end(), [](const Listed& a, const Listed& b) {
        return a.replay.date != b.replay.date ? a.replay.date > b.replay.date : a.path > b.path;
    });
    return games;
}

// The replays this program made, newest first: the two programs share the folder.
static std::vector<Listed> OwnGames() {
    std::vector<Listed> games = RecordedGames();
    games.erase(std::remove_if(games.begin(), games.end(),
                               [](const Listed& game) { return game.replay.landscape != LANDSCAPE; }),
                games.end());
    return games;
}

static int BestScore(const Replay& r) {
    return std::max(r.score[0], r.score[1]);
}

// The game's length from its start, in seconds.
static double GameSeconds(const Replay& r) {
    double ms = 0;
    for (size_t i = r.gameStart; i < r.fpsm.size(); i++)
        ms += r.fpsm[i] * MS_PER_FPSM;
    return ms / 1000;
}

// The program that plays a replay.
static const char* ProgramOf(const Replay& r) {
    return r.landscape ? "korvel-landscape" : "korvel";
}

int PrintReplays() {
    const std::vector<Listed> games = RecordedGames();
    if (games.empty()) {
        printf("no recorded games in %s\n", ReplayFolder().c_str());
        return 0;
    }
    printf("%-19s  %-16s  %-9s  %13s  %7s  %s\n", "date", "program", "mode", "score", "length", "file");
    for (const Listed& game : games) {
        const Replay& r = game.replay;
        char date[32], score[32];
        const time_t when = static_cast<time_t>(r.date);
        strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", localtime(&when));
        snprintf(score, sizeof score, r.players == 2 ? "%i : %i" : "%i", r.score[0], r.score[1]);
        const int seconds = static_cast<int>(GameSeconds(r));
        static const char* const MODE[3] = {"no game", "1 player", "2 players"};
        printf("%-19s  %-16s  %-9s  %13s  %4i:%02i  %s\n", date, ProgramOf(r), MODE[r.players], score,
               seconds / 60, seconds % 60, game.path.c_str());
    }
    return 0;
}

// Removes all but this program's latest games and its best game of each mode.
static void PruneGames() {
    const std::vector<Listed> games = OwnGames();
    const Listed* best[3] = {nullptr, nullptr, nullptr};
    for (const Listed& game : games)
        if (!best[game.replay.players] ||
            BestScore(game.replay) > BestScore(best[game.replay.players]->replay))
            best[game.replay.players] = &game;
    for (size_t i = KEPT_GAMES; i < games.size(); i++)
        if (&games[i] != best[1] && &games[i] != best[2] &&
            !KeptByTable(games[i].path.substr(games[i].path.rfind('/') + 1)))
            remove(games[i].path.c_str());
}

// ---------------------------------------------------------------------------------------------
// Playback

// "best" or "last" from the recorded games, else the path itself.
static std::string ChosenPath(std::string* problem) {
    if (playPath != "best" && playPath != "last") return playPath;
    const std::vector<Listed> games = OwnGames();
    if (games.empty()) {
        *problem = std::string("no games recorded by ") + PROGRAM + " in " + ReplayFolder();
        return "";
    }
    const Listed* chosen = &games[0];
    for (const Listed& game : games)
        if (playPath == "best" && BestScore(game.replay) > BestScore(chosen->replay)) chosen = &game;
    return chosen->path;
}

// Reads the replay at path into run; what keeps this program from playing it, or "".
static std::string ReadPlayable(const std::string& path) {
    std::string problem = ReadReplay(path, &run);
    if (problem.empty() && run.landscape != LANDSCAPE)
        problem = std::string("made by ") + ProgramOf(run) + ", play it with that program";
    if (problem.empty()) problem = VersionProblem(run.version);
    return problem;
}

int OpenReplay() {
    if (playPath.empty()) return START_GAME;
    std::string problem;
    const std::string path = ChosenPath(&problem);
    if (problem.empty()) problem = ReadPlayable(path);
    if (!problem.empty()) {
        fprintf(stderr, "%s: %s: %s\n", PROGRAM, path.empty() ? playPath.c_str() : path.c_str(),
                problem.c_str());
        return USAGE_ERROR;
    }
    StartPlayback(run);
    return START_GAME;
}

void StartPlayback(const Replay& replay) {
    if (&replay != &run) run = replay;
    replayMode = REPLAY_PLAY;
    played = outOfStepAt = 0;
}

uint32_t PlayedFrames() {
    return played;
}

void TakeReplaySettings() {
    ResetSettings();
    if (!run.level.empty()) {
        FILE* f = fmemopen(&run.level[0], run.level.size(), "r");
        if (f) {
            ReadLevelFrom(f);
            fclose(f);
        }
        TameSettings();
    }
    randomNumberSeed = run.seed;
    highscore = run.highscore;
    difficulty = DifficultyOfLevel(run.level);
}

// The game keys of a frame's bits into the two arrays the game reads.
static void SetKeys(uint32_t bits) {
    for (size_t i = 0; i < sizeof ROLES / sizeof ROLES[0]; i++)
        (ROLES[i].ship ? shipKeys : menuKeys)[ROLES[i].key] = (bits >> i) & 1;
}

static bool Paced() {
    return replayPaced && played >= run.gameStart;
}

// A frame is presented when playback has caught up with its pace by this frame's end; the frames
// still behind it only run. Before the game, one now and then.
static void ChoosePresented() {
    const Uint32 now = SDL_GetTicks();
    if (Paced()) {
        const double speed = SDL_GetKeyState(nullptr)[SDLK_RIGHT] ? FAST_SPEED : 1;
        frameDue = run.fpsm[played] * MS_PER_FPSM / speed;
        framePresented = paceDue + frameDue >= now - paceStart;
    } else {
        framePresented = now - lastShown >= UNPACED_SHOW_MS;
    }
    if (framePresented) lastShown = now;
}

static void PlayFrameStart() {
    if (played == 0) SDL_WM_SetCaption("KORVEL  (REPLAY)", nullptr);
    SetKeys(run.keys[played]);
    SubstituteKeys(shipKeys, menuKeys);
    if (played == run.gameStart) paceStart = SDL_GetTicks(), paceDue = 0;
    ChoosePresented();
}

// From the game's start on, each frame waits for its recorded duration (an eighth with Right held).
static void KeepPace() {
    if (!Paced()) return;
    paceDue += frameDue;
    const double ahead = paceDue - (SDL_GetTicks() - paceStart);
    // The browser's main thread may not sleep: its frames come at the display's pace anyway.
    if (ahead > 0 && !BROWSER_GAME) SDL_Delay(static_cast<Uint32>(ahead));
    if (ahead < -MAX_LAG_MS) paceStart = SDL_GetTicks(), paceDue = 0;
}

static void PlayFrameEnd() {
    KeepPace();
    // Drawing between frames (a kept frame shown again) always shows.
    framePresented = true;
    played++;
    const bool last = played == run.fpsm.size();
    const bool checked = played % CHECK_EVERY == 0 || last;
    if (checked &&
        StateChecksum() != run.checksums[last ? run.checksums.size() - 1 : played / CHECK_EVERY - 1]) {
        outOfStepAt = played;
        fprintf(stderr, "%s: replay out of step at frame %u\n", PROGRAM, played);
        (watching ? watchEnded : quit) = true;
        return;
    }
    if (last) (watching ? watchEnded : quit) = true;
}

bool ReplaySetsFpsm() {
    if (replayMode != REPLAY_PLAY || played >= run.fpsm.size()) return false;
    fpsm = run.fpsm[played];
    return true;
}

// ---------------------------------------------------------------------------------------------
// Recording

void StartRecording() {
    saveEachGame = !InstalledDataFolder().empty();
    if (recordPath.empty() && !saveEachGame) return;
    replayMode = REPLAY_RECORD;
    run = Replay();
    inGame = false;
    firstGameStart = UINT32_MAX;
    run.version = ReplayVersion();
    run.landscape = LANDSCAPE;
    run.seed = randomNumberSeed;
    run.highscore = highscore;
    if (ReadBounded(levelFile, MAX_TEXT, run.level) != 0) run.level.clear();
}

static uint32_t KeyBits() {
    const Uint8* ship = ShipKeys();
    const Uint8* menu = MenuKeys();
    uint32_t bits = 0;
    for (size_t i = 0; i < sizeof ROLES / sizeof ROLES[0]; i++)
        bits |= static_cast<uint32_t>((ROLES[i].ship ? ship : menu)[ROLES[i].key] != 0) << i;
    return bits;
}

// The run up to now as a replay file of the game that started at gameStart.
static std::string RunSoFar(uint32_t gameStart) {
    Replay r = run;
    r.checksums.push_back(StateChecksum());
    r.gameStart = gameStart;
    r.date = static_cast<int64_t>(time(nullptr));
    return EncodeReplay(r);
}

static void Save(const std::string& path, const std::string& bytes) {
    if (!WriteFileDurably(path, bytes))
        fprintf(stderr, "%s: cannot write the replay %s: %s\n", PROGRAM, path.c_str(), strerror(errno));
}

// The installed game: the game just ended, in a file of its own, and the folder pruned.
static void SaveGame() {
    const std::string folder = ReplayFolder();
    if (folder.empty()) return;
    char name[64];
    const time_t now = time(nullptr);
    strftime(name, sizeof name, "%Y%m%d-%H%M%S", localtime(&now));
    // The landscape game's names end in "-landscape", as its other saves' do.
    const std::string stem = folder + "/" + name + "-" + std::to_string(run.players) + "p";
    std::string path = OwnSaveName((stem + EXTENSION).c_str());
    for (int n = 2; access(path.c_str(), F_OK) == 0; n++)
        path = OwnSaveName((stem + "-" + std::to_string(n) + EXTENSION).c_str());
    Save(path, RunSoFar(run.gameStart));
    lastSavedReplay = access(path.c_str(), F_OK) == 0 ? path.substr(folder.size() + 1) : "";
    PruneGames();
    SavesWritten();
}

static void RecordFrameEnd() {
    run.fpsm.push_back(fpsm);
    const uint32_t frames = static_cast<uint32_t>(run.fpsm.size());
    if (frames % CHECK_EVERY == 0) run.checksums.push_back(StateChecksum());
    const bool shipsInPlay = player || player2;
    if (shipsInPlay && !inGame) {
        run.gameStart = frames - 1;
        run.players = twoPlayers ? 2 : 1;
        firstGameStart = std::min(firstGameStart, run.gameStart);
    }
    if (shipsInPlay || inGame) run.score[0] = score[0], run.score[1] = twoPlayers ? score[1] : 0;
    if (inGame && !shipsInPlay && saveEachGame) SaveGame();
    inGame = shipsInPlay;
    if (frames == MAX_FRAMES) {
        fprintf(stderr, "%s: the run is too long to record further\n", PROGRAM);
        FinishReplay();
        replayMode = REPLAY_OFF;
    }
}

// ---------------------------------------------------------------------------------------------
// The frame hooks

void BeginReplayFrame() {
    if (replayMode == REPLAY_RECORD) run.keys.push_back(KeyBits());
    if (replayMode == REPLAY_PLAY) PlayFrameStart();
}

void EndReplayFrame() {
    if (replayMode == REPLAY_RECORD) RecordFrameEnd();
    if (replayMode == REPLAY_PLAY) PlayFrameEnd();
}

// "--record": the run so far into its file.
static void SaveRecordFile() {
    if (!recordPath.empty()) Save(recordPath, RunSoFar(firstGameStart == UINT32_MAX ? 0 : firstGameStart));
}

bool SavesEachGame() {
    return saveEachGame;
}

void SuspendRecording() {
    if (replayMode != REPLAY_RECORD) return;
    if (!run.fpsm.empty()) SaveRecordFile();
    recordPath.clear();
    replayMode = REPLAY_OFF;
}

std::string WatchReplay(const std::string& path) {
    const std::string problem = ReadPlayable(path);
    if (!problem.empty()) return problem;
    replayMode = REPLAY_PLAY;
    played = outOfStepAt = 0;
    watching = true;
    watchEnded = false;
    TakeReplaySettings();
    return "";
}

bool WatchEnded() {
    return watchEnded;
}

// Where playback ended, on standard output.
static void PrintPlayed() {
    printf("replay %s at frame %u of %zu: score %i", played == run.fpsm.size() ? "ended" : "stopped", played,
           run.fpsm.size(), score[0]);
    if (twoPlayers) printf(" : %i", score[1]);
    printf(", high score %i\n", highscore);
    fflush(stdout);
}

void StopWatching() {
    if (!watching) return;
    PrintPlayed();
    SubstituteKeys(nullptr, nullptr);
    watching = watchEnded = false;
    replayMode = REPLAY_OFF;
}

void FinishReplay() {
    if (replayMode == REPLAY_RECORD && !run.fpsm.empty()) {
        SaveRecordFile();
        if (inGame && saveEachGame) SaveGame();
    }
    if (replayMode != REPLAY_PLAY || watching) return;
    if (outOfStepAt) exit(3);
    PrintPlayed();
}
