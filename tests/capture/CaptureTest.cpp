// The capture state with real sources: the test pattern in every raw format,
// the V4L2 source without a camera, and the locking rules that request
// handlers rely on.

#include "capture/Capture.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <future>
#include <set>
#include <thread>

#include "capture/TestPatternSource.h"
#include "capture/V4l2Source.h"
#include "capture/YuvConvert.h"
#include "server/HttpServer.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

class Capture : public ::testing::Test {
  protected:
    void TearDown() override {
        StopCapture();
        SetCameraChoice("");
        ::unsetenv(kCameraEnvironmentVariable);
    }
};

TEST_F(Capture, CameraTextsNameTheirSources) {
    struct Case {
        const char* choice;
        bool made;
        bool v4l2;
    } cases[] = {
        {"test", true, false},       {"TEST:i420", true, false},
        {"test:grey", true, false},  {"test:mjpg", false, false},
        {"", false, false},          {"  ", false, false},
        {"/dev/video0", true, true}, {"/tmp/no-such-cam", true, true},
    };
    for (const Case& c : cases) {
        const std::unique_ptr<TCaptureSource> source = MakeCaptureSource(c.choice);
        EXPECT_EQ(source != nullptr, c.made) << c.choice;
        if (source) {
            EXPECT_EQ(dynamic_cast<TV4l2Source*>(source.get()) != nullptr, c.v4l2) << c.choice;
        }
    }
}

TEST_F(Capture, V4l2SourceFailsCleanlyWithoutACaptureDevice) {
    test::TempDir dir;
    dir.Write("plain", "not a device");
    for (const std::string& path : {std::string("/dev/no-video-here"), std::string("/dev/null"),
                                    dir.Path() + "plain", dir.Path()}) {
        TV4l2Source source(path);
        EXPECT_FALSE(source.Start([](std::span<const uint8_t>) {})) << path;
        EXPECT_FALSE(source.GrabFrame()) << path;
        source.Stop();
    }
    const uint32_t frames = FrameCounter;
    EXPECT_FALSE(StartCaptureWith(std::make_unique<TV4l2Source>("/dev/null")));
    EXPECT_FALSE(CaptureRunning());
    RequestFrame();
    EXPECT_EQ(LockLatestFrame(), nullptr);
    EXPECT_EQ(FrameCounter, frames);
}

TEST_F(Capture, V4l2FormatsMapToConvertibleHeaders) {
    const uint32_t onlyGreyAndMjpeg[] = {V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_GREY};
    const uint32_t yuyvLast[] = {V4L2_PIX_FMT_GREY, V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_YUYV};
    const uint32_t none[] = {V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_H264};
    EXPECT_EQ(ChooseV4l2Format(onlyGreyAndMjpeg), V4L2_PIX_FMT_GREY);
    EXPECT_EQ(ChooseV4l2Format(yuyvLast), V4L2_PIX_FMT_YUYV);
    EXPECT_FALSE(ChooseV4l2Format(none));

    struct Case {
        uint32_t pixelFormat;
        uint8_t kind;
    } cases[] = {{V4L2_PIX_FMT_YUYV, kFrameYuy2},   {V4L2_PIX_FMT_UYVY, kFrameUyvy},
                 {V4L2_PIX_FMT_Y41P, kFrameY41p},   {V4L2_PIX_FMT_YVU410, kFrameYvu9},
                 {V4L2_PIX_FMT_YUV420, kFrameI420}, {V4L2_PIX_FMT_GREY, kFrameY8},
                 {V4L2_PIX_FMT_BGR24, kFrameRgb}};
    for (const Case& c : cases) {
        const std::optional<TBitmapInfoHeader> h = HeaderForV4l2Format(c.pixelFormat, 320, 240);
        ASSERT_TRUE(h);
        EXPECT_EQ(FormatKind(h->Compression), c.kind);
        // The planes of a driver without row padding are exactly one raw frame.
        size_t bytes = 0;
        for (const TV4l2Plane& p : V4l2Planes(c.pixelFormat, 320, 240, 0))
            bytes += p.PackedStride * p.Rows;
        EXPECT_EQ(bytes, c.kind == kFrameRgb ? 320u * 3 * 240 : RawFrameBytes(c.kind, 320, 240));
    }
    EXPECT_EQ(HeaderForV4l2Format(V4L2_PIX_FMT_BGR24, 320, 240)->Height, -240);
    EXPECT_FALSE(HeaderForV4l2Format(V4L2_PIX_FMT_MJPEG, 320, 240));
}

TEST_F(Capture, PaddedDriverRowsArePackedAndShortFramesRejected) {
    // 4 x 2 YUYV with rows padded to 12 bytes.
    const std::vector<TV4l2Plane> planes = V4l2Planes(V4L2_PIX_FMT_YUYV, 4, 2, 12);
    std::vector<uint8_t> frame(24);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> out;
    ASSERT_TRUE(PackV4l2Frame(frame, planes, out));
    const std::vector<uint8_t> expected = {0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 16, 17, 18, 19};
    EXPECT_EQ(out, expected);
    frame.resize(19);
    EXPECT_FALSE(PackV4l2Frame(frame, planes, out));
}

// The first frame of a fresh test-pattern source in the given format.
TBitmap FirstFrame(const std::string& format) {
    EXPECT_TRUE(StartCaptureWith(MakeCaptureSource("test:" + format))) << format;
    const uint32_t before = FrameCounter;
    RequestFrame();
    EXPECT_EQ(FrameCounter, before + 1) << format;
    TBitmap copy;
    if (const TBitmap* frame = LockLatestFrame()) {
        copy = *frame;
        UnlockFrame();
    }
    StopCapture();
    return copy;
}

// Mean absolute difference over every channel.
double MeanDifference(const TBitmap& a, const TBitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            for (int c = 0; c < kBytesPerPixel; ++c)
                sum += std::abs(a.Pixel(x, y)[c] - b.Pixel(x, y)[c]);
    return sum / (a.Width() * a.Height() * kBytesPerPixel);
}

TEST_F(Capture, EveryTestFormatDeliversTheSamePictureThroughTheConverters) {
    const TBitmap reference = FirstFrame("rgb");
    ASSERT_EQ(reference.Width(), 320);
    ASSERT_EQ(reference.Height(), 240);
    // The pattern's colours are constant over every chroma block, so every
    // colour layout must give the very same picture, the right way up.
    for (const char* format : {"yuy2", "uyvy", "y41p", "yvu9", "i420", "y211"}) {
        const TBitmap frame = FirstFrame(format);
        ASSERT_EQ(frame.Width(), 320) << format;
        ASSERT_EQ(frame.Height(), 240) << format;
        EXPECT_LT(MeanDifference(frame, reference), 1.0) << format;
    }
    const TBitmap grey = FirstFrame("y8");
    ASSERT_EQ(grey.Height(), 240);
    std::set<int> levels;
    for (int x = 0; x < grey.Width(); ++x) {
        const uint8_t* p = grey.Pixel(x, 120);
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x;
        levels.insert(p[0]);
    }
    EXPECT_GE(levels.size(), 4u);
}

TEST_F(Capture, StopDropsTheFrameButKeepsTheCount) {
    ASSERT_TRUE(StartCaptureWith(MakeCaptureSource("test")));
    EXPECT_TRUE(StartCaptureWith(MakeCaptureSource("test:i420")));  // already on
    RequestFrame();
    const uint32_t count = FrameCounter;
    ASSERT_GT(count, 0u);
    StopCapture();
    EXPECT_FALSE(CaptureRunning());
    EXPECT_EQ(LockLatestFrame(), nullptr);
    RequestFrame();
    EXPECT_EQ(FrameCounter, count);
}

TEST_F(Capture, PreviewDeliversFramesOnlyWhileOn) {
    ASSERT_TRUE(StartCaptureWith(MakeCaptureSource("test")));
    const uint32_t start = FrameCounter;
    StartPreview();
    std::this_thread::sleep_for(3 * kPreviewInterval + kPreviewInterval / 2);
    StopPreview();
    const uint32_t afterPreview = FrameCounter;
    EXPECT_GE(afterPreview - start, 2u);
    std::this_thread::sleep_for(2 * kPreviewInterval);
    EXPECT_EQ(FrameCounter, afterPreview);
}

TEST_F(Capture, CameraSwitchFromSettingAndEnvironment) {
    EXPECT_FALSE(StartCameraFromSetting(""));
    EXPECT_FALSE(CaptureRunning());
    EXPECT_FALSE(StartCameraFromSetting("/dev/no-video-here"));
    EXPECT_FALSE(CaptureRunning());
    EXPECT_TRUE(StartCameraFromSetting("test:uyvy"));
    StopCapture();
    SetCameraChoice("");
    ::setenv(kCameraEnvironmentVariable, "test", 1);
    EXPECT_EQ(CameraChoice(), "test");
    EXPECT_TRUE(StartCameraFromSetting(""));
    StopCapture();
    EXPECT_TRUE(StartCapture());
}

// A source whose grab hangs until released, like a camera that stops
// answering in the middle of a frame.
class THangingSource final : public TCaptureSource {
  public:
    bool Start(TFrameCallback) override { return true; }
    void Stop() override { Release(); }
    std::vector<uint8_t> DriverFormat() const override {
        return TTestPatternSource(kFrameYuy2).DriverFormat();
    }
    bool GrabFrame() override {
        std::unique_lock lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
        return false;
    }
    void SetPreview(bool) override {}
    void WaitEntered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return entered_; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool released_ = false;
};

TEST_F(Capture, RequestFrameInsideHookLockNeverWaitsWithoutBound) {
    auto owned = std::make_unique<THangingSource>();
    THangingSource* source = owned.get();
    ASSERT_TRUE(StartCaptureWith(std::move(owned)));
    std::thread stuck([] { RequestFrame(); });
    source->WaitEntered();
    auto handler = std::async(std::launch::async, [] {
        std::lock_guard lock(HookLock);
        RequestFrame();
    });
    EXPECT_EQ(handler.wait_for(kCaptureControlWait + std::chrono::seconds(5)),
              std::future_status::ready);
    source->Release();
    stuck.join();
}

}  // namespace
}  // namespace palvex
