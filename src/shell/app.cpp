// app.cpp -- start-up, main loop and global keys.
#include "app.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "../flow/difficulty.h"
#include "../flow/frame.h"
#include "../flow/screens.h"
#include "../flow/showcase.h"
#include "../flow/table.h"
#include "../glfont.h"
#include "../player/pickups.h"
#include "../player/player.h"
#include "../replay/replay.h"
#include "../world/effects.h"
#include "command_line.h"
#include "display.h"
#include "files.h"
#include "icon.h"
#include "input.h"
#include "options.h"
#include "platform.h"
#include "settings.h"
#include "touch.h"
#include "window.h"

bool quit = false;
bool paused = false;

namespace sfx {
Mix_Music* music = nullptr;
Mix_Chunk* bam = nullptr;
Mix_Chunk* gotpowerup = nullptr;
Mix_Chunk* shoot[3] = {nullptr, nullptr, nullptr};
Mix_Chunk* select = nullptr;
} // namespace sfx

// Set from a signal handler: SIGINT and SIGTERM end the game through the normal exit path.
static volatile std::sig_atomic_t stopRequested = 0;

// While paused, the main loop looks for a new event this often (ms).
static const Uint32 PAUSED_LOOK_MS = 10;

static void RequestStop(int) {
    stopRequested = 1;
}

void PlaySound(Mix_Chunk* chunk) {
    if (chunk) Mix_PlayChannelTimed(-1, chunk, 0, -1);
}

static Mix_Chunk* LoadChunk(const char* file) {
    return Mix_LoadWAV_RW(SDL_RWFromFile(DataFile(file).c_str(), "rb"), 1);
}

// Each subsystem comes up on its own: on sdl12-compat one that fails (no sound device) would fail
// SDL_INIT_EVERYTHING as a whole. The joysticks are there for the controllers.
static void OpenWindow() {
    PrepareControllers();
    SDL_Init(SDL_INIT_VIDEO);
    // Without a video driver (no display) SDL_GL_SetAttribute would crash.
    RequireDisplay();
    SDL_InitSubSystem(SDL_INIT_TIMER);
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    // A replay keeps its own pace, and runs the frames before its game as fast as it can.
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, replayMode == REPLAY_PLAY ? 0 : vsync);
    SetWindowIcon();
    OpenGameWindow();
}

// Without a sound device the mixer stays closed and the game is silent.
static void OpenAudio() {
    using namespace sfx;
    SDL_InitSubSystem(SDL_INIT_AUDIO);
    Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096);
    Mix_VolumeMusic(128);
    music = Mix_LoadMUS(DataFile(MUSIC_FILE).c_str());
    bam = LoadChunk("boom.wav");
    gotpowerup = LoadChunk("powerup.wav");
    shoot[0] = LoadChunk("shoot1.wav");
    shoot[1] = LoadChunk("shoot2.wav");
    shoot[2] = LoadChunk("shoot3.wav");
    sfx::select = LoadChunk("selectmove.wav");
    if (music) Mix_PlayMusic(music, -1);
    ApplyStartVolumes();
}

// The way out, at process exit after Savehighscore has saved: the music (which Savehighscore frees,
// unless a replay played) and the effects stop and are freed, the mixer closes (its audio thread
// ends), then SDL goes. On sdl12-compat an audio thread still running when the library unloads at
// exit calls into SDL 2 through emptied pointers.
static void CloseSoundAndSdl() {
    using namespace sfx;
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    music = nullptr;
    Mix_HaltChannel(-1);
    for (Mix_Chunk** chunk : {&bam, &gotpowerup, &shoot[0], &shoot[1], &shoot[2], &sfx::select}) {
        Mix_FreeChunk(*chunk);
        *chunk = nullptr;
    }
    Mix_CloseAudio();
    SDL_Quit();
}

// Reads the options file, then the command line over it, and opens a replay to play; ends the
// program when the command line says so (help, version, a mistake) or the replay cannot be played,
// before anything is written. A replay being played writes no options.
static void ReadChoices(int argc, char** argv) {
    windowChoice = ReadSavedOptions();
    ReadGameChoices(OptionsFile());
    int outcome = ParseCommandLine(argc, argv);
    if (outcome == START_GAME) outcome = OpenReplay();
    if (outcome != START_GAME) exit(outcome);
    if (windowChoiceMade && replayMode != REPLAY_PLAY) WriteOptions(OptionsFile(), windowChoice);
}

// The high score and level.txt, the high score saved at exit, and the recording started; a replay
// being played brings its own and saves nothing.
static void ReadSettings() {
    if (replayMode == REPLAY_PLAY) {
        TakeReplaySettings();
        return;
    }
    ReadHighscore();
    atexit(Savehighscore);
    ReadLevel();
    StartRecording();
    if (TableKept()) ReadTable();
}

void Init(int argc, char** argv, const char*) {
    ReadChoices(argc, argv);
    // Handlers run in reverse order of registration: the save first, then the sound and SDL.
    atexit(CloseSoundAndSdl);
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    ReadSettings();
    srand(randomNumberSeed);
    powerupat[0] = powerupat[1] = powerUpAtMultipleOf;
    OpenWindow();
    OpenControllers();
    ReadControls();
    OpenAudio();
    SetDrawingState();
    AddAnimation(new Menu());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLuint id = 0;
    glGenTextures(1, &id);
    fontID = id;
    font = glFontCreate(DataFile("font.fnt").c_str(), fontID);
    // A picture larger than the world's own size draws text from the sharp levels.
    glFontLoadSharp(font, DataFile("font-sharp.fnt").c_str());
    glFontUseScale(font, pictureScale);
    player = nullptr;
}

// F11, or Enter with Alt held.
static bool IsFullscreenToggle(const SDL_keysym& key) {
    return key.sym == SDLK_F11 || (key.sym == SDLK_RETURN && (key.mod & KMOD_ALT));
}

void RestUntilEvent() {
    SDL_Event event;
    while (!stopRequested) {
        SDL_PumpEvents();
        if (SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) != 0) return;
        SDL_Delay(PAUSED_LOOK_MS);
    }
}

void HandleEvents() {
    SDL_Event event;
    // Of a burst of sizes (the window dragged larger), only the last one sets the mode again.
    SDL_ResizeEvent resize{};
    ForgetTaps();
    ClearPresses();
    while (SDL_PollEvent(&event)) {
        TakeKeyEvent(event);
        TakeControllerEvent(event);
        if (ShowcaseTakesEvent(event)) continue;
        if (event.type == SDL_QUIT) quit = true;
        if (event.type == SDL_VIDEORESIZE) resize = event.resize;
        if (IsPausePress(event)) TogglePause();
        if (event.type != SDL_KEYDOWN) continue;
        if (event.key.keysym.sym == SDLK_ESCAPE) quit = true;
        if (IsFullscreenToggle(event.key.keysym) && replayMode != REPLAY_PLAY) ToggleFullscreen();
    }
    if (resize.w > 0 && resize.h > 0) ResizeWindow(resize.w, resize.h);
    if (stopRequested) quit = true;
    FollowTouch();
}

void TogglePause() {
    paused = !paused;
    // Resuming restarts the frame clock, so the next frame does not measure the pause.
    if (!paused) RestartFrameClock();
    if (paused) KeepPausedFrame();
}

void SeedGameRandom() {
    srand(randomNumberSeed);
}

void LoopTurn() {
    const bool moves = !paused;
    if (moves) BeginReplayFrame();
    Render();
    if (moves) EndReplayFrame();
    if (paused) RestUntilEvent();
    HandleEvents();
    RunShowcase();
    if (quit) FinishReplay();
}

int Run() {
    RestartFrameClock();
    while (!quit)
        LoopTurn();
    return 1;
}

int Quit() {
    return 0;
}
