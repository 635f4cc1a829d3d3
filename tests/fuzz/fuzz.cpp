// fuzz.cpp -- the input as a file, the game's start-up and findings, for every fuzz target.
#include "fuzz.h"

#include <sanitizer/lsan_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "shell/app.h"

FILE* InputFile(const uint8_t* data, size_t size) {
    // fmemopen refuses an empty buffer: an empty file is read from an empty temporary one.
    if (size == 0) return tmpfile();
    return fmemopen(const_cast<uint8_t*>(data), size, "r");
}

std::string InputPath(const uint8_t* data, size_t size) {
    static int fd = memfd_create("korvel-fuzz-input", 0);
    if (fd < 0) Finding("no memory file for the input");
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        Finding("cannot write the input");
    return "/proc/self/fd/" + std::to_string(fd);
}

// At exit the game closes SDL, which unloads the OpenGL driver: what the driver keeps until exit
// would then be reported from a library that is gone, past any suppression. The leak check runs
// before that (exit handlers run in reverse order of registration).
static void CheckLeaksBeforeSdlCloses() {
    __lsan_do_leak_check();
}

void StartGameProgram() {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    Init(0, nullptr, "FPS: 60");
    atexit(CheckLeaksBeforeSdlCloses);
}

void Finding(const char* what) {
    fprintf(stderr, "finding: %s\n", what);
    abort();
}
