#include "capture/BitmapFont.h"

#include <algorithm>
#include <array>

namespace palvex {

namespace {

struct TGlyph {
    char Char;
    // Rows from the top; bit 4 is the leftmost column.
    std::array<uint8_t, kGlyphHeight> Rows;
};

// Only the characters of the built-in pictures; add glyphs as texts need them.
constexpr TGlyph kGlyphs[] = {
    {'C', {0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110}},
    {'a', {0b00000, 0b00000, 0b01110, 0b00001, 0b01111, 0b10001, 0b01111}},
    {'e', {0b00000, 0b00000, 0b01110, 0b10001, 0b11111, 0b10000, 0b01110}},
    {'f', {0b00110, 0b01001, 0b01000, 0b11100, 0b01000, 0b01000, 0b01000}},
    {'i', {0b00100, 0b00000, 0b01100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {'l', {0b01100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110}},
    {'m', {0b00000, 0b00000, 0b11010, 0b10101, 0b10101, 0b10101, 0b10101}},
    {'n', {0b00000, 0b00000, 0b10110, 0b11001, 0b10001, 0b10001, 0b10001}},
    {'o', {0b00000, 0b00000, 0b01110, 0b10001, 0b10001, 0b10001, 0b01110}},
};

const TGlyph* FindGlyph(char c) {
    for (const TGlyph& g : kGlyphs)
        if (g.Char == c) return &g;
    return nullptr;
}

void DrawGlyph(TBitmap& bitmap, int x, int y, const TGlyph& glyph, int scale, TColor color) {
    for (int row = 0; row < kGlyphHeight; ++row)
        for (int col = 0; col < kGlyphWidth; ++col)
            if (glyph.Rows[row] & (1 << (kGlyphWidth - 1 - col)))
                FillRect(bitmap, x + col * scale, y + row * scale, x + (col + 1) * scale,
                         y + (row + 1) * scale, color);
}

}  // namespace

void FillRect(TBitmap& bitmap, int left, int top, int right, int bottom, TColor color) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, bitmap.Width());
    bottom = std::min(bottom, bitmap.Height());
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            uint8_t* p = bitmap.Pixel(x, y);
            p[0] = color.Blue;
            p[1] = color.Green;
            p[2] = color.Red;
        }
}

void DrawText(TBitmap& bitmap, int x, int y, std::string_view text, int scale, TColor color) {
    scale = std::max(scale, 1);
    for (char c : text) {
        if (const TGlyph* glyph = FindGlyph(c)) DrawGlyph(bitmap, x, y, *glyph, scale, color);
        x += kGlyphAdvance * scale;
    }
}

}  // namespace palvex
