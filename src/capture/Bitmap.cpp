#include "capture/Bitmap.h"

#include <cstring>

namespace palvex {

bool TBitmap::SizeAllowed(long long width, long long height) {
    return width >= 1 && height >= 1 && width <= kMaxBitmapSide && height <= kMaxBitmapSide &&
           width * height <= kMaxBitmapPixels;
}

bool TBitmap::Create(int width, int height) {
    *this = TBitmap();
    if (!SizeAllowed(width, height)) return false;
    width_ = width;
    height_ = height;
    stride_ = PaddedRowBytes(width, 8 * kBytesPerPixel);
    pixels_.assign(stride_ * static_cast<size_t>(height), 0);
    return true;
}

void TBitmap::Cut(int newWidth, int newHeight) {
    if (newWidth >= width_ && newHeight >= height_) return;
    if (newWidth <= 0 || newHeight <= 0) {
        *this = TBitmap();
        return;
    }
    if (newWidth > width_) newWidth = width_;
    if (newHeight > height_) newHeight = height_;
    const size_t newStride = PaddedRowBytes(newWidth, 8 * kBytesPerPixel);
    // Rows only move towards the front, so copying in order never overwrites
    // a row that is still to be read.
    for (int y = 0; y < newHeight; ++y)
        std::memmove(pixels_.data() + y * newStride, Row(y), newStride);
    width_ = newWidth;
    height_ = newHeight;
    stride_ = newStride;
    pixels_.resize(stride_ * static_cast<size_t>(height_));
    pixels_.shrink_to_fit();
}

size_t PaddedRowBytes(long long width, int bitsPerPixel) {
    return static_cast<size_t>((width * bitsPerPixel + 31) / 32 * 4);
}

}  // namespace palvex
