#pragma once
// The process-wide capture state: one running camera source, the newest frame
// as a bitmap and the count of frames stored since program start.
//
// Lock order: (HookLock, held by request handlers) -> the capture control lock
// -> the source's own locks -> FrameLock. Nothing here ever takes HookLock,
// so a request handler may call every operation; none may be called between
// LockLatestFrame and UnlockFrame, because a frame is stored under FrameLock.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "capture/Bitmap.h"
#include "capture/CaptureSource.h"

namespace palvex {

// Frames stored since program start; 0 = no frame yet; never reset.
extern std::atomic<uint32_t> FrameCounter;

// The camera used when nobody names one.
constexpr std::string_view kDefaultCameraDevice = "/dev/video0";
// Environment variable that chooses the camera ("test" for the test pattern).
constexpr const char* kCameraEnvironmentVariable = "PALVEX_CAMERA";
// A control operation waits this long for another one to finish.
constexpr std::chrono::milliseconds kCaptureControlWait{3000};

// The source a camera text names: "test" or "test:<format>" (rgb, yuy2,
// uyvy, y41p, yvu9, i420, y8, y211; case ignored) for the moving test
// pattern, anything else for the V4L2 device at that path; null for an
// empty text or an unknown test format.
std::unique_ptr<TCaptureSource> MakeCaptureSource(std::string_view choice);

// The camera StartCapture opens: the last one set (an empty text forgets
// it), else the environment variable, else kDefaultCameraDevice.
std::string CameraChoice();
void SetCameraChoice(std::string_view choice);

// Switches capture on with the chosen camera; true when it runs (also when it
// was running already). False leaves nothing open.
bool StartCapture();
// The same with a given source (tests, other front ends).
bool StartCaptureWith(std::unique_ptr<TCaptureSource> source);
// Switches capture off and drops the frame bitmap (so the pages show the
// offline picture); FrameCounter keeps its value.
void StopCapture();
bool CaptureRunning();

// Periodic frames for a live view; only while capture runs.
void StartPreview();
void StopPreview();

// Asks the running source for a fresh frame and stores it before returning.
// Safe inside HookLock: waits only on capture locks, each for a bounded time.
void RequestFrame();

// The newest frame with FrameLock held, or null (and no lock held) when
// there is none. A non-null answer must be followed by UnlockFrame.
const TBitmap* LockLatestFrame();
void UnlockFrame();
// Local milliseconds within the hour at which the newest frame was stored.
uint32_t LatestFrameTime();

// The program's camera switch: a non-empty choice (see MakeCaptureSource)
// becomes the camera and is started; an empty one starts the camera of the
// environment variable when that is set, else does nothing. True when
// capture runs afterwards.
bool StartCameraFromSetting(std::string_view choice);

// Local milliseconds within the hour: (minute x 60 + second) x 1000 + ms.
uint32_t MillisecondsOfHour();

}  // namespace palvex
