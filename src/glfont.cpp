// glfont.cpp -- loading "font.fnt" and drawing text with it.
#include "glfont.h"

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

GLFONT* glFont = nullptr;
GLFONT* font = nullptr;
int fontID = 0;

// Limits of a font file we accept: larger claims come from a damaged or hostile file.
static const int MAX_TEXTURE_SIDE = 4096;
static const int HEADER_BYTES = 24;
static const int GLYPH_BYTES = 24;

static int32_t LittleInt(const unsigned char* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

static float LittleFloat(const unsigned char* p) {
    uint32_t bits = static_cast<uint32_t>(LittleInt(p));
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
}

static long FileSize(FILE* f) {
    if (fseek(f, 0, SEEK_END) != 0) return -1;
    long size = ftell(f);
    if (fseek(f, 0, SEEK_SET) != 0) return -1;
    return size;
}

// Whether the header describes a font that fits the file's real size and sane limits.
static bool HeaderFits(const GLFONT& h, long fileSize) {
    if (h.TexWidth < 1 || h.TexHeight < 1 || h.TexWidth > MAX_TEXTURE_SIDE || h.TexHeight > MAX_TEXTURE_SIDE)
        return false;
    if (h.IntStart < -128 || h.IntEnd > 255 || h.IntEnd < h.IntStart) return false;
    long glyphs = long(h.IntEnd) - h.IntStart + 1;
    long needed = HEADER_BYTES + glyphs * GLYPH_BYTES + 2L * h.TexWidth * h.TexHeight;
    return needed <= fileSize;
}

static bool ReadGlyphs(FILE* f, GLFONT* font) {
    int count = font->IntEnd - font->IntStart + 1;
    font->Char = static_cast<GLFONTCHAR*>(malloc(sizeof(GLFONTCHAR) * count));
    if (!font->Char) return false;
    for (int i = 0; i < count; i++) {
        unsigned char record[GLYPH_BYTES];
        if (fread(record, 1, sizeof record, f) != sizeof record) return false;
        float v[6];
        for (int k = 0; k < 6; k++)
            v[k] = LittleFloat(record + 4 * k);
        font->Char[i] = {v[0], v[1], v[2], v[3], v[4], v[5]};
    }
    return true;
}

static bool UploadTexels(FILE* f, const GLFONT* font) {
    size_t bytes = 2 * size_t(font->TexWidth) * size_t(font->TexHeight);
    unsigned char* texels = static_cast<unsigned char*>(malloc(bytes));
    if (!texels) return false;
    bool ok = fread(texels, 1, bytes, f) == bytes;
    if (ok) {
        glBindTexture(GL_TEXTURE_2D, font->Tex);
        // Clamped to the edge texel and named by their format, as WebGL too understands them; with
        // nearest filtering GL_CLAMP would show the same texels.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        // The file's rows have no padding: OpenGL's default of 4-byte aligned rows would shift every
        // row of an odd-width texture and read past the buffer's end.
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, font->TexWidth, font->TexHeight, 0,
                     GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels);
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    }
    free(texels);
    return ok;
}

// A bad file is treated as a missing one: nothing is kept and nothing leaks.
GLFONT* glFontCreate(const char* FileName, int Tex) {
    FILE* f = fopen(FileName, "rb");
    if (!f) return nullptr;
    GLFONT* result = static_cast<GLFONT*>(calloc(1, sizeof(GLFONT)));
    unsigned char header[HEADER_BYTES];
    bool ok = result && fread(header, 1, sizeof header, f) == sizeof header;
    if (ok) {
        result->Tex = Tex;
        result->TexWidth = LittleInt(header + 4);
        result->TexHeight = LittleInt(header + 8);
        result->IntStart = LittleInt(header + 12);
        result->IntEnd = LittleInt(header + 16);
        ok = HeaderFits(*result, FileSize(f)) && fseek(f, HEADER_BYTES, SEEK_SET) == 0 &&
             ReadGlyphs(f, result) && UploadTexels(f, result);
    }
    fclose(f);
    if (ok) return result;
    if (result) glFontDestroy(result);
    free(result);
    return nullptr;
}

void glFontDestroy(GLFONT* Font) {
    if (!Font) return;
    free(Font->Char);
    Font->Char = nullptr;
}

void glFontBegin(GLFONT* Font) {
    glFont = (Font && Font->Char) ? Font : nullptr;
    if (!glFont) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glFont->Tex);
}

void glFontEnd() {
    glFont = nullptr;
    glDisable(GL_TEXTURE_2D);
}

// The glyph of c, or none for a character outside the font: it draws nothing and does not advance.
static const GLFONTCHAR* Glyph(char c) {
    int code = static_cast<signed char>(c);
    if (code < glFont->IntStart || code > glFont->IntEnd) return nullptr;
    return &glFont->Char[code - glFont->IntStart];
}

static float TextWidth(const char* s) {
    float w = 0;
    for (; *s; s++)
        if (const GLFONTCHAR* g = Glyph(*s)) w += g->dx;
    return w;
}

static void TextOutFrom(float x, const char* s) {
    glBegin(GL_QUADS);
    for (; *s; s++) {
        const GLFONTCHAR* g = Glyph(*s);
        if (!g) continue;
        glTexCoord2f(g->tx1, g->ty1);
        glVertex2f(x, 0);
        glTexCoord2f(g->tx1, g->ty2);
        glVertex2f(x, -g->dy);
        glTexCoord2f(g->tx2, g->ty2);
        glVertex2f(x + g->dx, -g->dy);
        glTexCoord2f(g->tx2, g->ty1);
        glVertex2f(x + g->dx, 0);
        x += g->dx;
    }
    glEnd();
}

void glFontTextOut(const char* String) {
    if (glFont && String) TextOutFrom(0, String);
}

void glFontTextOutc(const char* String) {
    if (glFont && String) TextOutFrom(-TextWidth(String) / 2, String);
}

void glFontTextOutr(const char* String) {
    if (glFont && String) TextOutFrom(-TextWidth(String), String);
}
