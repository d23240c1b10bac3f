#pragma once
// Baseline JPEG compression of 24-bit bitmaps.

#include <string>

#include "capture/Bitmap.h"

namespace palvex {

// Compresses the bitmap as a baseline JPEG with quality 1..100; empty when the
// bitmap is empty or the compression fails.
std::string EncodeJpeg(const TBitmap& bitmap, int quality);

// The best quality (95 down to 10 in steps of 5) whose JPEG has at most
// maxBytes bytes; the quality-10 JPEG when none is small enough; only the
// quality-95 JPEG when maxBytes <= 0.
std::string EncodeJpegWithin(const TBitmap& bitmap, long long maxBytes);

}  // namespace palvex
