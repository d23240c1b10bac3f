#include "capture/YuvConvert.h"

#include <gtest/gtest.h>

#include <vector>

namespace palvex {
namespace {

// Pixel (x, row-from-top) of a converted bottom-up 32-bit area as 0xRRGGBB.
uint32_t At(const std::vector<uint8_t>& dest, int width, int height, int x, int rowFromTop) {
    const uint8_t* p = &dest[((height - 1 - rowFromTop) * width + x) * 4];
    EXPECT_EQ(p[3], 0);
    return p[0] | p[1] << 8 | p[2] << 16;
}

uint32_t Rgb(uint8_t y, uint8_t u, uint8_t v) {
    return YuvToRgb(PackYuv(y, u, v));
}

TEST(YuvConvert, YuvToRgbTruncatesThenClamps) {
    struct Case {
        uint8_t y, u, v;
        uint32_t rgb;
    } cases[] = {
        {16, 128, 128, 0x000000},   // black
        {235, 128, 128, 0xFEFEFE},  // 254.9998 truncated
        {81, 90, 240, 0xFE0000},    // G -0.48 and B -0.97 truncate to 0
        {0, 128, 128, 0x000000},    // below black clamps
        {255, 255, 255,
         0xFF7DFF},  // G 125.28 {128, 0, 0, 0x0BFF00},  // R 2.21, G 255+ clamps, B negative
    };
    for (const Case& c : cases)
        EXPECT_EQ(YuvToRgb(PackYuv(c.y, c.u, c.v)), c.rgb) << int(c.y) << "," << int(c.u);
}

TEST(YuvConvert, FormatKindByCompressionCode) {
    struct Case {
        uint32_t code;
        uint8_t kind;
    } cases[] = {
        {0, kFrameRgb},
        {3, kFrameRgb},
        {MakeFourCC('Y', 'U', 'Y', '2'), kFrameYuy2},
        {MakeFourCC('U', 'Y', 'V', 'Y'), kFrameUyvy},
        {MakeFourCC('Y', '4', '1', 'P'), kFrameY41p},
        {MakeFourCC('Y', 'V', 'U', '9'), kFrameYvu9},
        {MakeFourCC('I', '4', '2', '0'), kFrameI420},
        {MakeFourCC('Y', '8', ' ', ' '), kFrameY8},
        {MakeFourCC('Y', '2', '1', '1'), kFrameY211},
        {MakeFourCC('M', 'J', 'P', 'G'), kFrameNone},
        {1, kFrameNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatKind(c.code), c.kind) << c.code;
}

// Small hand-made frames: each converter must put the right samples at the
// right place, the top source row landing on the last destination row.
TEST(YuvConvert, PackedFormatsPlaceEverySample) {
    struct Case {
        const char* name;
        uint8_t kind;
        int width, height;
        std::vector<uint8_t> source;
        std::vector<std::vector<uint32_t>> rows;  // expected, top row first
    };
    const uint32_t a = Rgb(100, 90, 240), b = Rgb(200, 90, 240), c = Rgb(60, 160, 100),
                   d = Rgb(150, 160, 100);
    const Case cases[] = {
        {"YUY2", kFrameYuy2, 2, 2, {100, 90, 200, 240, 60, 160, 150, 100}, {{a, b}, {c, d}}},
        {"UYVY", kFrameUyvy, 2, 2, {90, 100, 240, 200, 160, 60, 100, 150}, {{a, b}, {c, d}}},
        {"Y211", kFrameY211, 4, 1, {100, 90, 200, 240}, {{a, a, b, b}}},
        {"Y8",
         kFrameY8,
         3,
         2,
         {0, 128, 255, 16, 17, 18},
         {{0x000000, 0x808080, 0xFFFFFF}, {0x101010, 0x111111, 0x121212}}},
        {"Y41P",
         kFrameY41p,
         8,
         1,
         {90, 100, 240, 200, 160, 60, 100, 150, 100, 200, 60, 150},
         {{a, b, Rgb(60, 90, 240), Rgb(150, 90, 240), Rgb(100, 160, 100), Rgb(200, 160, 100), c,
           d}}},
    };
    for (const Case& t : cases) {
        std::vector<uint8_t> dest(t.width * t.height * 4, 0xAA);
        ASSERT_TRUE(ConvertFrame(t.kind, t.source, dest, t.width, t.height)) << t.name;
        for (int row = 0; row < t.height; ++row)
            for (int x = 0; x < t.width; ++x)
                EXPECT_EQ(At(dest, t.width, t.height, x, row), t.rows[row][x])
                    << t.name << " x=" << x << " row=" << row;
    }
}

TEST(YuvConvert, PlanarFormatsShareChromaOverTheirBlock) {
    // I420 4 x 2: Y plane, then U (2 x 1), then V (2 x 1).
    const std::vector<uint8_t> i420 = {10, 20, 30, 40, 50, 60, 70, 80, 90, 160, 240, 100};
    std::vector<uint8_t> dest(4 * 2 * 4);
    ASSERT_TRUE(ConvertFrame(kFrameI420, i420, dest, 4, 2));
    EXPECT_EQ(At(dest, 4, 2, 1, 0), Rgb(20, 90, 240));
    EXPECT_EQ(At(dest, 4, 2, 2, 0), Rgb(30, 160, 100));
    EXPECT_EQ(At(dest, 4, 2, 1, 1), Rgb(60, 90, 240));
    EXPECT_EQ(At(dest, 4, 2, 3, 1), Rgb(80, 160, 100));

    // YVU9 4 x 4: sixteen Y samples, then one V, then one U.
    std::vector<uint8_t> yvu9(16);
    for (int i = 0; i < 16; ++i)
        yvu9[i] = static_cast<uint8_t>(16 + 10 * i);
    yvu9.push_back(240);  // V
    yvu9.push_back(90);   // U
    std::vector<uint8_t> dest9(4 * 4 * 4);
    ASSERT_TRUE(ConvertFrame(kFrameYvu9, yvu9, dest9, 4, 4));
    for (int row = 0; row < 4; ++row)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(At(dest9, 4, 4, x, row), Rgb(yvu9[row * 4 + x], 90, 240));
}

TEST(YuvConvert, RejectsShortBuffersAndUnknownKinds) {
    std::vector<uint8_t> dest(2 * 2 * 4);
    const std::vector<uint8_t> shortFrame(7);
    EXPECT_FALSE(ConvertFrame(kFrameYuy2, shortFrame, dest, 2, 2));
    const std::vector<uint8_t> frame(8);
    std::vector<uint8_t> shortDest(15);
    EXPECT_FALSE(ConvertFrame(kFrameYuy2, frame, shortDest, 2, 2));
    EXPECT_FALSE(ConvertFrame(kFrameRgb, frame, dest, 2, 2));
    EXPECT_FALSE(ConvertFrame(kFrameYuy2, frame, dest, 2, 0));
    EXPECT_FALSE(ConvertFrame(kFrameYuy2, frame, dest, -2, 2));
}

TEST(YuvConvert, TrailingPartialGroupIsLeftUntouched) {
    // Width 5 in Y211: one group of four, then a fifth pixel with no group.
    const std::vector<uint8_t> source(8, 128);
    std::vector<uint8_t> dest(5 * 4, 0xAA);
    ASSERT_TRUE(ConvertFrame(kFrameY211, source, dest, 5, 1));
    EXPECT_EQ(At(dest, 5, 1, 3, 0), Rgb(128, 128, 128));
    EXPECT_EQ(dest[4 * 4], 0xAA);
}

}  // namespace
}  // namespace palvex
