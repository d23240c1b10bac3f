#include "capture/JpegEncode.h"

#include <gtest/gtest.h>

#include "capture/ImageDecode.h"
#include "capture/ImageWriters.h"

namespace palvex {
namespace {

std::optional<TBitmap> Decode(const std::string& jpeg) {
    return DecodeJpeg({reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()});
}

// Noise compresses badly, so the budget decides the quality.
TBitmap Noise(int w, int h) {
    TBitmap b;
    b.Create(w, h);
    uint32_t state = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) {
            state = state * 1103515245 + 12345;
            b.Row(y)[x] = static_cast<uint8_t>(state >> 16);
        }
    return b;
}

TEST(JpegEncode, RoundTripKeepsSizeAndColours) {
    const TBitmap picture =
        testing::TestPicture(15, 12);  // blue rises steeply; chroma is subsampled
    const std::optional<TBitmap> back = Decode(EncodeJpeg(picture, 95));
    ASSERT_TRUE(back);
    EXPECT_TRUE(testing::SamePixelsWithin(*back, picture, 16));
}

TEST(JpegEncode, LowersQualityUntilTheBudgetHolds) {
    const TBitmap noise = Noise(64, 64);
    const size_t best = EncodeJpeg(noise, 95).size();
    const size_t worst = EncodeJpeg(noise, 10).size();
    ASSERT_LT(worst, best);
    const long long budget = static_cast<long long>((best + worst) / 2);
    const std::string within = EncodeJpegWithin(noise, budget);
    EXPECT_LE(static_cast<long long>(within.size()), budget);
    EXPECT_GT(within.size(), worst);
    EXPECT_TRUE(Decode(within));
    // Too small a budget yields the quality-10 picture; none at all quality 95.
    EXPECT_EQ(EncodeJpegWithin(noise, 10).size(), worst);
    EXPECT_EQ(EncodeJpegWithin(noise, 0).size(), best);
}

TEST(JpegEncode, EmptyBitmapGivesNothing) {
    EXPECT_TRUE(EncodeJpeg(TBitmap(), 90).empty());
    EXPECT_TRUE(EncodeJpegWithin(TBitmap(), 1000).empty());
}

}  // namespace
}  // namespace palvex
