#include "capture/TestPatternSource.h"

#include <algorithm>

#include "capture/BmpFormat.h"
#include "capture/TestPattern.h"
#include "capture/YuvConvert.h"

namespace palvex {

namespace {

constexpr int kGroupWidth = 8;   // the widest pixel group of any raw format
constexpr int kGroupHeight = 4;  // the tallest chroma block of any raw format

struct TRawFormat {
    uint8_t Kind;
    uint32_t Compression;
    uint16_t BitCount;
};

constexpr TRawFormat kRawFormats[] = {
    {kFrameRgb, kBiRgb, 24},
    {kFrameYuy2, MakeFourCC('Y', 'U', 'Y', '2'), 16},
    {kFrameUyvy, MakeFourCC('U', 'Y', 'V', 'Y'), 16},
    {kFrameY41p, MakeFourCC('Y', '4', '1', 'P'), 12},
    {kFrameYvu9, MakeFourCC('Y', 'V', 'U', '9'), 9},
    {kFrameI420, MakeFourCC('I', '4', '2', '0'), 12},
    {kFrameY8, MakeFourCC('Y', '8', ' ', ' '), 8},
    {kFrameY211, MakeFourCC('Y', '2', '1', '1'), 8},
};

const TRawFormat& RawFormatOf(uint8_t kind) {
    for (const TRawFormat& f : kRawFormats)
        if (f.Kind == kind) return f;
    return kRawFormats[0];
}

int RoundDown(int value, int group) {
    return std::max(value / group * group, group);
}

}  // namespace

TTestPatternSource::TTestPatternSource(uint8_t kind, int width, int height)
    : kind_(RawFormatOf(kind).Kind),
      width_(RoundDown(std::min(width, kMaxBitmapSide), kGroupWidth)),
      height_(RoundDown(std::min(height, kMaxBitmapSide), kGroupHeight)) {}

TTestPatternSource::~TTestPatternSource() {
    Stop();
}

bool TTestPatternSource::Start(TFrameCallback onFrame) {
    std::lock_guard lock(deliveryMutex_);
    onFrame_ = std::move(onFrame);
    return true;
}

void TTestPatternSource::Stop() {
    SetPreview(false);
    std::lock_guard lock(deliveryMutex_);
    onFrame_ = nullptr;
}

std::vector<uint8_t> TTestPatternSource::DriverFormat() const {
    const TRawFormat& f = RawFormatOf(kind_);
    TBitmapInfoHeader h = MakeBitmapHeader(width_, height_, f.BitCount);
    h.Compression = f.Compression;
    h.SizeImage = kind_ == kFrameRgb ? h.SizeImage
                                     : static_cast<uint32_t>(RawFrameBytes(kind_, width_, height_));
    std::vector<uint8_t> bytes;
    AppendBitmapHeader(bytes, h);
    return bytes;
}

bool TTestPatternSource::GrabFrame() {
    std::lock_guard lock(deliveryMutex_);
    if (!onFrame_) return false;
    const std::vector<uint8_t> frame =
        PackRawFrame(DrawTestPattern(width_, height_, frameNumber_++), kind_);
    onFrame_(frame);
    return true;
}

void TTestPatternSource::SetPreview(bool on) {
    preview_.Set(on, [this] { GrabFrame(); });
}

}  // namespace palvex
