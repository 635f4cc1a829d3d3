// platform_desktop.cpp -- the desktop game's side of platform.h, and the libraries' own random().
#include "platform.h"

#include <GL/gl.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <mutex>

const char* const MUSIC_FILE = "music1.xm";
const int FONT_WRAP = GL_CLAMP;
const int FONT_INTERNAL_FORMAT = 2;
const bool BROWSER_GAME = false;
const bool WINDOW_CHOICES = true;

// Linux's own numbering of the common pads (the xpad driver's): A 0, B 1, X 2, Y 3, the shoulders
// 4 and 5, Back 6, Start 7, Guide 8; the d-pad is the first hat.
const PadButtons PLATFORM_PAD_BUTTONS = {0, 7, 6, -1};

void SavesWritten() {}

void RunEnteredTable(const std::string&, int, const std::string&) {}

std::string Deflate(const std::string& raw) {
    uLongf size = compressBound(raw.size());
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
              raw.size(), Z_BEST_COMPRESSION);
    packed.resize(size);
    return packed;
}

bool Inflate(const std::string& packed, size_t rawSize, std::string& raw) {
    raw.assign(rawSize, '\0');
    uLongf size = rawSize;
    return uncompress(reinterpret_cast<Bytef*>(&raw[0]), &size, reinterpret_cast<const Bytef*>(packed.data()),
                      packed.size()) == Z_OK &&
           size == rawSize;
}

uint32_t Crc32(const char* bytes, size_t size) {
    return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes), size));
}

// The game draws from rand(), seeded once with randomNumberSeed: replays follow that sequence. The
// music library (libmikmod, under SDL_mixer's module player) calls random() on the audio thread, and
// in the C library random() and rand() share one generator. The program therefore defines random()
// itself (exported to the libraries by the build, so theirs resolves here): every caller by that name
// draws from a generator of its own, under a lock, and rand() keeps the game's sequence to itself.
static std::mutex libraryRandomLock;
static random_data libraryRandom;
static char libraryRandomState[128];
static bool libraryRandomStarted = false;

extern "C" long random() noexcept {
    std::lock_guard<std::mutex> hold(libraryRandomLock);
    if (!libraryRandomStarted) {
        initstate_r(1, libraryRandomState, sizeof libraryRandomState, &libraryRandom);
        libraryRandomStarted = true;
    }
    int32_t value = 0;
    random_r(&libraryRandom, &value);
    return value;
}
