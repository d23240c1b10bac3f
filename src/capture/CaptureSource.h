#pragma once
// A source of raw camera frames: a video device or the built-in test
// pattern. The capture state above it owns one source, starts it, turns the
// periodic preview on and off, and asks for single frames; every frame
// arrives through one callback together with the format fixed at start.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace palvex {

class TCaptureSource {
  public:
    // Receives one raw frame; the bytes are valid only during the call.
    using TFrameCallback = std::function<void(std::span<const uint8_t> frame)>;

    virtual ~TCaptureSource() = default;

    // Opens the source and fixes its frame format; false (nothing left open)
    // when there is no device. Frames go to onFrame from then on.
    virtual bool Start(TFrameCallback onFrame) = 0;
    // Ends delivery and closes the source; returns only after a callback in
    // progress has finished. Must not be called from the callback.
    virtual void Stop() = 0;
    // The frame format as a bitmap info header (possibly followed by colour
    // data): width, height, compression code, bit count. Valid after Start.
    virtual std::vector<uint8_t> DriverFormat() const = 0;
    // Delivers one frame on the calling thread; the callback has run when it
    // returns true. False when the source is not started or has no frame.
    virtual bool GrabFrame() = 0;
    // Turns periodic delivery (on a thread of the source) on or off.
    virtual void SetPreview(bool on) = 0;
};

}  // namespace palvex
