#pragma once
// Camera pixel formats: which conversion a driver format needs, and the
// conversion of YUV frames into 32-bit bottom-up bitmap rows (B, G, R, 0).

#include <cstddef>
#include <cstdint>
#include <span>

namespace palvex {

// Conversion kinds of FormatKind; kNone means frames are ignored.
enum : uint8_t {
    kFrameNone = 0,
    kFrameRgb = 1,  // uncompressed RGB or bit fields: stored as delivered
    kFrameYuy2 = 2,
    kFrameUyvy = 3,
    kFrameY41p = 4,
    kFrameYvu9 = 5,
    kFrameI420 = 6,
    kFrameY8 = 7,
    kFrameY211 = 8,
};

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

// The conversion kind for a bitmap header's compression code.
uint8_t FormatKind(uint32_t compression);

// Packs the three samples as YuvToRgb takes them.
constexpr uint32_t PackYuv(uint8_t y, uint8_t u, uint8_t v) {
    return uint32_t{y} | uint32_t{u} << 8 | uint32_t{v} << 16;
}
// Studio-range YUV (Y in bits 0..7, U 8..15, V 16..23) to a pixel with B in
// bits 0..7, G 8..15, R 16..23; each channel truncated, then clamped.
uint32_t YuvToRgb(uint32_t packed);

// Bytes a raw frame of the kind and size must have; 0 for kinds without a
// converter or sizes out of range.
size_t RawFrameBytes(uint8_t kind, int width, int height);

// Converts a raw top-down frame of kinds 2..8 into a bottom-up 32-bit pixel
// area of width x height; false for other kinds, bad sizes, or a source or
// destination that is too short. A trailing partial pixel group is left as is.
bool ConvertFrame(uint8_t kind, std::span<const uint8_t> source, std::span<uint8_t> destination,
                  int width, int height);

}  // namespace palvex
