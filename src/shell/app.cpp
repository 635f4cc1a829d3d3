// app.cpp -- start-up, main loop and global keys.
#include "app.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "../flow/frame.h"
#include "../flow/screens.h"
#include "../glfont.h"
#include "../player/pickups.h"
#include "../player/player.h"
#include "../world/effects.h"
#include "display.h"
#include "files.h"
#include "input.h"
#include "orientation.h"
#include "settings.h"

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

static void RequestStop(int) {
    stopRequested = 1;
}

void PlaySound(Mix_Chunk* chunk) {
    if (chunk) Mix_PlayChannelTimed(-1, chunk, 0, -1);
}

static Mix_Chunk* LoadChunk(const char* file) {
    return Mix_LoadWAV_RW(SDL_RWFromFile(DataFile(file).c_str(), "rb"), 1);
}

[[noreturn]] static void WindowFailed() {
    fprintf(stderr, "korvel: cannot open a %i x %i OpenGL window: %s\n", WINDOW_WIDTH, WINDOW_HEIGHT,
            SDL_GetError());
    exit(1);
}

static void OpenWindow() {
    PrepareControllers();
    SDL_Init(SDL_INIT_EVERYTHING);
    // Without a video driver (no display) SDL_GL_SetAttribute would crash.
    if (!SDL_WasInit(SDL_INIT_VIDEO)) WindowFailed();
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, vsync);
    if (!SDL_SetVideoMode(WINDOW_WIDTH, WINDOW_HEIGHT, 24, SDL_OPENGL | SDL_DOUBLEBUF)) WindowFailed();
    ChangeSize(WINDOW_WIDTH, WINDOW_HEIGHT);
}

static void OpenAudio() {
    using namespace sfx;
    Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096);
    Mix_VolumeMusic(128);
    music = Mix_LoadMUS(DataFile("music1.xm").c_str());
    bam = LoadChunk("boom.wav");
    gotpowerup = LoadChunk("powerup.wav");
    shoot[0] = LoadChunk("shoot1.wav");
    shoot[1] = LoadChunk("shoot2.wav");
    shoot[2] = LoadChunk("shoot3.wav");
    sfx::select = LoadChunk("selectmove.wav");
    if (music) Mix_PlayMusic(music, -1);
}

void Init(int, char**, const char*) {
    ReadHighscore();
    atexit(Savehighscore);
    ReadLevel();
    srand(randomNumberSeed);
    powerupat[0] = powerupat[1] = powerUpAtMultipleOf;
    OpenWindow();
    OpenControllers();
    ReadControls();
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    OpenAudio();
    SetDrawingState();
    AddAnimation(new Menu());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    GLuint id = 0;
    glGenTextures(1, &id);
    fontID = id;
    font = glFontCreate(DataFile("font.fnt").c_str(), fontID);
    player = nullptr;
}

void HandleEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        TakeControllerEvent(event);
        if (event.type == SDL_QUIT) quit = true;
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) quit = true;
        if (IsPausePress(event)) {
            paused = !paused;
            // Resuming restarts the frame clock, so the next frame does not measure the pause.
            if (!paused) RestartFrameClock();
        }
    }
    if (stopRequested) quit = true;
}

int Run() {
    RestartFrameClock();
    for (;;) {
        if (quit) return 1;
        Render();
        HandleEvents();
    }
}

int Quit() {
    return 0;
}
