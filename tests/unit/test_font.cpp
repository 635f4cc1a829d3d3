// The bitmap font: loading font files (good, missing and damaged) and placing text.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "flow/frame.h"
#include "flow/screens.h"
#include "glfont.h"
#include "harness.h"
#include "shell/display.h"
#include "shell/orientation.h"

namespace {

struct Glyph {
    float dx, dy, tx1, ty1, tx2, ty2;
};

// A font file as the loader expects it: header, glyph table, luminance-alpha texels.
struct FontFile {
    int32_t width = 4, height = 2, first = 'A', last = 'C';
    std::vector<Glyph> glyphs{
        {1.0f, 2.0f, 0.0f, 0.0f, 0.25f, 1.0f},
        {2.0f, 2.0f, 0.25f, 0.0f, 0.75f, 1.0f},
        {0.5f, 1.5f, 0.75f, 0.0f, 1.0f, 0.5f},
    };
    std::vector<uint8_t> texels{10, 255, 20, 128, 30, 0, 40, 255, 50, 255, 60, 64, 70, 32, 80, 255};

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out;
        auto put = [&out](uint32_t v) {
            for (int i = 0; i < 4; i++)
                out.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        auto putFloat = [&put](float f) {
            uint32_t v;
            memcpy(&v, &f, 4);
            put(v);
        };
        put(12345); // stored texture name, replaced on loading
        put(static_cast<uint32_t>(width));
        put(static_cast<uint32_t>(height));
        put(static_cast<uint32_t>(first));
        put(static_cast<uint32_t>(last));
        put(0xdeadbeef); // stored table pointer, ignored
        for (const Glyph& g : glyphs)
            for (float f : {g.dx, g.dy, g.tx1, g.ty1, g.tx2, g.ty2})
                putFloat(f);
        out.insert(out.end(), texels.begin(), texels.end());
        return out;
    }
};

void FreeFont(GLFONT* f) {
    if (!f) return;
    glFontDestroy(f);
    free(f);
}

float Area(const Polygons& polygons) {
    float area = 0;
    for (const auto& p : polygons) {
        float a = 0;
        for (size_t k = 0; k < p.size(); k++) {
            const FbVertex& u = p[k];
            const FbVertex& v = p[(k + 1) % p.size()];
            a += u.x * v.y - v.x * u.y;
        }
        area += std::fabs(a) / 2;
    }
    return area;
}

// Bounds of the drawn text in world units, relative to the anchor.
struct Box {
    float left, right, bottom, top;
};
Box Bounds(const Polygons& polygons, float ax, float ay) {
    Box b{1e9f, -1e9f, 1e9f, -1e9f};
    for (const auto& p : polygons)
        for (const FbVertex& v : p) {
            b.left = std::min(b.left, v.x - ax);
            b.right = std::max(b.right, v.x - ax);
            b.bottom = std::min(b.bottom, v.y - ay);
            b.top = std::max(b.top, v.y - ay);
        }
    return b;
}

class FontTest : public testing::Test {
  protected:
    GLuint tex = 0;
    GLFONT* loaded = nullptr;
    void SetUp() override {
        ResetWorld();
        glGenTextures(1, &tex);
    }
    void TearDown() override {
        glFontEnd();
        FreeFont(loaded);
        glDeleteTextures(1, &tex);
        ResetWorld();
    }
    GLFONT* Load(const FontFile& file, const char* name = "test.fnt") {
        FreeFont(loaded);
        loaded = glFontCreate(WriteFile(TempPath(name), file.Bytes()).c_str(), static_cast<int>(tex));
        return loaded;
    }
    // Text drawn with the font at an anchor and a scale, as the menu and the HUD place it.
    Polygons Text(GLFONT* f, void (*out)(const char*), const char* s, float ax = 20, float ay = 30,
                  float scale = 10) {
        return Feedback([&] { DrawText(f, out, s, ax, ay, 0, scale); });
    }
};

TEST_F(FontTest, LoadsAWrittenFont) {
    FontFile file;
    GLFONT* f = Load(file);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Tex, static_cast<int>(tex)) << "the stored name is replaced";
    EXPECT_EQ(f->TexWidth, 4);
    EXPECT_EQ(f->TexHeight, 2);
    EXPECT_EQ(f->IntStart, 'A');
    EXPECT_EQ(f->IntEnd, 'C');
    ASSERT_NE(f->Char, nullptr);
    for (int i = 0; i < 3; i++) {
        const Glyph& g = file.glyphs[i];
        const GLFONTCHAR& c = f->Char[i];
        EXPECT_EQ(c.dx, g.dx);
        EXPECT_EQ(c.dy, g.dy);
        EXPECT_EQ(c.tx1, g.tx1);
        EXPECT_EQ(c.ty1, g.ty1);
        EXPECT_EQ(c.tx2, g.tx2);
        EXPECT_EQ(c.ty2, g.ty2);
    }

    // The texels went into the given texture name, unchanged, as level 0 alone: clamped, sampled
    // texel for texel (nearest), modulating the current colour.
    glBindTexture(GL_TEXTURE_2D, tex);
    GLint w = 0, h = 0, format = 0, mag = 0, min = 0, wrapS = 0, wrapT = 0, env = 0, level1 = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 2);
    EXPECT_TRUE(format == 2 || format == GL_LUMINANCE_ALPHA) << format;
    EXPECT_EQ(level1, 0) << "no mipmaps";
    EXPECT_EQ(mag, GL_NEAREST);
    EXPECT_EQ(min, GL_NEAREST);
    EXPECT_EQ(wrapS, GL_CLAMP);
    EXPECT_EQ(wrapT, GL_CLAMP);
    EXPECT_EQ(env, GL_MODULATE);
    std::vector<uint8_t> back(16);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, file.texels);

    // Bytes after the texel data are not read; a missing file gives no font.
    std::vector<uint8_t> longer = file.Bytes();
    longer.resize(longer.size() + 100, 0xff);
    GLFONT* g = glFontCreate(WriteFile(TempPath("longer.fnt"), longer).c_str(), static_cast<int>(tex));
    EXPECT_NE(g, nullptr);
    FreeFont(g);
    EXPECT_EQ(glFontCreate(TempPath("no-such-font.fnt").c_str(), static_cast<int>(tex)), nullptr);
}

// The file's texel rows have no padding, whatever the width: every texel of an odd-width font
// lands in its own place (read back from the texture and from the drawn picture), and the
// upload leaves OpenGL's row alignment as it found it.
TEST_F(FontTest, OddWidthsLoadAndDrawEveryTexel) {
    const int scale = 9;
    for (int width : {1, 3, 5, 7, 2}) {
        SCOPED_TRACE("width " + std::to_string(width));
        FontFile file;
        file.width = width;
        file.height = 3;
        file.first = file.last = 'A';
        file.glyphs = {{float(width), 3.0f, 0.0f, 0.0f, 1.0f, 1.0f}}; // the whole texture
        file.texels.clear();
        for (int k = 0; k < width * file.height; k++)
            file.texels.insert(file.texels.end(), {uint8_t(30 + 10 * k), 255});
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        GLFONT* f = Load(file);
        ASSERT_NE(f, nullptr);
        GLint alignment = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        EXPECT_EQ(alignment, 4);

        std::vector<uint8_t> back(file.texels.size());
        glBindTexture(GL_TEXTURE_2D, tex);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, back.data());
        EXPECT_EQ(back, file.texels);

        // Drawn in white at 9 pixels a texel: the first row hangs just below the anchor.
        ClearFrame();
        glColor3f(1, 1, 1);
        DrawText(f, glFontTextOut, "A", 0, 0, 0, scale);
        for (int row = 0; row < file.height; row++)
            for (int column = 0; column < width; column++) {
                const Pixel p = WorldPixel((column + 0.5f) * scale, -(row + 0.5f) * scale);
                EXPECT_NEAR(p.r, file.texels[2 * (row * width + column)], 2)
                    << "texel " << column << ", " << row;
            }
    }
}

TEST_F(FontTest, AlignmentPlacesTheQuads) {
    GLFONT* f = Load(FontFile());
    ASSERT_NE(f, nullptr);
    // "AB" is 1 + 2 units wide and 2 tall; at scale 10 that is 30 x 20 hanging below the anchor.
    struct Case {
        void (*out)(const char*);
        float left, right;
    } cases[] = {{glFontTextOut, 0, 30}, {glFontTextOutc, -15, 15}, {glFontTextOutr, -30, 0}};
    for (const Case& c : cases) {
        Polygons p = Text(f, c.out, "AB");
        Box b = Bounds(p, 20, 30);
        EXPECT_NEAR(b.left, c.left, 1e-3f);
        EXPECT_NEAR(b.right, c.right, 1e-3f);
        EXPECT_NEAR(b.top, 0, 1e-3f);
        EXPECT_NEAR(b.bottom, -20, 1e-3f);
        EXPECT_NEAR(Area(p), 600, 0.1f);
    }
    // One glyph centred spans -dx/2 .. dx/2 and hangs dy below.
    Box one = Bounds(Text(f, glFontTextOutc, "C"), 20, 30);
    EXPECT_NEAR(one.left, -2.5f, 1e-3f);
    EXPECT_NEAR(one.right, 2.5f, 1e-3f);
    EXPECT_NEAR(one.bottom, -15, 1e-3f);

    // Each quad carries its glyph's texture corners: (tx1, ty1) at the top left, (tx2, ty2) bottom right.
    Polygons b = Text(f, glFontTextOut, "B");
    bool topLeft = false, bottomRight = false;
    for (const auto& poly : b)
        for (const FbVertex& v : poly) {
            const float x = v.x - 20, y = v.y - 30;
            if (std::fabs(x) < 1e-3f && std::fabs(y) < 1e-3f) {
                topLeft = true;
                EXPECT_NEAR(v.s, 0.25f, 1e-5f);
                EXPECT_NEAR(v.t, 0.0f, 1e-5f);
            }
            if (std::fabs(x - 20) < 1e-3f && std::fabs(y + 20) < 1e-3f) {
                bottomRight = true;
                EXPECT_NEAR(v.s, 0.75f, 1e-5f);
                EXPECT_NEAR(v.t, 1.0f, 1e-5f);
            }
        }
    EXPECT_TRUE(topLeft);
    EXPECT_TRUE(bottomRight);

    // Characters outside the font draw nothing and do not advance, in every alignment.
    for (const Case& c : cases) {
        Polygons p = Text(f, c.out,
                          "\x01"
                          "A@D\xC1"
                          "B\x7f");
        Box bx = Bounds(p, 20, 30);
        EXPECT_NEAR(bx.left, c.left, 1e-3f);
        EXPECT_NEAR(bx.right, c.right, 1e-3f);
        EXPECT_NEAR(Area(p), 600, 0.1f);
        EXPECT_TRUE(Text(f, c.out, "xyz\xff").empty());
        EXPECT_TRUE(Text(f, c.out, "").empty()) << "an empty string draws nothing";
    }
}

TEST_F(FontTest, TextOnlyInsideABracket) {
    GLFONT* f = Load(FontFile());
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(glFont, nullptr);
    glLoadIdentity();
    EXPECT_TRUE(Feedback([] { glFontTextOut("ABC"); }).empty());
    glFontBegin(f);
    EXPECT_EQ(glFont, f);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, static_cast<GLint>(tex));
    EXPECT_FALSE(Feedback([] { glFontTextOutc("ABC"); }).empty());
    glFontEnd();
    EXPECT_EQ(glFont, nullptr);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(Feedback([] {
                    glFontTextOut("ABC");
                    glFontTextOutc("ABC");
                    glFontTextOutr("ABC");
                }).empty());

    // No font (none loaded, or one whose table was freed) makes no font current.
    EXPECT_TRUE(Text(nullptr, glFontTextOut, "ABC").empty());
    GLFONT* g =
        glFontCreate(WriteFile(TempPath("second.fnt"), FontFile().Bytes()).c_str(), static_cast<int>(tex));
    ASSERT_NE(g, nullptr);
    glFontDestroy(g);
    EXPECT_EQ(g->Char, nullptr);
    EXPECT_TRUE(Text(g, glFontTextOutr, "ABC").empty());
    free(g);

    // Codes are signed bytes: a font of codes -2 .. -1 draws the bytes 0xFE and 0xFF.
    FontFile high;
    high.first = -2;
    high.last = -1;
    high.glyphs.resize(2);
    EXPECT_NEAR(Area(Text(Load(high), glFontTextOut,
                          "\xfe\xff"
                          "AB")),
                600, 0.1f)
        << "A and B are outside this font";
}

TEST_F(FontTest, DamagedFilesGiveNoFontOrASoundOne) {
    const std::vector<uint8_t> good = FontFile().Bytes();
    std::mt19937 rng(20240611);
    const int32_t extremes[] = {0, -1, 1, -100000, INT_MIN, INT_MAX, 65536, 4096, 4097, 255, 256, -128, -129};
    std::string everyByte;
    for (int c = 1; c < 256; c++)
        everyByte.push_back(static_cast<char>(c));
    int loaded = 0, refused = 0;
    for (int iter = 0; iter < 300; iter++) {
        std::vector<uint8_t> bytes = good;
        auto setInt = [&bytes](int offset, int32_t v) {
            for (int i = 0; i < 4; i++)
                bytes[offset + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
        };
        const int fields = 1 + static_cast<int>(rng() % 3);
        for (int k = 0; k < fields; k++) {
            const int offset = 4 + 4 * static_cast<int>(rng() % 4);
            switch (rng() % 4) {
            case 0:
                setInt(offset, extremes[rng() % (sizeof extremes / sizeof extremes[0])]);
                break;
            case 1:
                setInt(offset, static_cast<int32_t>(rng()));
                break;
            case 2:
                setInt(offset, static_cast<int32_t>(rng() % 600) - 300);
                break;
            default:
                bytes[rng() % 24] ^= static_cast<uint8_t>(1u << (rng() % 8));
                break;
            }
        }
        if (rng() % 4 == 0) { // IntEnd below IntStart (one below: an empty glyph table)
            setInt(12, 'C');
            setInt(16, 'C' - 1 - static_cast<int32_t>(rng() % 4));
        }
        if (rng() % 3 == 0) bytes.resize(rng() % (bytes.size() + 1)); // truncated
        if (rng() % 8 == 0) bytes.resize(bytes.size() + rng() % 2000, static_cast<uint8_t>(rng()));

        const std::string path = WriteFile(TempPath("fuzz.fnt"), bytes);
        GLFONT* f = glFontCreate(path.c_str(), static_cast<int>(tex));
        if (!f) {
            refused++;
            continue;
        }
        loaded++;
        SCOPED_TRACE(iter);
        // A font that loads describes data the file really held.
        ASSERT_NE(f->Char, nullptr);
        EXPECT_GE(f->TexWidth, 1);
        EXPECT_GE(f->TexHeight, 1);
        EXPECT_LE(f->IntStart, f->IntEnd);
        const double needed =
            24.0 + 24.0 * (double(f->IntEnd) - f->IntStart + 1) + 2.0 * f->TexWidth * f->TexHeight;
        EXPECT_LE(needed, static_cast<double>(bytes.size()));
        // Drawing every byte reads only the table (ASan watches the reads).
        Text(f, glFontTextOut, everyByte.c_str(), 0, 0, 0.01f);
        Text(f, glFontTextOutr, everyByte.c_str(), 0, 0, 0.01f);
        FreeFont(f);
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);

    // Claims larger than the file can hold.
    FontFile huge;
    huge.width = huge.height = 4096;
    EXPECT_EQ(Load(huge), nullptr);
    FontFile many;
    many.first = -128;
    many.last = 255;
    EXPECT_EQ(Load(many), nullptr);
    EXPECT_EQ(glFontCreate(WriteFile(TempPath("empty.fnt"), std::string()).c_str(), static_cast<int>(tex)),
              nullptr);

    // Sharp levels: records of the font's own glyph table, each half the size of the one before down
    // to 1 x 1; anything else is refused whole.
    GLFONT* f = Load(FontFile());
    ASSERT_NE(f, nullptr);
    auto sized = [](int w, int h) {
        FontFile level;
        level.width = w;
        level.height = h;
        level.texels.assign(2 * size_t(w) * h, 200);
        return level;
    };
    auto loadsSharp = [&](std::vector<FontFile> records, size_t cut = 0) {
        std::vector<uint8_t> bytes;
        for (const FontFile& r : records) {
            const std::vector<uint8_t> b = r.Bytes();
            bytes.insert(bytes.end(), b.begin(), b.end());
        }
        bytes.resize(bytes.size() - cut);
        return glFontLoadSharp(f, WriteFile(TempPath("sharp.fnt"), bytes).c_str());
    };
    FontFile other = sized(2, 1);
    other.glyphs[1].tx2 = 0.5f;
    EXPECT_TRUE(loadsSharp({sized(8, 4), sized(4, 2), sized(2, 1), sized(1, 1)}));
    EXPECT_FALSE(loadsSharp({sized(8, 4), sized(4, 2), sized(2, 1), sized(1, 1)}, 1)) << "cut short";
    EXPECT_FALSE(loadsSharp({sized(8, 4), sized(2, 1), sized(1, 1)})) << "a level left out";
    EXPECT_FALSE(loadsSharp({sized(4, 2), other, sized(1, 1)})) << "another glyph table";
    EXPECT_FALSE(glFontLoadSharp(f, TempPath("no-such-sharp.fnt").c_str()));
}

// ---------------------------------------------------------------- the game's font

const char* const kGameTexts[] = {
    " 0123456789-",
    "KORVEL",
    "1 PLAYER START",
    "2 PLAYER START",
    "EXIT",
    "GAME OVER",
    "PRESS FIRE",
    "PLAYER 1 WINS!",
    "PLAYER 2 WINS!",
    "DRAW!",
    "RESET HIGHSCORE: R     TOGGLE V-SYNC: V  (REQUIRES RESTART)",
};

// Rows and columns of the back buffer holding any light, in world coordinates.
struct Lit {
    int left = INT_MAX, right = INT_MIN, bottom = INT_MAX, top = INT_MIN;
    bool any() const { return left <= right; }
};
Lit LitPixels() {
    const std::vector<uint8_t> rgb = ReadScreen();
    Lit lit;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const uint8_t* p = &rgb[3 * (y * width + x)];
            if (std::max({p[0], p[1], p[2]}) > 60) {
                lit.left = std::min(lit.left, x - hw);
                lit.right = std::max(lit.right, x - hw);
                lit.bottom = std::min(lit.bottom, y - hh);
                lit.top = std::max(lit.top, y - hh);
            }
        }
    return lit;
}

TEST_F(FontTest, GameFontCoversTheGameText) {
    loaded = glFontCreate((std::string(KORVEL_DATA_DIR) + "/font.fnt").c_str(), static_cast<int>(tex));
    GLFONT* f = loaded;
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> texels(2 * size_t(f->TexWidth) * f->TexHeight);
    glBindTexture(GL_TEXTURE_2D, tex);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels.data());

    for (const char* text : kGameTexts)
        for (const char* c = text; *c; c++) {
            SCOPED_TRACE(std::string("character '") + *c + "' of \"" + text + "\"");
            ASSERT_GE(*c, f->IntStart);
            ASSERT_LE(*c, f->IntEnd);
            const GLFONTCHAR& g = f->Char[*c - f->IntStart];
            EXPECT_GT(g.dx, 0.0f);
            EXPECT_GT(g.dy, 0.0f);
            for (float t : {g.tx1, g.ty1, g.tx2, g.ty2}) {
                EXPECT_GE(t, 0.0f);
                EXPECT_LE(t, 1.0f);
            }
            // Every printable glyph has ink inside its own texture rectangle.
            const int x0 = static_cast<int>(std::floor(std::min(g.tx1, g.tx2) * f->TexWidth));
            const int x1 = static_cast<int>(std::ceil(std::max(g.tx1, g.tx2) * f->TexWidth));
            const int y0 = static_cast<int>(std::floor(std::min(g.ty1, g.ty2) * f->TexHeight));
            const int y1 = static_cast<int>(std::ceil(std::max(g.ty1, g.ty2) * f->TexHeight));
            int ink = 0;
            for (int y = std::max(y0, 0); y < std::min(y1, f->TexHeight); y++)
                for (int x = std::max(x0, 0); x < std::min(x1, f->TexWidth); x++)
                    ink += texels[2 * (size_t(y) * f->TexWidth + x) + 1] > 0;
            if (*c == ' ')
                EXPECT_EQ(ink, 0);
            else
                EXPECT_GT(ink, 3);
        }

    // The menu title: centred, scale 60, a band about 60 pixels tall below the anchor.
    auto draw = [f](const char* text, float x, float y, float z, float scale, bool centred) {
        ClearFrame();
        glColor3f(1, 1, 1);
        DrawText(f, centred ? glFontTextOutc : glFontTextOut, text, x, y, z, scale);
        return LitPixels();
    };
    const int titleY = qh + 20;
    Lit title = draw("KORVEL", 0, static_cast<float>(titleY), 50, 60, true);
    ASSERT_TRUE(title.any());
    EXPECT_LE(title.top, titleY);
    EXPECT_GE(title.bottom, titleY - 61);
    EXPECT_GE(title.top - title.bottom, 30) << "capitals fill most of the 60 pixel line";
    EXPECT_NEAR(title.left + title.right, 0, 8) << "centred on x = 0";
    EXPECT_GE(title.right - title.left, 150);

    // A score at the HUD's place: top left corner, scale 10.
    Lit scoreText = draw("1234567890", static_cast<float>(-hw), static_cast<float>(hh), 5, 10, false);
    ASSERT_TRUE(scoreText.any());
    EXPECT_LE(scoreText.top, hh - 1);
    EXPECT_GE(scoreText.bottom, hh - 11);
    EXPECT_GE(scoreText.top - scoreText.bottom, 4);
    EXPECT_GE(scoreText.left, -hw);
    EXPECT_LE(scoreText.left, -hw + 3);
    float advance = 0;
    for (const char* c = "1234567890"; *c; c++)
        advance += f->Char[*c - f->IntStart].dx;
    EXPECT_LE(scoreText.right, -hw + advance * 10 + 1);
    EXPECT_GE(scoreText.right - scoreText.left, advance * 10 * 0.7f);
}

// The font file's own texels, alpha only, read without the loader.
std::vector<uint8_t> FileAlpha(const std::string& path, const GLFONT& f) {
    const std::string bytes = ReadFile(path);
    const size_t first = 24 + 24 * size_t(f.IntEnd - f.IntStart + 1);
    std::vector<uint8_t> alpha(size_t(f.TexWidth) * f.TexHeight);
    for (size_t i = 0; i < alpha.size() && first + 2 * i + 1 < bytes.size(); i++)
        alpha[i] = static_cast<uint8_t>(bytes[first + 2 * i + 1]);
    return alpha;
}

// The values a pixel may take where text in white is drawn on black, one pixel a unit, from a
// texture sampled texel for texel: the alpha of the texel under the pixel's centre; where the
// centre lies on a quad's edge or a texel's border, either side's value. Per pixel of the window,
// bottom row first; none where no text is.
using Expected = std::vector<std::vector<int>>;

// Candidates of a coordinate that may round either way: its cell, and its neighbour when close.
std::vector<int> Cells(double v) {
    const double eps = 1e-3;
    const int cell = static_cast<int>(std::floor(v));
    std::vector<int> cells{cell};
    if (v - cell < eps) cells.push_back(cell - 1);
    if (cell + 1 - v < eps) cells.push_back(cell + 1);
    return cells;
}

// Adds the text where the font's own drawing puts it: anchor (ax, ay) in world units, scale,
// start at 0, -W / 2 or -W.
void AddText(Expected& e, const GLFONT& f, const std::vector<uint8_t>& alpha, const char* text, float ax,
             float ay, float scale, float align) {
    double x = 0;
    for (const char* c = text; *c; c++)
        x -= align * f.Char[*c - f.IntStart].dx;
    for (const char* c = text; *c; c++) {
        const GLFONTCHAR& g = f.Char[*c - f.IntStart];
        const double left = ax + x * scale, right = ax + (x + g.dx) * scale;
        const double top = ay, bottom = ay - g.dy * scale;
        for (int py = std::max(0, int(bottom + hh) - 1); py <= std::min(height - 1, int(top + hh) + 1); py++)
            for (int px = std::max(0, int(left + hw) - 1); px <= std::min(width - 1, int(right + hw) + 1);
                 px++) {
                const double cx = px + 0.5 - hw, cy = py + 0.5 - hh;
                const bool maybe = std::min({std::fabs(cx - left), std::fabs(cx - right), std::fabs(cy - top),
                                             std::fabs(cy - bottom)}) < 1e-3;
                if (!maybe && (cx < left || cx > right || cy < bottom || cy > top)) continue;
                std::vector<int>& v = e[size_t(py) * width + px];
                if (maybe) v.push_back(0);
                const double s = g.tx1 + (cx - left) / (right - left) * (g.tx2 - g.tx1);
                const double t = g.ty1 + (top - cy) / (top - bottom) * (g.ty2 - g.ty1);
                for (int column : Cells(s * f.TexWidth))
                    for (int row : Cells(t * f.TexHeight)) {
                        column = std::max(0, std::min(f.TexWidth - 1, column));
                        row = std::max(0, std::min(f.TexHeight - 1, row));
                        v.push_back(alpha[size_t(row) * f.TexWidth + column]);
                    }
            }
        x += g.dx;
    }
}

// At the world's own size, the HUD's scores and the title menu's texts are the font's texels, pixel
// for pixel, as the frame step draws them (polygon smoothing off), the score's "0" in full white; a
// larger picture draws from the sharp levels, filtered, and a smaller one from the font's own.
TEST_F(FontTest, MenuAndHudTextAreTheFontTexelForTexel) {
    const std::string path = std::string(KORVEL_DATA_DIR) + "/font.fnt";
    loaded = glFontCreate(path.c_str(), static_cast<int>(tex));
    ASSERT_NE(loaded, nullptr);
    font = loaded;
    const std::vector<uint8_t> alpha = FileAlpha(path, *loaded);
    auto drawHudAndMenu = [] {
        ClearFrame();
        glDisable(GL_POLYGON_SMOOTH);
        DrawHud();
        glLoadIdentity();
        glColor3f(1, 1, 1);
        Menu().update();
        glEnable(GL_POLYGON_SMOOTH);
        return ReadScreen();
    };
    const std::vector<uint8_t> rgb = drawHudAndMenu();
    Expected e(size_t(width) * height);
    const std::string help = "RESET HIGHSCORE: R     TOGGLE V-SYNC: V  (REQUIRES RESTART)";
    const struct {
        const char* text;
        float x, y, scale, align;
    } texts[] = {{"0", float(-hw), float(hh), 10, 0},       {"0", float(hw), float(hh), 10, 1},
                 {"KORVEL", 0, float(qh + 20), 60, 0.5f},   {"1 PLAYER START", 0, 0, 15, 0.5f},
                 {"2 PLAYER START", 0, -50, 15, 0.5f},      {"EXIT", 0, -100, 15, 0.5f},
                 {help.c_str(), 0, float(40 - hh), 6, 0.5f}};
    for (const auto& t : texts)
        AddText(e, *loaded, alpha, t.text, t.x, t.y, t.scale, t.align);
    int compared = 0, wrong = 0, solid = 0;
    for (size_t i = 0; i < e.size(); i++) {
        if (e[i].empty()) continue;
        compared++;
        const int got = rgb[3 * i];
        bool match = false;
        for (int v : e[i])
            match = match || std::abs(got - v) <= 1;
        if (!match && wrong++ < 10)
            ADD_FAILURE() << "pixel " << i % width << ", " << i / width << ": " << got;
        solid += i / width >= size_t(height - 10) && int(i % width) < 10 && got == 255;
    }
    EXPECT_EQ(wrong, 0) << "of " << compared;
    EXPECT_GE(solid, 6) << "the score's 0 is drawn from whole texels, its stems full white";

    // Twice the size: the sharp levels, largest first, filtered between and within.
    ASSERT_TRUE(glFontLoadSharp(loaded, (std::string(KORVEL_DATA_DIR) + "/font-sharp.fnt").c_str()));
    FitPicture(2 * WINDOW_WIDTH, 2 * WINDOW_HEIGHT);
    GLint w = 0, min = 0, mag = 0;
    glBindTexture(GL_TEXTURE_2D, tex);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    EXPECT_GT(w, loaded->TexWidth);
    EXPECT_EQ(min, GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(mag, GL_LINEAR);
    // One level holds the font's own texels.
    int own = 0;
    while (w > loaded->TexWidth && own < 16)
        glGetTexLevelParameteriv(GL_TEXTURE_2D, ++own, GL_TEXTURE_WIDTH, &w);
    ASSERT_EQ(w, loaded->TexWidth);
    std::vector<uint8_t> texels(2 * alpha.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, own, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels.data());
    int differ = 0;
    for (size_t i = 0; i < alpha.size(); i++)
        differ += texels[2 * i + 1] != alpha[i];
    EXPECT_EQ(differ, 0);

    // Back at the world's own size (or smaller: a 420 x 700 window), the font's own texture.
    FitPicture(WINDOW_WIDTH * 7 / 8, WINDOW_HEIGHT * 7 / 8);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(min, GL_NEAREST);
    EXPECT_EQ(w, loaded->TexWidth);
    FitPicture(WINDOW_WIDTH, WINDOW_HEIGHT);
    EXPECT_EQ(drawHudAndMenu(), rgb) << "back at the world's own size";
    font = nullptr;
}

} // namespace
