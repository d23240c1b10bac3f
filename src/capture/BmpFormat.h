#pragma once
// The BMP file format: file header, bitmap info header, and our own decoder
// and encoder. The capture frame file is a BMP, so the program owns this
// format rather than borrowing a library for it.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "capture/Bitmap.h"

namespace palvex {

constexpr uint16_t kBmpMagic = 19778;  // "BM"
constexpr uint32_t kBmpFileHeaderSize = 14;
constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitFields = 3;

struct TBitmapInfoHeader {
    uint32_t Size = kBitmapInfoHeaderSize;
    int32_t Width = 0;
    int32_t Height = 0;  // positive: rows stored bottom-up
    uint16_t Planes = 1;
    uint16_t BitCount = 0;
    uint32_t Compression = kBiRgb;
    uint32_t SizeImage = 0;
    int32_t XPelsPerMeter = 0;
    int32_t YPelsPerMeter = 0;
    uint32_t ClrUsed = 0;
    uint32_t ClrImportant = 0;
};

// A 40-byte uncompressed header; the image size counts padded rows.
TBitmapInfoHeader MakeBitmapHeader(int width, int height, int bits);
// Bytes of the pixel area of an uncompressed header, computed from its size
// and bit count (a stored image size is not trusted); nothing for compressed
// headers or sizes out of range.
std::optional<uint32_t> ImageBytesOf(const TBitmapInfoHeader& header);

// Reads the first 40 bytes of an info header (sizes of 40 and more).
std::optional<TBitmapInfoHeader> ReadBitmapHeader(std::span<const uint8_t> bytes);
void AppendBitmapHeader(std::vector<uint8_t>& out, const TBitmapInfoHeader& header);
// The 14-byte file header for an info header (with colour data) of
// headerBytes and a pixel area of imageBytes right behind it.
void AppendBmpFileHeader(std::vector<uint8_t>& out, uint32_t headerBytes, uint32_t imageBytes);

// Decodes a BMP file (1, 4, 8, 16, 24 or 32 bits, uncompressed, bit fields or
// run-length coded); nothing when the file is malformed, truncated or too big.
std::optional<TBitmap> DecodeBmp(std::span<const uint8_t> file);
// A 24-bit bottom-up BMP file of the bitmap.
std::vector<uint8_t> EncodeBmp(const TBitmap& bitmap);

}  // namespace palvex
