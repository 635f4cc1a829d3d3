// fuzz_game.cpp -- libFuzzer target: the whole game on any "level.txt". The input is the file,
// up to its first zero byte; the bytes after it (or, without one, the file itself) choose the
// number of bosses beaten, the frame time and the keys the two players hold. A two-player game
// with a boss then runs a few hundred real frames, and the object list must stay bounded.
#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "enemies/boss.h"
#include "flow/frame.h"
#include "flow/screens.h"
#include "fuzz.h"
#include "glfont.h"
#include "player/pickups.h"
#include "player/player.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/files.h"
#include "shell/settings.h"
#include "world/effects.h"

static const int FRAMES = 240;
static const int FRAMES_PER_KEY_STEP = 8;
// More objects than any level can keep alive in FRAMES frames means the list grows without bound.
static const int MOST_OBJECTS = 100000;

// Player 1's keys, then player 2's, each chosen by one bit of a key byte.
static const SDLKey PLAYER1_KEYS[] = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_SLASH, SDLK_z, SDLK_c};
static const SDLKey PLAYER2_KEYS[] = {SDLK_w, SDLK_s, SDLK_a, SDLK_d, SDLK_b};

// Filling the window's pixels costs much of a frame in a software renderer, and no frame is looked at:
// after the game's start-up the window shrinks, and the font is loaded again into the new
// context. The game still draws its whole field (its viewport is the full size, clipped).
static const int SMALL_WINDOW = 16;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartGameProgram();
    SDL_SetVideoMode(SMALL_WINDOW, SMALL_WINDOW, 24, SDL_OPENGL | SDL_DOUBLEBUF);
    SetDrawingState();
    glFontDestroy(font);
    free(font);
    GLuint id = 0;
    glGenTextures(1, &id);
    fontID = static_cast<int>(id);
    font = glFontCreate(DataFile("font.fnt").c_str(), fontID);
    if (!font) Finding("no font in the run folder");
    return 0;
}

// The world of a fresh program: no objects, overlays, particles or held keys.
static void FreshWorld() {
    KillAllObjects();
    UpdateObjects();
    ClearEffects();
    int n = 0;
    Uint8* keys = SDL_GetKeyState(&n);
    std::fill(keys, keys + n, 0);
    rn = 0;
    dist = 0;
    paused = false;
    quit = false;
}

static void HoldKeys(const SDLKey* list, int count, uint8_t bits) {
    Uint8* keys = SDL_GetKeyState(nullptr);
    for (int i = 0; i < count; i++)
        keys[list[i]] = (bits >> i) & 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* zero = static_cast<const uint8_t*>(memchr(data, 0, size));
    const size_t levelSize = zero ? size_t(zero - data) : size;
    const uint8_t* script = zero ? zero + 1 : data;
    const size_t scriptSize = zero ? size - levelSize - 1 : size;
    auto scriptByte = [&](size_t i) { return scriptSize ? script[i % scriptSize] : uint8_t(0); };

    ResetSettings();
    FILE* f = InputFile(data, levelSize);
    if (!f) Finding("cannot open the input");
    ReadLevelFrom(f);
    TameSettings();
    fclose(f);
    srand(randomNumberSeed);
    powerupat[0] = powerupat[1] = powerUpAtMultipleOf;

    FreshWorld();
    StartGame(true);
    nBoss = scriptByte(0) % 41;
    fixedFpsm = fpsm = 0.5f * (1 + scriptByte(1) % 6);
    CreateBoss();
    for (int frame = 0; frame < FRAMES; frame++) {
        const size_t step = 2 + 2 * size_t(frame / FRAMES_PER_KEY_STEP);
        HoldKeys(PLAYER1_KEYS, sizeof PLAYER1_KEYS / sizeof PLAYER1_KEYS[0], scriptByte(step));
        HoldKeys(PLAYER2_KEYS, sizeof PLAYER2_KEYS / sizeof PLAYER2_KEYS[0], scriptByte(step + 1));
        Render();
        if (nObject > MOST_OBJECTS) Finding("the object list grows without bound");
    }
    FreshWorld();
    return 0;
}
