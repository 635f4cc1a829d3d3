// mkfont.cpp -- rasterises a monospace TrueType font into the game's font.fnt and its sharp levels.
//
//   mkfont <font.fnt> <font-sharp.fnt> <font.ttf>
//
// The game draws text from one luminance-alpha texture, one quad per character, anchored at the top
// of the line. Every glyph therefore gets a cell of the full line height and the same width (the
// advance), so a line is exactly 1.0 text unit tall and every character advances by the same dx.
//
// font.fnt is the font at the world's own size, sampled texel for texel (nearest) where the picture
// is 1 pixel a unit: the hinted font at 17 pixels per em, an 18 texel line and a 10 texel advance.
// Text is drawn from 6 to 60 pixels a line: 18 texels minify by exactly 2 at 9 pixel lines and 3 at 6,
// the 2-3 texel hinted stems survive at 10 and 15, and the 60 pixel title is magnified about 3x.
//
// font-sharp.fnt holds the mipmap levels a larger picture draws from with linear filtering: records
// in font.fnt's own format, one a level, largest first (SHARP_FACTOR times font.fnt's texture) down
// to 1 x 1, each with font.fnt's glyph table (the same normalised layout). Each level is rendered
// and hinted by FreeType at its own size, so small text stays as crisp as the font allows. One of
// them, at factor 1, is font.fnt's texture itself.
//
// File layout of a record (little-endian, no padding):
//   int32 texture name (0), int32 width, int32 height, int32 first char, int32 last char,
//   int32 table pointer (0), then per char six float32: dx, dy, tx1, ty1, tx2, ty2,
//   then width*height texels of two bytes (luminance, alpha), first row is t = 0.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

static const int FIRST_CHAR = 32;
static const int LAST_CHAR = 126;
static const int CHARS = LAST_CHAR - FIRST_CHAR + 1;
// Pixels per em of the font at the world's own size.
static const int PIXEL_SIZE = 17;
// Empty texels between cells at factor 1: the levels down to a half keep a clear texel between
// neighbouring glyphs, so linear filtering never mixes them.
static const int GAP = 2;
// The largest sharp level, in texels per texel of font.fnt: a 72 texel line, for titles up to about
// 60 units at the picture scales of large screens.
static const int SHARP_FACTOR = 4;

struct Glyph {
    int left = 0, top = 0, width = 0, rows = 0, advance = 0; // pixels, relative to pen and baseline
    std::vector<uint8_t> coverage;
};

// The texture's grid: cell and pitch in texels at factor 1, columns, and the texture's size.
struct Layout {
    int cellW = 0, cellH = 0, ascent = 0, pitchX = 0, pitchY = 0, cols = 0, texW = 0, texH = 0;
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

// Renders every character hinted and antialiased at pixels per em (26.6 fixed point); false when
// one fails.
static bool RenderAll(FT_Face face, FT_F26Dot6 size, std::vector<Glyph>& glyphs) {
    if (FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(size, 1), 72, 72)) return false;
    glyphs.assign(CHARS, Glyph());
    for (int i = 0; i < CHARS; i++) {
        if (FT_Load_Char(face, FIRST_CHAR + i, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL))
            return false;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        Glyph& g = glyphs[i];
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int>(bm.width);
        g.rows = static_cast<int>(bm.rows);
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && g.rows > 0) return false;
        for (int r = 0; r < g.rows; r++)
            g.coverage.insert(g.coverage.end(), bm.buffer + r * bm.pitch, bm.buffer + r * bm.pitch + g.width);
    }
    return true;
}

// The cell spans from the highest to the lowest inked pixel of the whole set, so no glyph loses its
// top or bottom; its width is the advance, the same for every character. The grid is the one with
// the smallest power-of-two texture, preferring the squarer one. False for a font that is not
// monospaced or has no ink.
static bool PlanLayout(const std::vector<Glyph>& glyphs, Layout& l) {
    int descent = 0;
    for (const Glyph& g : glyphs) {
        if (g.advance != glyphs[0].advance || g.advance <= 0) return false;
        if (g.rows == 0) continue;
        l.ascent = std::max(l.ascent, g.top);
        descent = std::max(descent, g.rows - g.top);
    }
    l.cellW = glyphs[0].advance;
    l.cellH = l.ascent + descent;
    if (l.cellH <= 0) return false;
    l.pitchX = l.cellW + GAP;
    l.pitchY = l.cellH + GAP;
    for (int c = 1; c <= CHARS; c++) {
        const int rows = (CHARS + c - 1) / c;
        const int w = NextPowerOfTwo(c * l.pitchX), h = NextPowerOfTwo(rows * l.pitchY);
        const long area = static_cast<long>(w) * h, best = static_cast<long>(l.texW) * l.texH;
        if (l.cols == 0 || area < best || (area == best && std::max(w, h) < std::max(l.texW, l.texH))) {
            l.cols = c;
            l.texW = w;
            l.texH = h;
        }
    }
    return true;
}

// One record of the layout at factor (texels per texel of font.fnt), its glyphs rendered at that
// size: each placed on its cell's baseline, centred on the cell's width and clipped to the cell, so
// ink sticking out sideways past the advance cannot reach a neighbour.
static std::vector<uint8_t> Record(const Layout& l, const std::vector<Glyph>& glyphs, double factor) {
    const int texW = std::max(1, static_cast<int>(l.texW * factor));
    const int texH = std::max(1, static_cast<int>(l.texH * factor));
    std::vector<uint8_t> out;
    PutInt(out, 0);
    PutInt(out, texW);
    PutInt(out, texH);
    PutInt(out, FIRST_CHAR);
    PutInt(out, LAST_CHAR);
    PutInt(out, 0);
    std::vector<uint8_t> alpha(static_cast<size_t>(texW) * texH, 0);
    for (int i = 0; i < CHARS; i++) {
        const int x0 = (i % l.cols) * l.pitchX, y0 = (i / l.cols) * l.pitchY;
        const int left = static_cast<int>(std::floor(x0 * factor));
        const int top = static_cast<int>(std::floor(y0 * factor));
        const int right = std::min(texW, static_cast<int>(std::ceil((x0 + l.cellW) * factor)));
        const int bottom = std::min(texH, static_cast<int>(std::ceil((y0 + l.cellH) * factor)));
        const Glyph& g = glyphs[i];
        const int penX = left + static_cast<int>(std::lround((l.cellW * factor - g.advance) / 2));
        const int baseline = top + static_cast<int>(std::lround(l.ascent * factor));
        for (int r = 0; r < g.rows; r++)
            for (int c = 0; c < g.width; c++) {
                const int x = penX + g.left + c, y = baseline - g.top + r;
                if (x >= left && x < right && y >= top && y < bottom)
                    alpha[static_cast<size_t>(y) * texW + x] =
                        g.coverage[static_cast<size_t>(r) * g.width + c];
            }
        // Glyph quads: a fixed advance and one line of height, texture corners at the cell edges.
        PutFloat(out, static_cast<float>(l.cellW) / l.cellH);
        PutFloat(out, 1.0f);
        PutFloat(out, static_cast<float>(x0) / l.texW);
        PutFloat(out, static_cast<float>(y0) / l.texH);
        PutFloat(out, static_cast<float>(x0 + l.cellW) / l.texW);
        PutFloat(out, static_cast<float>(y0 + l.cellH) / l.texH);
    }
    // Additive blending scales the text colour by alpha, so luminance is simply full on.
    for (uint8_t a : alpha) {
        out.push_back(a ? 255 : 0);
        out.push_back(a);
    }
    return out;
}

static int Write(const char* path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return Fail("cannot create", path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) return Fail("cannot write", path);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: mkfont <font.fnt> <font-sharp.fnt> <font.ttf>\n");
        return 2;
    }
    const char* fontPath = argv[3];
    FT_Library lib;
    if (FT_Init_FreeType(&lib)) return Fail("cannot initialise FreeType", fontPath);
    FT_Face face;
    if (FT_New_Face(lib, fontPath, 0, &face)) return Fail("cannot open font", fontPath);

    std::vector<Glyph> glyphs;
    Layout layout;
    if (!RenderAll(face, PIXEL_SIZE * 64, glyphs) || !PlanLayout(glyphs, layout))
        return Fail("cannot render a monospaced set", fontPath);
    const std::vector<uint8_t> font = Record(layout, glyphs, 1);

    // Levels from SHARP_FACTOR down to the one whose texture is 1 x 1.
    std::vector<uint8_t> sharp;
    const int levels = static_cast<int>(std::log2(std::max(layout.texW, layout.texH) * SHARP_FACTOR)) + 1;
    for (int level = 0; level < levels; level++) {
        const double factor = static_cast<double>(SHARP_FACTOR) / (1 << level);
        if (!RenderAll(face, static_cast<FT_F26Dot6>(std::lround(PIXEL_SIZE * 64 * factor)), glyphs))
            return Fail("cannot render the sharp levels", fontPath);
        const std::vector<uint8_t> record = Record(layout, glyphs, factor);
        sharp.insert(sharp.end(), record.begin(), record.end());
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    if (int status = Write(argv[1], font)) return status;
    return Write(argv[2], sharp);
}
