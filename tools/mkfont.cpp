// mkfont.cpp -- rasterises a monospace TrueType font into the game's font.fnt.
//
//   mkfont <out.fnt> <font.ttf>
//
// The game draws text from one luminance-alpha texture with mipmaps, one quad per character,
// anchored at the top of the line. Every glyph therefore gets a cell of the full line height and
// the same width (the advance), so a line is exactly 1.0 text unit tall and every character
// advances by the same dx.
//
// File layout (little-endian, no padding):
//   int32 texture name (0), int32 width, int32 height, int32 first char, int32 last char,
//   int32 table pointer (0), then per char six float32: dx, dy, tx1, ty1, tx2, ty2,
//   then width*height texels of two bytes (luminance, alpha), first row is t = 0.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

static const int kFirstChar = 32;
static const int kLastChar = 126;
// The layout of a line comes from the hinted font at 17 px per em: an 18 pixel line and a 10 pixel
// advance, so a character is 10/18 of a line wide.
static const int kLayoutPixelSize = 17;
// The glyphs are drawn this many texels per layout pixel (a 40 x 72 texel cell), so text stays sharp
// up to a title 60 units tall on a 4K screen; the game's mipmaps serve the small HUD text.
static const int kTexelsPerPixel = 4;
// Empty texels between cells, so that no mipmap level down to an eighth mixes neighbouring glyphs.
static const int kGap = 8;

struct Glyph {
    int left = 0, top = 0, width = 0, rows = 0; // bitmap placement relative to pen and baseline
    std::vector<uint8_t> coverage;
};

static int NextPowerOfTwo(int n) {
    int p = 1;
    while (p < n)
        p *= 2;
    return p;
}

static void PutInt(std::vector<uint8_t>& out, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

static void PutFloat(std::vector<uint8_t>& out, float f) {
    int32_t v;
    std::memcpy(&v, &f, sizeof v);
    PutInt(out, v);
}

static int Fail(const char* what, const char* detail) {
    std::fprintf(stderr, "mkfont: %s: %s\n", what, detail);
    return 1;
}

// Renders one character with antialiasing (hinted at the layout's size, lightly hinted at the
// atlas's); returns the advance in whole pixels.
static bool Render(FT_Face face, int c, FT_Int32 target, Glyph& g, int& advance) {
    if (FT_Load_Char(face, c, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP | target)) return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && g.rows > 0) return false;
    for (int r = 0; r < g.rows; r++)
        g.coverage.insert(g.coverage.end(), bm.buffer + r * bm.pitch, bm.buffer + r * bm.pitch + g.width);
    advance = static_cast<int>((slot->advance.x + 32) >> 6);
    return true;
}

// Renders every character; false when one fails or the font is not monospaced. advance is the
// common advance; ascent and descent the highest and lowest inked pixels of the whole set.
static bool RenderAll(FT_Face face, FT_Int32 target, std::vector<Glyph>& glyphs, int& advance, int& ascent,
                      int& descent) {
    glyphs.assign(kLastChar - kFirstChar + 1, Glyph());
    ascent = descent = 0;
    for (size_t i = 0; i < glyphs.size(); i++) {
        int a = 0;
        if (!Render(face, kFirstChar + static_cast<int>(i), target, glyphs[i], a)) return false;
        if (i == 0) advance = a;
        if (a != advance || a <= 0) return false;
        if (glyphs[i].rows == 0) continue;
        ascent = std::max(ascent, glyphs[i].top);
        descent = std::max(descent, glyphs[i].rows - glyphs[i].top);
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkfont <out.fnt> <font.ttf>\n");
        return 2;
    }
    const char* outPath = argv[1];
    const char* fontPath = argv[2];

    FT_Library lib;
    if (FT_Init_FreeType(&lib)) return Fail("cannot initialise FreeType", fontPath);
    FT_Face face;
    if (FT_New_Face(lib, fontPath, 0, &face)) return Fail("cannot open font", fontPath);
    if (FT_Set_Pixel_Sizes(face, 0, kLayoutPixelSize)) return Fail("cannot set pixel size", fontPath);

    // The layout's cell spans from the highest to the lowest inked pixel of the whole set, so no
    // glyph loses its top or bottom; its width is the advance, the same for every character.
    std::vector<Glyph> glyphs;
    int layoutW = 0, ascent = 0, descent = 0;
    if (!RenderAll(face, FT_LOAD_TARGET_NORMAL, glyphs, layoutW, ascent, descent))
        return Fail("cannot render a monospaced set", fontPath);
    const int layoutH = ascent + descent;
    if (layoutH <= 0) return Fail("font has no visible glyphs", fontPath);

    // The atlas's glyphs are drawn at the size whose advance fills the enlarged cell's width, and
    // centred in its height.
    const int cellW = layoutW * kTexelsPerPixel, cellH = layoutH * kTexelsPerPixel;
    if (FT_Load_Char(face, 'M', FT_LOAD_NO_SCALE)) return Fail("cannot measure", fontPath);
    const FT_Pos emSize = static_cast<FT_Pos>(64.0 * cellW * face->units_per_EM / face->glyph->advance.x);
    if (FT_Set_Char_Size(face, emSize, emSize, 72, 72)) return Fail("cannot set the atlas size", fontPath);
    int advance = 0;
    if (!RenderAll(face, FT_LOAD_TARGET_LIGHT, glyphs, advance, ascent, descent))
        return Fail("cannot render a monospaced set", fontPath);
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    const int baseline = (cellH - ascent - descent) / 2 + ascent;
    const int count = static_cast<int>(glyphs.size());

    // Pick the grid with the smallest power-of-two texture, preferring the squarer one.
    const int pitchX = cellW + kGap, pitchY = cellH + kGap;
    int cols = 0, texW = 0, texH = 0;
    for (int c = 1; c <= count; c++) {
        const int rows = (count + c - 1) / c;
        const int w = NextPowerOfTwo(c * pitchX), h = NextPowerOfTwo(rows * pitchY);
        const long area = static_cast<long>(w) * h, best = static_cast<long>(texW) * texH;
        if (cols == 0 || area < best || (area == best && std::max(w, h) < std::max(texW, texH))) {
            cols = c;
            texW = w;
            texH = h;
        }
    }

    std::vector<uint8_t> out;
    PutInt(out, 0);
    PutInt(out, texW);
    PutInt(out, texH);
    PutInt(out, kFirstChar);
    PutInt(out, kLastChar);
    PutInt(out, 0);

    // Glyph quads: a fixed advance and one line of height, texture corners at the cell edges.
    std::vector<uint8_t> alpha(static_cast<size_t>(texW) * texH, 0);
    const float dx = static_cast<float>(layoutW) / layoutH;
    for (int i = 0; i < count; i++) {
        const int x0 = (i % cols) * pitchX, y0 = (i / cols) * pitchY;
        const Glyph& g = glyphs[i];
        // Ink sticking out sideways past the advance is clipped so it cannot reach a neighbour.
        for (int r = 0; r < g.rows; r++)
            for (int c = 0; c < g.width; c++) {
                const int x = g.left + c, y = baseline - g.top + r;
                if (x >= 0 && x < cellW && y >= 0 && y < cellH)
                    alpha[static_cast<size_t>(y0 + y) * texW + x0 + x] =
                        g.coverage[static_cast<size_t>(r) * g.width + c];
            }
        PutFloat(out, dx);
        PutFloat(out, 1.0f);
        PutFloat(out, static_cast<float>(x0) / texW);
        PutFloat(out, static_cast<float>(y0) / texH);
        PutFloat(out, static_cast<float>(x0 + cellW) / texW);
        PutFloat(out, static_cast<float>(y0 + cellH) / texH);
    }

    // Additive blending scales the text colour by alpha, so luminance is simply full on.
    for (uint8_t a : alpha) {
        out.push_back(a ? 255 : 0);
        out.push_back(a);
    }

    FILE* f = std::fopen(outPath, "wb");
    if (!f) return Fail("cannot create", outPath);
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok) return Fail("cannot write", outPath);
    return 0;
}
