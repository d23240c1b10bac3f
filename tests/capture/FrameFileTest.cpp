#include "capture/FrameFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "capture/LittleEndian.h"
#include "capture/TestPattern.h"
#include "capture/TestPatternSource.h"
#include "capture/YuvConvert.h"

namespace palvex {
namespace {

TEST(FrameFile, YuvFormatGetsA32BitHeaderBehindTheFileHeader) {
    TTestPatternSource source(kFrameYuy2, 320, 240);
    TFrameFile file;
    ASSERT_TRUE(file.Prepare(source.DriverFormat()));
    EXPECT_EQ(file.Kind(), kFrameYuy2);
    const std::vector<uint8_t>& b = file.Bytes();
    const uint32_t image = 320 * 4 * 240;
    ASSERT_EQ(b.size(), 14 + 40 + image);
    EXPECT_EQ(LoadLe16(&b[0]), kBmpMagic);
    EXPECT_EQ(LoadLe32(&b[2]), 14 + 40 + image);
    EXPECT_EQ(LoadLe32(&b[6]), 0u);
    EXPECT_EQ(LoadLe32(&b[10]), 54u);
    const auto header = ReadBitmapHeader(std::span(b).subspan(14));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->BitCount, 32);
    EXPECT_EQ(header->Height, 240);
    EXPECT_EQ(header->Compression, kBiRgb);
    EXPECT_EQ(header->SizeImage, image);
}

// Every raw format of the test pattern decodes to the same picture (up to
// chroma subsampling), with the frame counter in white at the top left.
TEST(FrameFile, EveryRawFormatDecodesToThePattern) {
    const uint8_t kinds[] = {kFrameRgb,  kFrameYuy2, kFrameUyvy, kFrameY41p,
                             kFrameYvu9, kFrameI420, kFrameY8,   kFrameY211};
    const TYuvPicture picture = DrawTestPattern(64, 48, 8);
    for (uint8_t kind : kinds) {
        TTestPatternSource source(kind, 64, 48);
        TFrameFile file;
        ASSERT_TRUE(file.Prepare(source.DriverFormat())) << int(kind);
        ASSERT_TRUE(file.StoreFrame(PackRawFrame(picture, kind))) << int(kind);
        const std::optional<TBitmap> b = file.Decode();
        ASSERT_TRUE(b) << int(kind);
        ASSERT_EQ(b->Width(), 64);
        ASSERT_EQ(b->Height(), 48);
        // The digit 8 is a full 3 x 5 box: its top-left dot is ink (Y 235).
        EXPECT_EQ(b->Pixel(9, 9)[1], kind == kFrameY8 ? 235 : 254) << int(kind);
        // The frame's bottom-right pixel matches the direct conversion.
        const size_t i = 47 * 64 + 63;
        const uint32_t px = kind == kFrameY8
                                ? picture.Y[i] * 0x010101u
                                : YuvToRgb(PackYuv(picture.Y[i], picture.U[i], picture.V[i]));
        EXPECT_EQ(b->Pixel(63, 47)[0], px & 0xFF) << int(kind);
        EXPECT_EQ(b->Pixel(63, 47)[2], px >> 16 & 0xFF) << int(kind);
    }
}

TEST(FrameFile, RgbFramesAreStoredByteForByteWithTheDriverHeader) {
    TTestPatternSource source(kFrameRgb, 16, 8);
    const std::vector<uint8_t> format = source.DriverFormat();
    TFrameFile file;
    ASSERT_TRUE(file.Prepare(format));
    const std::vector<uint8_t> raw = PackRawFrame(DrawTestPattern(16, 8, 3), kFrameRgb);
    ASSERT_TRUE(file.StoreFrame(raw));
    const std::vector<uint8_t>& b = file.Bytes();
    EXPECT_TRUE(std::equal(format.begin(), format.end(), b.begin() + 14));
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), b.begin() + 14 + format.size()));
    EXPECT_FALSE(file.StoreFrame(std::span(raw).first(raw.size() - 1)));
}

TEST(FrameFile, UnsupportedOrBrokenFormatsStoreNothing) {
    TBitmapInfoHeader mjpg = MakeBitmapHeader(320, 240, 24);
    mjpg.Compression = 0x47504A4D;  // MJPG
    std::vector<uint8_t> format;
    AppendBitmapHeader(format, mjpg);
    TFrameFile file;
    ASSERT_TRUE(file.Prepare(format));
    EXPECT_EQ(file.Kind(), kFrameNone);
    EXPECT_FALSE(file.StoreFrame(std::vector<uint8_t>(320 * 240 * 3)));
    EXPECT_FALSE(file.Prepare(std::span(format).first(39)));
    TBitmapInfoHeader negative = MakeBitmapHeader(8, 8, 16);
    negative.Compression = MakeFourCC('Y', 'U', 'Y', '2');
    negative.Width = -8;
    format.clear();
    AppendBitmapHeader(format, negative);
    EXPECT_FALSE(file.Prepare(format));
}

TEST(TestPatternSource, GrabsMovingFramesAndPreviewRunsUntilStopped) {
    TTestPatternSource source(kFrameI420, 64, 48);
    std::vector<std::vector<uint8_t>> frames;
    EXPECT_FALSE(source.GrabFrame());
    ASSERT_TRUE(
        source.Start([&](std::span<const uint8_t> f) { frames.emplace_back(f.begin(), f.end()); }));
    ASSERT_TRUE(source.GrabFrame());
    ASSERT_TRUE(source.GrabFrame());
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].size(), RawFrameBytes(kFrameI420, 64, 48));
    EXPECT_NE(frames[0], frames[1]);

    std::atomic<int> previewed{0};
    source.Start([&](std::span<const uint8_t>) { ++previewed; });
    source.SetPreview(true);
    for (int i = 0; i < 50 && previewed < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    source.Stop();
    const int seen = previewed;
    EXPECT_GE(seen, 2);
    std::this_thread::sleep_for(kPreviewInterval * 2);
    EXPECT_EQ(previewed, seen);
    EXPECT_FALSE(source.GrabFrame());
}

}  // namespace
}  // namespace palvex
