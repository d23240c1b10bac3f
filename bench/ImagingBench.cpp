// Micro benchmarks of the imaging path: the webcam's JPEG of one 320 x 240
// frame, and a thumbnail of a 4000 x 3000 photo (or of PALVEX_BENCH_PHOTO).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "capture/JpegEncode.h"
#include "capture/TestPattern.h"
#include "capture/Thumbnail.h"
#include "capture/YuvConvert.h"
#include "common/TextConv.h"

namespace palvex {
namespace {

constexpr int kCamWidth = 320;
constexpr int kCamHeight = 240;
constexpr int kCamQuality = 70;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kPhotoQuality = 90;

// The test pattern of a frame number as the capture code hands it on: a
// top-down 24-bit bitmap.
TBitmap TestFrame(int width, int height, uint32_t frameNumber) {
    const std::vector<uint8_t> bottomUp =
        PackRawFrame(DrawTestPattern(width, height, frameNumber), kFrameRgb);
    const size_t rowBytes = PaddedRowBytes(width, 24);
    TBitmap bitmap;
    bitmap.Create(width, height);
    for (int y = 0; y < height && bottomUp.size() >= rowBytes * height; ++y)
        std::memcpy(bitmap.Row(y), bottomUp.data() + rowBytes * (height - 1 - y),
                    static_cast<size_t>(width) * kBytesPerPixel);
    return bitmap;
}

void BM_EncodeCamFrame320x240Q70(benchmark::State& state) {
    const TBitmap frame = TestFrame(kCamWidth, kCamHeight, 7);
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string jpeg = EncodeJpeg(frame, kCamQuality);
        bytes = jpeg.size();
        benchmark::DoNotOptimize(jpeg.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_EncodeCamFrame320x240Q70)->Unit(benchmark::kMillisecond);

// A 4000 x 3000 JPEG of the test pattern in a temporary file, removed at exit.
class TPhotoFile {
  public:
    TPhotoFile() {
        char pattern[] = "/tmp/palvex-photo-XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd < 0) return;
        close(fd);
        path_ = pattern;
        const std::string jpeg = EncodeJpeg(TestFrame(kPhotoWidth, kPhotoHeight, 1), kPhotoQuality);
        std::ofstream(path_, std::ios::binary) << jpeg;
        size_ = static_cast<long long>(jpeg.size());
    }
    ~TPhotoFile() {
        if (!path_.empty()) std::filesystem::remove(path_);
    }
    std::u16string Path() const { return Utf8ToWide(path_); }
    long long Size() const { return size_; }

  private:
    std::string path_;
    long long size_ = 0;
};

void MakeThumbnails(benchmark::State& state, const std::u16string& path, long long size) {
    std::string jpeg;
    for (auto _ : state) {
        if (MakeThumbnail(path, u"160", size, jpeg) != TThumbnailOutcome::Jpeg)
            state.SkipWithError("no thumbnail");
        benchmark::DoNotOptimize(jpeg.data());
    }
    state.counters["bytes"] = static_cast<double>(jpeg.size());
}

void BM_Thumbnail160Of4000x3000(benchmark::State& state) {
    static const TPhotoFile photo;
    MakeThumbnails(state, photo.Path(), photo.Size());
}
BENCHMARK(BM_Thumbnail160Of4000x3000)->Unit(benchmark::kMillisecond);

// A photo of the caller's (PALVEX_BENCH_PHOTO), so that the thumbnail script
// can set the in-process time beside the tools' on the same file.
const bool g_photoFileRegistered = [] {
    const char* path = std::getenv("PALVEX_BENCH_PHOTO");
    std::error_code error;
    const auto size = path ? std::filesystem::file_size(path, error) : 0;
    if (!path || error) return false;
    benchmark::RegisterBenchmark("BM_Thumbnail160OfPhotoFile", [=](benchmark::State& state) {
        MakeThumbnails(state, Utf8ToWide(path), static_cast<long long>(size));
    })->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
}  // namespace palvex
