#pragma once
// Writers for the test pictures: each format is produced by its own library,
// so the decoders are checked against files they did not write themselves.

#include <cstdint>
#include <string>
#include <vector>

#include "capture/Bitmap.h"

namespace palvex::testing {

// A picture whose pixels all differ: blue = 16x, green = 20y, red = x + y.
TBitmap TestPicture(int width, int height);
// A smooth picture, as a camera would see it: blue rises from left to right,
// green from top to bottom, red is constant 128.
TBitmap SmoothPicture(int width, int height);
bool SamePixelsWithin(const TBitmap& a, const TBitmap& b, int tolerance);

std::vector<uint8_t> WritePng(const TBitmap& bitmap);
// Palette of the picture's distinct colours (at most 256); interlaced on request.
std::vector<uint8_t> WriteGif(const TBitmap& bitmap, bool interlaced);
std::vector<uint8_t> WriteTiff(const TBitmap& bitmap, const std::string& scratchPath);

}  // namespace palvex::testing
