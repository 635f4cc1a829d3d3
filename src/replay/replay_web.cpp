// replay_web.cpp -- the browser keeps no replays: their files are zlib-compressed, and Emscripten
// has no zlib of its own (only a port it would download). The main loop's replay calls do nothing.
#include "replay.h"

#include <cstdio>

#include "../shell/command_line.h"

ReplayMode replayMode = REPLAY_OFF;
std::string recordPath;
std::string playPath;
uint32_t outOfStepAt = 0;
bool replayPaced = true;
std::string lastSavedReplay;

int OpenReplay() {
    return START_GAME;
}

void TakeReplaySettings() {}
void StartRecording() {}
void BeginReplayFrame() {}
void EndReplayFrame() {}

bool ReplaySetsFpsm() {
    return false;
}

void FinishReplay() {}

bool SavesEachGame() {
    return false;
}

void SuspendRecording() {}

std::string WatchReplay(const std::string&) {
    return "the browser plays no replays";
}

bool WatchEnded() {
    return false;
}

void StopWatching() {}

int PrintReplays() {
    printf("The browser keeps no replays.\n");
    return 0;
}
