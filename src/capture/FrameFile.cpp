#include "capture/FrameFile.h"

#include <cstring>

#include "capture/YuvConvert.h"

namespace palvex {

namespace {

constexpr int kConvertedBits = 32;
constexpr int kRequestedBits = 24;

std::vector<uint8_t> HeaderBytes(const TBitmapInfoHeader& header) {
    std::vector<uint8_t> bytes;
    AppendBitmapHeader(bytes, header);
    return bytes;
}

}  // namespace

bool TFrameFile::Prepare(std::span<const uint8_t> driverFormat) {
    *this = TFrameFile();
    const std::optional<TBitmapInfoHeader> driver = ReadBitmapHeader(driverFormat);
    if (!driver) return false;
    const uint8_t kind = FormatKind(driver->Compression);
    if (kind == kFrameNone) {
        const TBitmapInfoHeader h = MakeBitmapHeader(kCaptureWidth, kCaptureHeight, kRequestedBits);
        Lay(HeaderBytes(h), h.SizeImage);
        return true;
    }
    const long long height =
        driver->Height < 0 ? -static_cast<long long>(driver->Height) : driver->Height;
    if (!TBitmap::SizeAllowed(driver->Width, height)) return false;
    if (kind == kFrameRgb) {
        const std::optional<uint32_t> imageBytes = ImageBytesOf(*driver);
        if (!imageBytes) return false;
        Lay(driverFormat, *imageBytes);
    } else {
        // Converted frames are bottom-up; a top-down YUV format is not known.
        if (driver->Height < 0) return false;
        const TBitmapInfoHeader h = MakeBitmapHeader(driver->Width, driver->Height, kConvertedBits);
        Lay(HeaderBytes(h), h.SizeImage);
    }
    kind_ = kind;
    width_ = driver->Width;
    height_ = static_cast<int>(height);
    return true;
}

void TFrameFile::Lay(std::span<const uint8_t> header, uint32_t imageBytes) {
    file_.clear();
    AppendBmpFileHeader(file_, static_cast<uint32_t>(header.size()), imageBytes);
    file_.insert(file_.end(), header.begin(), header.end());
    pixelStart_ = file_.size();
    file_.resize(pixelStart_ + imageBytes);
}

bool TFrameFile::StoreFrame(std::span<const uint8_t> frame) {
    const std::span<uint8_t> pixels = std::span(file_).subspan(pixelStart_);
    if (kind_ == kFrameNone) return false;
    if (kind_ != kFrameRgb) return ConvertFrame(kind_, frame, pixels, width_, height_);
    if (frame.size() < pixels.size()) return false;
    std::memcpy(pixels.data(), frame.data(), pixels.size());
    return true;
}

}  // namespace palvex
