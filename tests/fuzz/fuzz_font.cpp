// fuzz_font.cpp -- libFuzzer target: any bytes as "font.fnt", loaded into the game's real OpenGL
// context and, when it loads, drawn with every character.
#include <GL/gl.h>

#include <cstdlib>

#include "flow/frame.h"
#include "fuzz.h"
#include "glfont.h"
#include "shell/display.h"

static GLuint texture = 0;
static char everyByte[256];

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartGameProgram();
    glGenTextures(1, &texture);
    for (int c = 1; c < 256; c++)
        everyByte[c - 1] = static_cast<char>(c);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GLFONT* f = glFontCreate(InputPath(data, size).c_str(), static_cast<int>(texture));
    if (!f) return 0;
    if (!f->Char || f->TexWidth < 1 || f->TexHeight < 1 || f->IntEnd < f->IntStart)
        Finding("a font that does not describe its own data");
    glFontBegin(f);
    glLoadIdentity();
    glFontTextOut(everyByte);
    glFontTextOutc(everyByte);
    glFontTextOutr(everyByte);
    glFontEnd();
    glFinish();
    glFontDestroy(f);
    free(f);
    return 0;
}
