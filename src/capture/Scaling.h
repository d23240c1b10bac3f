#pragma once
// Making 24-bit bitmaps smaller: halving, nearest-neighbour and two-tap
// shrinking, and fitting into a box by a mix of them. Every operation works
// on the bitmap it is given and leaves its top-left corner at the origin.

#include "capture/Bitmap.h"

namespace palvex {

// min(1, maxW / w, maxH / h), with the height test applied last; 1 when w or h
// is not positive.
double ScaleFactor(int w, int h, int maxW, int maxH);

// True when the bitmap can be halved (half its width and height are >= 2).
bool CanHalve(const TBitmap& bitmap);
// Halves width and height by averaging 2 x 2 blocks; nothing when !CanHalve.
void HalfSize(TBitmap& bitmap);
// Shrinks to fit maxW x maxH by picking the nearest source pixels.
void ShrinkNearest(TBitmap& bitmap, int maxW, int maxH);
// Shrinks to fit maxW x maxH, averaging two neighbours where pixels are skipped.
void ShrinkAveraged(TBitmap& bitmap, int maxW, int maxH);
// Makes the bitmap fit maxW x maxH (keeping its aspect); true when it changed.
bool FitInto(TBitmap& bitmap, int maxW, int maxH);

}  // namespace palvex
