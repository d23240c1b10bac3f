#pragma once
// A camera through the Linux video-capture interface (V4L2): opens a device,
// negotiates 320 x 240 in the first format it offers that we can convert,
// and reads frames with memory-mapped buffers or plain reads.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "capture/BmpFormat.h"
#include "capture/CaptureSource.h"
#include "capture/PreviewTimer.h"

namespace palvex {

// Longest wait for one frame from the device.
constexpr std::chrono::milliseconds kV4l2FrameWait{2000};
// Memory-mapped buffers asked of the driver.
constexpr uint32_t kV4l2BufferCount = 4;

// The driver pixel formats we can convert, best first; nothing when none of
// the offered formats (V4L2 four-character codes) is among them.
std::optional<uint32_t> ChooseV4l2Format(std::span<const uint32_t> offered);
// The bitmap info header our converters expect for a V4L2 pixel format of
// the given size; nothing for formats without a converter. 24-bit BGR is
// stored top-down, as the driver delivers it.
std::optional<TBitmapInfoHeader> HeaderForV4l2Format(uint32_t pixelFormat, int width, int height);

// One plane of a raw frame: rows of payload bytes, each rowStride bytes apart
// in the driver's buffer and packedStride bytes apart in our layout.
struct TV4l2Plane {
    int Rows = 0;
    size_t RowBytes = 0;
    size_t DriverStride = 0;
    size_t PackedStride = 0;
};
// The planes of a format with the driver's line length bytesPerLine.
std::vector<TV4l2Plane> V4l2Planes(uint32_t pixelFormat, int width, int height,
                                   uint32_t bytesPerLine);
// Copies a driver frame into our layout; false when the frame is too short.
bool PackV4l2Frame(std::span<const uint8_t> frame, std::span<const TV4l2Plane> planes,
                   std::vector<uint8_t>& out);

class TV4l2Source final : public TCaptureSource {
  public:
    explicit TV4l2Source(std::string devicePath) : path_(std::move(devicePath)) {}
    ~TV4l2Source() override;
    TV4l2Source(const TV4l2Source&) = delete;
    TV4l2Source& operator=(const TV4l2Source&) = delete;

    bool Start(TFrameCallback onFrame) override;
    void Stop() override;
    std::vector<uint8_t> DriverFormat() const override;
    bool GrabFrame() override;
    void SetPreview(bool on) override;

  private:
    struct TBuffer {
        void* Start = nullptr;
        size_t Length = 0;
    };

    bool Negotiate();
    bool StartStreaming();
    void CloseDevice();
    bool WaitReadable();
    bool ReadOneFrame();
    bool DequeueNewestFrame();
    void Deliver(std::span<const uint8_t> raw);

    const std::string path_;
    std::mutex deviceMutex_;  // held while the device is used or a frame delivered
    int fd_ = -1;
    bool streaming_ = false;
    std::vector<TBuffer> buffers_;
    std::vector<uint8_t> readBuffer_;
    std::vector<uint8_t> packed_;
    std::vector<TV4l2Plane> planes_;
    TBitmapInfoHeader header_;
    TFrameCallback onFrame_;
    TPreviewTimer preview_;
};

}  // namespace palvex
