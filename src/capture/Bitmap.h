#pragma once
// The picture currency of the capture and imaging code: 24-bit pixels, bytes
// blue, green, red, rows from the top, each row padded to four bytes as in a
// device-independent bitmap.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace palvex {

// Largest edge and pixel count any bitmap may have; decoders refuse bigger
// pictures before allocating anything.
constexpr int kMaxBitmapSide = 32767;
constexpr long long kMaxBitmapPixels = 64LL * 1024 * 1024;
constexpr int kBytesPerPixel = 3;

class TBitmap {
  public:
    TBitmap() = default;

    // True when width and height are within the limits above (both >= 1).
    static bool SizeAllowed(long long width, long long height);
    // Resizes to width x height, all pixels black; false (and left empty) when
    // the size is not allowed.
    bool Create(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    size_t Stride() const { return stride_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
    const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }
    uint8_t* Pixel(int x, int y) { return Row(y) + static_cast<size_t>(x) * kBytesPerPixel; }
    const uint8_t* Pixel(int x, int y) const {
        return Row(y) + static_cast<size_t>(x) * kBytesPerPixel;
    }

    // Keeps the top-left newWidth x newHeight pixels (both no larger than now).
    void Cut(int newWidth, int newHeight);

  private:
    int width_ = 0;
    int height_ = 0;
    size_t stride_ = 0;
    std::vector<uint8_t> pixels_;
};

// Row length in bytes of a bitmap row of the given width and bit count,
// rounded up to four bytes.
size_t PaddedRowBytes(long long width, int bitsPerPixel);

}  // namespace palvex
