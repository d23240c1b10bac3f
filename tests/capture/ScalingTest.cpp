#include "capture/Scaling.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

// A bitmap whose pixel (x, y) is blue = x, green = y, red = value.
TBitmap Gradient(int w, int h, uint8_t red = 7) {
    TBitmap b;
    EXPECT_TRUE(b.Create(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.Pixel(x, y);
            p[0] = static_cast<uint8_t>(x), p[1] = static_cast<uint8_t>(y), p[2] = red;
        }
    return b;
}

TEST(Scaling, ScaleFactorIsSmallestRatioCappedAtOne) {
    EXPECT_DOUBLE_EQ(ScaleFactor(1000, 800, 100, 100), 0.1);
    EXPECT_DOUBLE_EQ(ScaleFactor(300, 600, 200, 200), 200.0 / 600);
    EXPECT_DOUBLE_EQ(ScaleFactor(50, 40, 100, 100), 1);
    EXPECT_DOUBLE_EQ(ScaleFactor(0, 40, 10, 10), 1);
    EXPECT_DOUBLE_EQ(ScaleFactor(40, -1, 10, 10), 1);
}

TEST(Scaling, HalfSizeSizesAndOddWidth) {
    TBitmap odd = Gradient(5, 4);
    HalfSize(odd);
    ASSERT_EQ(odd.Width(), 2);
    ASSERT_EQ(odd.Height(), 2);
    // The last column of an odd-width source averages column 2 with itself.
    EXPECT_EQ(odd.Pixel(1, 0)[0], 2);
    EXPECT_EQ(odd.Pixel(0, 0)[0], 0);  // (0 + 1 + 0 + 1) / 4
    EXPECT_EQ(odd.Pixel(0, 1)[1], 2);  // (2 + 2 + 3 + 3) / 4 = 2.5 -> 2

    TBitmap small = Gradient(3, 3);
    HalfSize(small);
    EXPECT_EQ(small.Width(), 3);
    EXPECT_EQ(small.Height(), 3);
}

TEST(Scaling, MeanOfFourRoundsUpOnlyFromRemainderThree) {
    struct Case {
        uint8_t a, b, c, d, mean;
    } cases[] = {{1, 2, 2, 2, 2}, {0, 2, 2, 2, 1}, {255, 255, 255, 254, 255}, {0, 0, 0, 3, 1}};
    for (const Case& t : cases) {
        TBitmap b;
        ASSERT_TRUE(b.Create(4, 4));
        b.Pixel(0, 0)[2] = t.a, b.Pixel(1, 0)[2] = t.b, b.Pixel(0, 1)[2] = t.c,
                   b.Pixel(1, 1)[2] = t.d;
        HalfSize(b);
        EXPECT_EQ(b.Pixel(0, 0)[2], t.mean) << int(t.a + t.b + t.c + t.d);
    }
}

TEST(Scaling, ShrinkNearestStepsThroughTheSource) {
    TBitmap b = Gradient(10, 5);
    ShrinkNearest(b, 4, 4);  // factor 0.4: 4 x 2
    ASSERT_EQ(b.Width(), 4);
    ASSERT_EQ(b.Height(), 2);
    const int columns[] = {0, 2, 5, 7};  // s = 0, 2.5, 5, 7.5
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(b.Pixel(k, 1)[0], columns[k]);
    EXPECT_EQ(b.Pixel(0, 1)[1], 2);
}

TEST(Scaling, ShrinkAveragedBlendsOnlyWhereColumnsAreSkipped) {
    TBitmap b = Gradient(10, 10);
    ShrinkAveraged(b, 4, 4);
    ASSERT_EQ(b.Width(), 4);
    ASSERT_EQ(b.Height(), 4);
    // Chosen columns 0, 2, 5, 7: the first is copied, the others average
    // with their left neighbour (1+2)/2, (4+5)/2, (6+7)/2.
    const int blues[] = {0, 1, 4, 6};
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(b.Pixel(k, 0)[0], blues[k]);
    const int greens[] = {0, 1, 4, 6};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(b.Pixel(0, i)[1], greens[i]);

    TBitmap same = Gradient(8, 8);
    ShrinkAveraged(same, 8, 100);
    EXPECT_EQ(same.Width(), 8);
}

TEST(Scaling, FitIntoChoosesThePathBySize) {
    struct Case {
        int w, h, max, outW, outH;
    } cases[] = {
        {1000, 800, 100, 100, 80},  // below 0.15: sample to 200 x 160, halve
        {400, 300, 100, 100, 75},   // 0.25 then 0.5: halve twice
        {300, 200, 200, 200, 133},  // 0.667: one averaging pass
        {600, 400, 200, 200, 133},  // 0.333: average to 400 x 266, halve
        {100, 100, 100, 100, 100},  // fits already
    };
    for (const Case& c : cases) {
        TBitmap b = Gradient(c.w, c.h);
        EXPECT_EQ(FitInto(b, c.max, c.max), c.w > c.max || c.h > c.max) << c.w;
        EXPECT_EQ(b.Width(), c.outW) << c.w << "x" << c.h;
        EXPECT_EQ(b.Height(), c.outH) << c.w << "x" << c.h;
    }
}

TEST(Scaling, FitIntoEndsAndFitsForNarrowAndFlatPictures) {
    struct Case {
        int w, h, max;
    } cases[] = {{2000, 3, 100}, {3, 2000, 100}, {1, 5000, 20}, {5000, 1, 20},
                 {90, 3, 20},    {21, 21, 20},   {41, 2, 20},   {400, 300, 1}};
    for (const Case& c : cases) {
        TBitmap b = Gradient(c.w, c.h);
        EXPECT_TRUE(FitInto(b, c.max, c.max));
        EXPECT_GE(b.Width(), 1);
        EXPECT_GE(b.Height(), 1);
        EXPECT_LE(b.Width(), c.max) << c.w << "x" << c.h;
        EXPECT_LE(b.Height(), c.max) << c.w << "x" << c.h;
    }
}

TEST(Scaling, EmptyBitmapIsLeftAlone) {
    TBitmap empty;
    HalfSize(empty);
    ShrinkNearest(empty, 1, 1);
    ShrinkAveraged(empty, 1, 1);
    EXPECT_FALSE(FitInto(empty, 10, 10));
    EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace palvex
