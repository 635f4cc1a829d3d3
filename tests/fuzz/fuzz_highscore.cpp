// fuzz_highscore.cpp -- libFuzzer target: any bytes as "highscore.txt".
#include "fuzz.h"
#include "shell/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    highscore = 0;
    vsync = 0;
    sound = true;
    FILE* f = InputFile(data, size);
    if (!f) Finding("cannot open the input");
    ReadHighscoreFrom(f);
    fclose(f);
    if (vsync != 0 && vsync != 1) Finding("a v-sync request other than 0 or 1");
    return 0;
}
