#pragma once
// The webcam below the virtual folder "*cam": a demo page, a script that
// shows and reloads the picture in any page, and the picture itself as JPEG
// (the newest camera frame, or a grey "Cam offline" picture).

#include <chrono>
#include <cstdint>
#include <string>

#include "server/ServerThread.h"

namespace palvex {

// Widths from 1 to this get the half-size picture.
constexpr int kSmallPictureMaxWidth = 200;
// A size's JPEG is made at most once in this time, however many visitors poll.
constexpr std::chrono::milliseconds kFrameReuseTime{500};
// An image request is shown in the log at most once in this time (ms).
constexpr int32_t kImageLogInterval = 59999;
// JPEG quality of each quality mode of GetFrameJpeg.
constexpr int kFrameQuality[] = {92, 80, 70};
constexpr int kOfflineQuality = 80;

// One size of the frame cache.
struct TFrameSlot {
    std::string Jpeg;
    uint32_t FrameNo = 0;
    // Local milliseconds within the hour when Jpeg was made.
    int32_t EncodedAt = 0;
    // The same on a steady clock: the reuse test must not be fooled by the
    // hour wrapping around.
    std::chrono::steady_clock::time_point EncodedSteady{};
    int32_t LastLoggedAt = 0;
    std::string OfflineJpeg;
};

struct TFrameJpeg {
    std::string Jpeg;
    int Slot = 0;  // 0 full size, 1 half size
    bool Live = false;
};

// The router's entry for every path below "*cam" (u"*cam\\image.jpg").
void CamRequest(THttpServerThread& conn, const std::u16string& path);
void CamDemoPage(THttpServerThread& conn);
void CamScript(THttpServerThread& conn);
void CamImage(THttpServerThread& conn);

// The picture for a requested width: the cached JPEG when it is younger than
// kFrameReuseTime or the frame has not changed, a fresh encoding otherwise,
// the offline picture (Live false) without a frame. qualityMode 0..2.
TFrameJpeg GetFrameJpeg(int width, int qualityMode);
// The grey offline picture, 320 x 240 or (small) 160 x 120.
std::string MakeOfflineJpeg(bool small);

// A copy of a cache slot (for tests and diagnostics), and emptying the cache.
TFrameSlot FrameSlot(int index);
void ResetFrameCache();

}  // namespace palvex
