// mklevel.cpp -- writes the default "level.txt" from the game's own table of tuning values.
#include <cstdio>

static void WriteValue(FILE* f, const char* name, int value, const char* end) {
    fprintf(f, "%s=%i%s", name, value, end);
}
static void WriteValue(FILE* f, const char* name, float value, const char* end) {
    fprintf(f, "%s=%.1f%s", name, value, end);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: mklevel <level.txt>\n");
        return 2;
    }
    FILE* f = fopen(argv[1], "w");
    if (!f) {
        fprintf(stderr, "mklevel: cannot write %s\n", argv[1]);
        return 1;
    }
#define SETTING(name, type, value, end) WriteValue(f, #name, static_cast<type>(value), end);
#include "shell/settings_table.h"
#undef SETTING
    return fclose(f) == 0 ? 0 : 1;
}
