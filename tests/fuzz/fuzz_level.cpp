// fuzz_level.cpp -- libFuzzer target: any bytes as "level.txt".
#include <cmath>

#include "fuzz.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetSettings();
    FILE* f = InputFile(data, size);
    if (!f) Finding("cannot open the input");
    ReadLevelFrom(f);
    TameSettings();
    fclose(f);
    if (!std::isfinite(lifeBarRate)) Finding("a life-bar rate that is not a number");
    return 0;
}
