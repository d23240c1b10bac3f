#pragma once
// The newest camera frame as an in-memory BMP file: file header, bitmap info
// header, pixel area. Uncompressed driver formats are stored as delivered
// with the driver's own header; YUV formats are converted to 32-bit rows.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "capture/Bitmap.h"
#include "capture/BmpFormat.h"

namespace palvex {

// The size asked of every camera; kept in the header when the driver's own
// format has no converter.
constexpr int kCaptureWidth = 320;
constexpr int kCaptureHeight = 240;

class TFrameFile {
  public:
    // Lays out the file for frames in driverFormat (a bitmap info header,
    // possibly followed by colour data); false when that is not a usable
    // header. A format without converter gives kind 0 and stores no frames.
    bool Prepare(std::span<const uint8_t> driverFormat);

    uint8_t Kind() const { return kind_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<uint8_t>& Bytes() const { return file_; }

    // Copies or converts one raw frame into the pixel area; false (the area
    // unchanged for short frames) when the frame is rejected or kind is 0.
    bool StoreFrame(std::span<const uint8_t> frame);
    // Decodes the file as it stands into a 24-bit bitmap.
    std::optional<TBitmap> Decode() const { return DecodeBmp(file_); }

  private:
    void Lay(std::span<const uint8_t> header, uint32_t imageBytes);

    uint8_t kind_ = 0;
    int width_ = 0;
    int height_ = 0;
    size_t pixelStart_ = 0;
    std::vector<uint8_t> file_;
};

}  // namespace palvex
