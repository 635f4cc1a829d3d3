// replay.h -- replays: a run's frame times and game keys recorded, played back exactly, listed.
//
// A run is determined by level.txt (and its seed), the high score at start and, for every frame
// the world moved, the fpsm postDraw set and the game keys the frame read. The world never stops
// behind the menu, so a replay holds the run from program start to the end of its game, with the
// frame the game started at; playback runs the frames before it as fast as it can.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One recorded run.
struct Replay {
    std::string version;             // the program's version that made it
    bool landscape = false;          // made by the landscape build
    int seed = 0;                    // randomNumberSeed of its level.txt
    int highscore = 0;               // the high score at program start
    int64_t date = 0;                // when it was written, seconds since 1970
    int players = 0;                 // players of its game: 1 or 2; 0 when no game was started
    int score[2] = {0, 0};           // the game's scores at its end
    uint32_t gameStart = 0;          // the frame the game started in (0 when none did)
    std::string level;               // the whole level.txt in force ("" when there was none)
    std::vector<float> fpsm;         // per frame: the fpsm postDraw set
    std::vector<uint32_t> keys;      // per frame: the game keys held, one bit per key's role
    std::vector<uint32_t> checksums; // the world's checksum after every 60th frame, then after the last
};

// What the replay layer does this run.
enum ReplayMode { REPLAY_OFF, REPLAY_RECORD, REPLAY_PLAY };
// Per run: set by the command line and StartRecording.
extern ReplayMode replayMode;
// Per run: "--record FILE" and "--replay FILE" (or "best", "last"); empty when not given.
extern std::string recordPath;
extern std::string playPath;
// Per run: playback keeps the recorded pace from its game's start on; tests play as fast as they can.
extern bool replayPaced;
// Per playback: the frame whose checksum no longer matched (playback stops there), or 0.
extern uint32_t outOfStepAt;

// The version this program's replays carry: KORVEL_VERSION, marked "+web" in the browser game,
// whose arithmetic differs from the desktop's.
std::string ReplayVersion();
// Whether a replay of that version was made by the browser game.
bool MadeInBrowser(const std::string& version);
// Why this program cannot play a replay of that version exactly, in a few words; "" when it can.
std::string VersionProblem(const std::string& version);

// The replay as a file's bytes: header, level.txt, then the frames, zlib-compressed.
std::string EncodeReplay(const Replay& replay);
// Reads a replay file's bytes; "" when replay holds it, else what is wrong, in a few words. Checks
// the length and CRC of the whole before trusting any byte.
std::string DecodeReplay(const std::string& bytes, Replay* replay);
// A hash of the world (objects, scores, lives, the director's counters, particles); never calls rand().
uint32_t StateChecksum();

// After the command line: with "--replay", opens its file for playback. One line on standard error
// and USAGE_ERROR when it cannot be played here; START_GAME otherwise.
int OpenReplay();
// Plays replay from the next frame on, as OpenReplay does with its file (the verifier's way in).
void StartPlayback(const Replay& replay);
// Per playback: the frames played so far.
uint32_t PlayedFrames();
// Start-up, in place of reading the settings files: the played replay's level.txt, seed and high score.
void TakeReplaySettings();
// Start-up, once level.txt is read: records the run with "--record", or when the game is installed.
void StartRecording();
// Around each Render that moves the world: the keys of the frame (recorded, or substituted from
// the replay), and after it the frame's fpsm, the checksums, and playback's pace.
void BeginReplayFrame();
void EndReplayFrame();
// Called by postDraw: while a replay plays, sets fpsm to the frame's recorded value and returns true.
bool ReplaySetsFpsm();
// Once quit is set: writes the "--record" file, or says where playback ended; exits with status 3
// when playback went out of step.
void FinishReplay();
// Whether each game is saved in a replay file of its own (the installed game records every game).
bool SavesEachGame();
// Per run: the file name (in the replay folder) of the last game saved by itself; "" when its save failed.
extern std::string lastSavedReplay;
// Stops recording (the score table's screen and watched replays leave the run): "--record" writes
// its file now, with the run so far.
void SuspendRecording();

// In the running game (a replay watched from the score table, the title screen's demo): plays the
// replay at path from the next frame on, with its settings (the caller starts a fresh world); ""
// when it plays, else what is wrong with it. Recording must be suspended first.
std::string WatchReplay(const std::string& path);
// Per watch: set once the watched replay has played to its end, or parted from its recording.
bool WatchEnded();
// Stops watching: the keyboard reaches the game again, and the line "replay ended at frame ..."
// (or "stopped") goes to standard output.
void StopWatching();

// "korvel --replays": lists the recorded games, newest first; the exit status.
int PrintReplays();
