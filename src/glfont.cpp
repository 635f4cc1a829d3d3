// glfont.cpp -- loading "font.fnt" and drawing text with it.
#include "glfont.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "shell/platform.h"

GLFONT* glFont = nullptr;
GLFONT* font = nullptr;
int fontID = 0;

// Limits of a font file we accept: larger claims come from a damaged or hostile file.
static const int MAX_TEXTURE_SIDE = 4096;
static const int HEADER_BYTES = 24;
static const int GLYPH_BYTES = 24;
// Most levels a sharp file may hold: a side of MAX_TEXTURE_SIDE halves down to 1 in 13.
static const size_t MAX_LEVELS = 13;

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

// Whether the header describes a font that fits the bytes left in its file and sane limits.
static bool HeaderFits(const GLFONT& h, long bytesLeft) {
    if (h.TexWidth < 1 || h.TexHeight < 1 || h.TexWidth > MAX_TEXTURE_SIDE || h.TexHeight > MAX_TEXTURE_SIDE)
        return false;
    if (h.IntStart < -128 || h.IntEnd > 255 || h.IntEnd < h.IntStart) return false;
    long glyphs = long(h.IntEnd) - h.IntStart + 1;
    long needed = HEADER_BYTES + glyphs * GLYPH_BYTES + 2L * h.TexWidth * h.TexHeight;
    return needed <= bytesLeft;
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

// One texture image: its size and luminance-alpha texels.
struct Level {
    int width = 0, height = 0;
    std::vector<unsigned char> texels;
};

// Reads one font record from f's position, with bytesLeft bytes from there to the file's end: the
// header and the glyph table into font (its table allocated), the texels into level. False when it
// is short, damaged or beyond the limits.
static bool ReadRecord(FILE* f, long bytesLeft, GLFONT* font, Level& level) {
    unsigned char header[HEADER_BYTES];
    if (fread(header, 1, sizeof header, f) != sizeof header) return false;
    font->TexWidth = LittleInt(header + 4);
    font->TexHeight = LittleInt(header + 8);
    font->IntStart = LittleInt(header + 12);
    font->IntEnd = LittleInt(header + 16);
    if (!HeaderFits(*font, bytesLeft) || !ReadGlyphs(f, font)) return false;
    level.width = font->TexWidth;
    level.height = font->TexHeight;
    level.texels.resize(2 * size_t(level.width) * size_t(level.height));
    return fread(level.texels.data(), 1, level.texels.size(), f) == level.texels.size();
}

// Makes texture tex hold the given levels as its mipmap levels 0, 1 ...: sampled texel for texel
// (nearest, one level), or filtered linearly between and within the levels (sharp).
static void UploadTexture(int tex, bool sharp, const Level* levels, size_t count) {
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, FONT_WRAP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, FONT_WRAP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sharp ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sharp ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // The rows have no padding: OpenGL's default of 4-byte aligned rows would shift every row of an
    // odd-width image and read past the buffer's end.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (size_t i = 0; i < count; i++)
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), FONT_INTERNAL_FORMAT, levels[i].width,
                     levels[i].height, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, levels[i].texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

// A bad file is treated as a missing one: nothing is kept and nothing leaks.
GLFONT* glFontCreate(const char* FileName, int Tex) {
    FILE* f = fopen(FileName, "rb");
    if (!f) return nullptr;
    GLFONT* result = static_cast<GLFONT*>(calloc(1, sizeof(GLFONT)));
    Level level;
    bool ok = result && ReadRecord(f, FileSize(f), result, level);
    fclose(f);
    if (ok) {
        result->Tex = Tex;
        UploadTexture(Tex, false, &level, 1);
        return result;
    }
    if (result) glFontDestroy(result);
    free(result);
    return nullptr;
}

// Per run: the sharp levels of one font (the game's), largest first, and whether its texture holds
// them now (else its own texture, as glFontCreate made it).
static const GLFONT* sharpFont = nullptr;
static std::vector<Level> sharpLevels;
static bool sharpShown = false;

// Whether a record read from a sharp file has Font's characters and glyph table.
static bool SameLayout(const GLFONT& font, const GLFONT& level) {
    return level.IntStart == font.IntStart && level.IntEnd == font.IntEnd &&
           memcmp(level.Char, font.Char, sizeof(GLFONTCHAR) * (font.IntEnd - font.IntStart + 1)) == 0;
}

// Reads a sharp file's levels: each of Font's layout and half the size of the one before (down to
// 1), the last 1 x 1.
static bool ReadLevels(FILE* f, const GLFONT* Font, std::vector<Level>& levels) {
    const long size = FileSize(f);
    for (long at = 0; at < size; at = ftell(f)) {
        if (levels.size() == MAX_LEVELS || at < 0) return false;
        GLFONT record{};
        Level level;
        bool ok = ReadRecord(f, size - at, &record, level) && SameLayout(*Font, record);
        free(record.Char);
        if (!ok) return false;
        if (!levels.empty() && (level.width != std::max(levels.back().width / 2, 1) ||
                                level.height != std::max(levels.back().height / 2, 1)))
            return false;
        levels.push_back(std::move(level));
    }
    return !levels.empty() && levels.back().width == 1 && levels.back().height == 1;
}

// The level of levels that is Font's own texture, or none.
static const Level* OwnLevel(const std::vector<Level>& levels, const GLFONT* Font) {
    for (const Level& level : levels)
        if (level.width == Font->TexWidth && level.height == Font->TexHeight) return &level;
    return nullptr;
}

bool glFontLoadSharp(GLFONT* Font, const char* FileName) {
    if (!Font || !Font->Char) return false;
    FILE* f = fopen(FileName, "rb");
    if (!f) return false;
    std::vector<Level> levels;
    const bool ok = ReadLevels(f, Font, levels) && OwnLevel(levels, Font);
    fclose(f);
    if (!ok) return false;
    sharpFont = Font;
    sharpLevels = std::move(levels);
    sharpShown = false;
    return true;
}

void glFontUseScale(GLFONT* Font, float scale) {
    if (!Font || Font != sharpFont) return;
    const bool sharp = scale > 1;
    if (sharp == sharpShown) return;
    if (sharp)
        UploadTexture(Font->Tex, true, sharpLevels.data(), sharpLevels.size());
    else
        UploadTexture(Font->Tex, false, OwnLevel(sharpLevels, Font), 1);
    sharpShown = sharp;
}

static void ForgetSharp() {
    sharpFont = nullptr;
    sharpLevels.clear();
    sharpShown = false;
}

void glFontDestroy(GLFONT* Font) {
    if (!Font) return;
    if (Font == sharpFont) ForgetSharp();
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
