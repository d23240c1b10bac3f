#pragma once
// The built-in capture source: the moving test pattern in a chosen raw
// format, so every conversion runs without a camera.

#include <chrono>
#include <mutex>
#include <thread>

#include "capture/CaptureSource.h"
#include "capture/PreviewTimer.h"

namespace palvex {

class TTestPatternSource final : public TCaptureSource {
  public:
    // kind is a conversion kind of FormatKind (kFrameRgb for 24-bit BGR);
    // the size is rounded down to whole pixel groups (at least 8 x 4).
    explicit TTestPatternSource(uint8_t kind, int width = 320, int height = 240);
    ~TTestPatternSource() override;
    TTestPatternSource(const TTestPatternSource&) = delete;
    TTestPatternSource& operator=(const TTestPatternSource&) = delete;

    bool Start(TFrameCallback onFrame) override;
    void Stop() override;
    std::vector<uint8_t> DriverFormat() const override;
    bool GrabFrame() override;
    void SetPreview(bool on) override;

  private:
    const uint8_t kind_;
    const int width_;
    const int height_;
    std::mutex deliveryMutex_;  // held while a frame is made and delivered
    TFrameCallback onFrame_;
    uint32_t frameNumber_ = 0;
    TPreviewTimer preview_;
};

}  // namespace palvex
