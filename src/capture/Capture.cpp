#include "capture/Capture.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <optional>

#include "capture/FrameFile.h"
#include "capture/TestPatternSource.h"
#include "capture/V4l2Source.h"
#include "capture/YuvConvert.h"
#include "common/SystemTime.h"
#include "common/TextConv.h"

namespace palvex {

std::atomic<uint32_t> FrameCounter{0};

namespace {

// Guards the frame bitmap and the frame time; held by the frame callback
// while it stores a frame and by readers from LockLatestFrame to UnlockFrame.
std::mutex FrameLock;

constexpr std::string_view kTestPatternName = "test";

struct TTestFormatName {
    std::string_view Name;
    uint8_t Kind;
};

constexpr TTestFormatName kTestFormats[] = {
    {"rgb", kFrameRgb},   {"bgr24", kFrameRgb},   {"yuy2", kFrameYuy2}, {"yuyv", kFrameYuy2},
    {"uyvy", kFrameUyvy}, {"y41p", kFrameY41p},   {"yvu9", kFrameYvu9}, {"yvu410", kFrameYvu9},
    {"i420", kFrameI420}, {"yuv420", kFrameI420}, {"y8", kFrameY8},     {"grey", kFrameY8},
    {"y211", kFrameY211},
};

// A lock whose waits can be bounded, made of a plain mutex and a condition
// variable (std::timed_mutex waits through a call the thread checker cannot
// follow, which would hide real findings behind false ones).
class TBoundedLock {
  public:
    bool try_lock_for(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        if (!free_.wait_for(lock, wait, [this] { return !busy_; })) return false;
        busy_ = true;
        return true;
    }
    void lock() {
        std::unique_lock lock(mutex_);
        free_.wait(lock, [this] { return !busy_; });
        busy_ = true;
    }
    void unlock() {
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        free_.notify_one();
    }

  private:
    std::mutex mutex_;
    std::condition_variable free_;
    bool busy_ = false;
};

// Everything the control operations share. The frame file is written by the
// frame callback only, under its own lock, because a source may deliver from
// its preview thread and from a grabbing thread.
struct TCaptureState {
    TBoundedLock Control;
    std::unique_ptr<TCaptureSource> Source;
    std::atomic<bool> PreviewOn{false};
    std::atomic<bool> GrabWanted{false};
    std::mutex StoreLock;
    TFrameFile FrameFile;
    std::mutex SpecLock;
    std::optional<std::string> Choice;
};

TCaptureState& State() {
    // Never freed: a late frame callback on a source thread stays safe at exit.
    static TCaptureState* state = new TCaptureState;
    return *state;
}

// The newest frame, guarded by FrameLock; never freed, like the state.
struct TLatestFrame {
    std::optional<TBitmap> Bitmap;
    uint32_t Time = 0;
};

TLatestFrame& Latest() {
    static TLatestFrame* latest = new TLatestFrame;
    return *latest;
}

std::optional<uint8_t> TestFormatKind(std::string_view name) {
    if (name.empty()) return kFrameYuy2;
    for (const TTestFormatName& f : kTestFormats)
        if (EqualsNoCase(f.Name, name)) return f.Kind;
    return std::nullopt;
}

// The frame callback: converts the raw frame into the frame file, then
// decodes that into the frame bitmap and counts it.
void OnFrame(std::span<const uint8_t> frame) {
    TCaptureState& s = State();
    if (!s.PreviewOn && !s.GrabWanted) return;
    std::lock_guard store(s.StoreLock);
    if (s.FrameFile.Kind() == kFrameNone || !s.FrameFile.StoreFrame(frame)) return;
    std::optional<TBitmap> bitmap = s.FrameFile.Decode();
    if (!bitmap) return;
    std::lock_guard lock(FrameLock);
    Latest().Bitmap = std::move(bitmap);
    Latest().Time = MillisecondsOfHour();
    ++FrameCounter;
}

// Lays out the frame file for the running source's format.
bool PrepareFrameFormat(TCaptureSource& source) {
    TCaptureState& s = State();
    std::lock_guard store(s.StoreLock);
    return s.FrameFile.Prepare(source.DriverFormat());
}

void ClearFrameFile() {
    TCaptureState& s = State();
    std::lock_guard store(s.StoreLock);
    s.FrameFile = TFrameFile();
}

// Stops and drops the source; the control lock is held by the caller.
void StopLocked() {
    TCaptureState& s = State();
    if (s.Source) {
        s.Source->Stop();
        s.Source.reset();
    }
    s.PreviewOn = false;
    s.GrabWanted = false;
    ClearFrameFile();
    std::lock_guard lock(FrameLock);
    Latest().Bitmap.reset();
}

std::unique_lock<TBoundedLock> LockControl() {
    return std::unique_lock(State().Control, kCaptureControlWait);
}

}  // namespace

uint32_t MillisecondsOfHour() {
    const TSystemTime t = GetLocalTimeNow();
    return (t.Minute * 60u + t.Second) * 1000u + t.Milliseconds;
}

std::unique_ptr<TCaptureSource> MakeCaptureSource(std::string_view choice) {
    choice = TrimBlanks(choice);
    if (choice.empty()) return nullptr;
    const std::string_view head = choice.substr(0, choice.find(':'));
    if (!EqualsNoCase(head, kTestPatternName))
        return std::make_unique<TV4l2Source>(std::string(choice));
    const std::string_view format =
        head.size() < choice.size() ? choice.substr(head.size() + 1) : std::string_view();
    const std::optional<uint8_t> kind = TestFormatKind(format);
    if (!kind) return nullptr;
    return std::make_unique<TTestPatternSource>(*kind);
}

std::string CameraChoice() {
    TCaptureState& s = State();
    std::lock_guard lock(s.SpecLock);
    if (s.Choice) return *s.Choice;
    const char* env = std::getenv(kCameraEnvironmentVariable);
    if (env && *env) return env;
    return std::string(kDefaultCameraDevice);
}

void SetCameraChoice(std::string_view choice) {
    TCaptureState& s = State();
    std::lock_guard lock(s.SpecLock);
    choice = TrimBlanks(choice);
    if (choice.empty())
        s.Choice.reset();
    else
        s.Choice = std::string(choice);
}

bool StartCapture() {
    if (CaptureRunning()) return true;
    std::unique_ptr<TCaptureSource> source = MakeCaptureSource(CameraChoice());
    return source && StartCaptureWith(std::move(source));
}

bool StartCaptureWith(std::unique_ptr<TCaptureSource> source) {
    std::unique_lock control = LockControl();
    if (!control || !source) return false;
    TCaptureState& s = State();
    if (s.Source) return true;
    ClearFrameFile();
    if (!source->Start(OnFrame)) return false;
    if (!PrepareFrameFormat(*source)) {
        source->Stop();
        return false;
    }
    s.Source = std::move(source);
    s.GrabWanted = true;
    return true;
}

void StopCapture() {
    // Waits without a bound: a stop must not be lost; every other holder of
    // the control lock finishes within its own bounded waits.
    std::lock_guard control(State().Control);
    StopLocked();
}

bool CaptureRunning() {
    std::unique_lock control = LockControl();
    return control && State().Source != nullptr;
}

void StartPreview() {
    std::unique_lock control = LockControl();
    TCaptureState& s = State();
    if (!control || !s.Source) return;
    s.PreviewOn = true;
    s.Source->SetPreview(true);
}

void StopPreview() {
    std::unique_lock control = LockControl();
    TCaptureState& s = State();
    if (!control) return;
    if (s.Source) s.Source->SetPreview(false);
    s.PreviewOn = false;
}

void RequestFrame() {
    std::unique_lock control = LockControl();
    TCaptureState& s = State();
    if (!control || !s.Source) return;
    s.GrabWanted = true;
    s.Source->GrabFrame();
}

const TBitmap* LockLatestFrame() {
    if (FrameCounter == 0) return nullptr;
    FrameLock.lock();
    if (!Latest().Bitmap) {
        FrameLock.unlock();
        return nullptr;
    }
    return &*Latest().Bitmap;
}

void UnlockFrame() {
    FrameLock.unlock();
}

uint32_t LatestFrameTime() {
    std::lock_guard lock(FrameLock);
    return Latest().Time;
}

bool StartCameraFromSetting(std::string_view choice) {
    choice = TrimBlanks(choice);
    if (!choice.empty()) {
        SetCameraChoice(choice);
    } else {
        const char* env = std::getenv(kCameraEnvironmentVariable);
        if (!env || !*env) return false;
    }
    return StartCapture();
}

}  // namespace palvex
