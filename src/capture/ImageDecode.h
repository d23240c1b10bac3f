#pragma once
// Decoding image files (BMP, GIF, JPEG, PNG, TIFF) into 24-bit bitmaps. Every
// decoder takes the whole file in memory, refuses pictures beyond the bitmap
// limits and answers nothing for files it cannot read, however malformed.

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "capture/Bitmap.h"
#include "capture/BmpFormat.h"

namespace palvex {

// Larger files are not read at all.
constexpr size_t kMaxImageFileBytes = 256 * 1024 * 1024;

// The JPEG scale in eighths (1 to 8) for a picture that only has to fit a
// fitEdge square: the largest reduction that still leaves the longer side at
// least twice fitEdge, so the final shrink has pixels to average. 8 (full
// size) when fitEdge is not positive or the picture fits already.
int JpegScaleEighths(long long width, long long height, int fitEdge);

// Decoders of one format each; GIF yields its first frame on its screen.
// A positive fitEdge lets JPEG decode at the reduced scale above, which is
// what makes thumbnails of camera pictures cheap; the others ignore it.
std::optional<TBitmap> DecodeJpeg(std::span<const uint8_t> file, int fitEdge = 0);
std::optional<TBitmap> DecodePng(std::span<const uint8_t> file);
std::optional<TBitmap> DecodeGif(std::span<const uint8_t> file);
std::optional<TBitmap> DecodeTiff(std::span<const uint8_t> file);

// Decodes by the file's signature (not its name).
std::optional<TBitmap> DecodeImage(std::span<const uint8_t> file, int fitEdge = 0);
// Reads and decodes the file at a wide path; nothing when it cannot.
std::optional<TBitmap> LoadImageAsBitmap(const std::u16string& path, int fitEdge = 0);

}  // namespace palvex
