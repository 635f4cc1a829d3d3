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

// The next smaller mipmap level of w x h luminance-alpha texels: each texel the mean of 2 x 2 (the
// last row or column repeated on odd sides), its luminance weighted by alpha, so the clear texels
// around a glyph do not darken its edge.
static std::vector<unsigned char> HalveTexels(const std::vector<unsigned char>& texels, int w, int h) {
    const int halfW = std::max(w / 2, 1), halfH = std::max(h / 2, 1);
    std::vector<unsigned char> half(2 * size_t(halfW) * halfH);
    for (int y = 0; y < halfH; y++)
        for (int x = 0; x < halfW; x++) {
            int lightAlpha = 0, light = 0, alpha = 0;
            for (int k = 0; k < 4; k++) {
                const int sx = std::min(2 * x + k % 2, w - 1), sy = std::min(2 * y + k / 2, h - 1);
                const unsigned char* texel = &texels[2 * (size_t(sy) * w + sx)];
                lightAlpha += texel[0] * texel[1];
                light += texel[0];
                alpha += texel[1];
            }
            unsigned char* out = &half[2 * (size_t(y) * halfW + x)];
            out[0] = static_cast<unsigned char>(alpha > 0 ? lightAlpha / alpha : light / 4);
            out[1] = static_cast<unsigned char>((alpha + 2) / 4);
        }
    return half;
}

// Uploads level 0 and every smaller mipmap level down to 1 x 1 into the bound texture.
static void UploadMipmaps(std::vector<unsigned char> texels, int w, int h) {
    // The rows have no padding: OpenGL's default of 4-byte aligned rows would shift every row of an
    // odd-width level and read past the buffer's end.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int level = 0;; level++) {
        glTexImage2D(GL_TEXTURE_2D, level, GL_LUMINANCE_ALPHA, w, h, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE,
                     texels.data());
        if (w == 1 && h == 1) break;
        texels = HalveTexels(texels, w, h);
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

// Text is drawn from a few pixels a line to a whole 4K screen's title: mipmaps keep it sharp and
// unflickering when the texels are minified, linear filtering smooth when they are magnified.
static bool UploadTexels(FILE* f, const GLFONT* font) {
    std::vector<unsigned char> texels(2 * size_t(font->TexWidth) * size_t(font->TexHeight));
    if (fread(texels.data(), 1, texels.size(), f) != texels.size()) return false;
    glBindTexture(GL_TEXTURE_2D, font->Tex);
    // Clamped to the edge texel and named by their format, as WebGL too understands them.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    UploadMipmaps(std::move(texels), font->TexWidth, font->TexHeight);
    return true;
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
