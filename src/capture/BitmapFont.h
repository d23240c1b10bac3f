#pragma once
// A small built-in bitmap font (5 x 7 cells) for the texts the program draws
// into pictures itself, so no font library or font file is needed.

#include <cstdint>
#include <string_view>

#include "capture/Bitmap.h"

namespace palvex {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = kGlyphWidth + 1;

struct TColor {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
};

// Draws text with its top-left corner at (x, y), every font pixel as a
// scale x scale square; pixels outside the bitmap are skipped. Characters
// the font does not have advance like a blank.
void DrawText(TBitmap& bitmap, int x, int y, std::string_view text, int scale, TColor color);

// Fills the rectangle [left, right) x [top, bottom), clipped to the bitmap.
void FillRect(TBitmap& bitmap, int left, int top, int right, int bottom, TColor color);

}  // namespace palvex
