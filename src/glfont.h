// glfont.h -- the bitmap font: one luminance-alpha texture, one textured quad per character.
#pragma once

// One glyph, in text units and texture coordinates.
struct GLFONTCHAR {
    float dx, dy;   // width (also the advance) and height
    float tx1, ty1; // texture s, t of the left and top edges
    float tx2, ty2; // texture s, t of the right and bottom edges
};

// A loaded font; glFontCreate allocates it, the caller owns it.
struct GLFONT {
    int Tex;          // OpenGL texture name
    int TexWidth;     // texels
    int TexHeight;    // texels
    int IntStart;     // code of the first glyph
    int IntEnd;       // code of the last glyph
    GLFONTCHAR* Char; // IntEnd - IntStart + 1 glyphs
};

// The font made current by glFontBegin; none outside a glFontBegin / glFontEnd bracket.
extern GLFONT* glFont;
// Per run: the game's font (none when "font.fnt" is missing or damaged) and its texture name.
extern GLFONT* font;
extern int fontID;

// Loads a font file into texture Tex; none when the file is missing, short or damaged.
GLFONT* glFontCreate(const char* FileName, int Tex);
// Frees the glyph table (and forgets the font's sharp levels).
void glFontDestroy(GLFONT* Font);
// Loads the sharp levels of Font from FileName: font records of Font's glyph table, largest first,
// each half the size of the one before down to 1 x 1, one of them Font's own texture. Returns false
// (and changes nothing) when the file is missing, damaged or not of Font. One font at a time has them.
bool glFontLoadSharp(GLFONT* Font, const char* FileName);
// Fits Font's texture to a picture of scale pixels per unit: at 1, the world's own size, and below,
// the texture glFontCreate made, sampled texel for texel; larger, the sharp levels as mipmaps,
// filtered linearly, each level drawn for its own size. Nothing for a font without sharp levels.
void glFontUseScale(GLFONT* Font, float scale);
void glFontBegin(GLFONT* Font);
void glFontEnd();
// Draw String hanging below the origin: starting at it, centred on it, ending at it.
void glFontTextOut(const char* String);
void glFontTextOutc(const char* String);
void glFontTextOutr(const char* String);
