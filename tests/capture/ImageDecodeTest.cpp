#include "capture/ImageDecode.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "capture/BmpFormat.h"
#include "capture/ImageWriters.h"
#include "capture/JpegEncode.h"
#include "capture/LittleEndian.h"
#include "common/TextConv.h"

namespace palvex {
namespace {

using testing::SamePixelsWithin;
using testing::TestPicture;

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string ScratchPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("palvex-imaging-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

struct TFormatFile {
    const char* Name;
    std::vector<uint8_t> File;
    int Tolerance;  // JPEG is lossy
};

std::vector<TFormatFile> AllFormats(const TBitmap& picture) {
    return {{"bmp", EncodeBmp(picture), 0},
            {"png", testing::WritePng(picture), 0},
            {"gif", testing::WriteGif(picture, false), 0},
            {"gif-interlaced", testing::WriteGif(picture, true), 0},
            {"tiff", testing::WriteTiff(picture, ScratchPath("w.tif")), 0},
            {"jpeg", Bytes(EncodeJpeg(picture, 95)), 16}};
}

TEST(ImageDecode, EveryFormatDecodesToTheSamePicture) {
    const TBitmap picture = TestPicture(13, 11);  // odd sizes exercise row padding
    for (const TFormatFile& f : AllFormats(picture)) {
        const std::optional<TBitmap> decoded = DecodeImage(f.File);
        ASSERT_TRUE(decoded) << f.Name;
        EXPECT_TRUE(SamePixelsWithin(*decoded, picture, f.Tolerance)) << f.Name;
    }
}

// Prefixes and single damaged bytes of every format must decline or decode,
// never crash; a prefix without the full header always declines.
TEST(ImageDecode, TruncatedAndCorruptedFilesAreHandled) {
    const TBitmap picture = TestPicture(24, 17);
    for (TFormatFile& f : AllFormats(picture)) {
        for (size_t n = 0; n < f.File.size(); n += 1 + n / 16) {
            const std::span<const uint8_t> prefix(f.File.data(), n);
            const std::optional<TBitmap> decoded = DecodeImage(prefix);
            if (n < 24) {
                EXPECT_FALSE(decoded) << f.Name << " " << n;
            }
            if (decoded) {
                EXPECT_LE(decoded->Width() * decoded->Height(), 24 * 17 * 4);
            }
        }
        for (size_t i = 0; i < std::min<size_t>(f.File.size(), 200); ++i) {
            std::vector<uint8_t> damaged = f.File;
            damaged[i] ^= 0xFF;
            DecodeImage(damaged);
            damaged[i] ^= 0x80;
            DecodeImage(damaged);
        }
    }
}

std::vector<uint8_t> BmpFile(const TBitmapInfoHeader& h, const std::vector<uint8_t>& extra,
                             const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> out;
    AppendBmpFileHeader(out, h.Size + static_cast<uint32_t>(extra.size()),
                        static_cast<uint32_t>(pixels.size()));
    AppendBitmapHeader(out, h);
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

uint32_t PixelOf(const TBitmap& b, int x, int y) {
    const uint8_t* p = b.Pixel(x, y);
    return p[0] | p[1] << 8 | p[2] << 16;
}

TEST(ImageDecode, BmpVariants) {
    struct Case {
        const char* name;
        TBitmapInfoHeader header;
        std::vector<uint8_t> extra, pixels;
        std::vector<uint32_t> expected;  // 0xRRGGBB, rows from the top
    };
    auto header = [](int w, int h, int bits, uint32_t compression = kBiRgb, uint32_t used = 0) {
        TBitmapInfoHeader hd = MakeBitmapHeader(w, h, bits);
        hd.Compression = compression;
        hd.ClrUsed = used;
        return hd;
    };
    const std::vector<uint8_t> twoColours = {0xFF, 0, 0, 0, 0, 0, 0xFF, 0};  // blue, red
    const Case cases[] = {
        {"1-bit bottom-up",
         header(3, 2, 1, kBiRgb, 2),
         twoColours,
         {0x40, 0, 0, 0, 0xA0, 0, 0, 0},
         {0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF, 0xFF0000, 0x0000FF}},
        {"8-bit index beyond palette is black",
         header(2, 1, 8, kBiRgb, 2),
         twoColours,
         {1, 9, 0, 0},
         {0xFF0000, 0x000000}},
        {"16-bit 5-5-5", header(2, 1, 16), {}, {0x1F, 0x00, 0x00, 0x7C}, {0x0000FF, 0xFF0000}},
        {"16-bit 5-6-5 fields",
         header(1, 1, 16, kBiBitFields),
         {0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0},
         {0xE0, 0x07, 0, 0},
         {0x00FF00}},
        {"32-bit top-down",
         [&] {
             auto h = header(2, 1, 32);
             h.Height = -2;
             return h;
         }(),
         {},
         {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0},
         {0x030201, 0x060504, 0x090807, 0x0C0B0A}},
        {"RLE8 runs, end of line, delta, end; skipped pixels stay black",
         header(4, 2, 8, kBiRle8, 2),
         twoColours,
         {3, 1, 0, 0, 0, 2, 1, 0, 1, 0, 0, 1},
         {0, 0x0000FF, 0, 0, 0xFF0000, 0xFF0000, 0xFF0000, 0}},
    };
    for (const Case& c : cases) {
        const std::optional<TBitmap> b = DecodeBmp(BmpFile(c.header, c.extra, c.pixels));
        ASSERT_TRUE(b) << c.name;
        std::vector<uint32_t> got;
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x)
                got.push_back(PixelOf(*b, x, y));
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(ImageDecode, OversizedAndUnknownPicturesAreRefused) {
    TBitmapInfoHeader huge = MakeBitmapHeader(1, 1, 24);
    huge.Width = 100000;
    EXPECT_FALSE(DecodeBmp(BmpFile(huge, {}, std::vector<uint8_t>(64))));
    huge.Width = 20000, huge.Height = 20000;  // each side allowed, the area not
    EXPECT_FALSE(DecodeBmp(BmpFile(huge, {}, std::vector<uint8_t>(64))));
    TBitmapInfoHeader rle = MakeBitmapHeader(4, 4, 24);
    rle.Compression = kBiRle8;  // run-length coding needs 8 bits
    EXPECT_FALSE(DecodeBmp(BmpFile(rle, {}, std::vector<uint8_t>(64))));
    EXPECT_FALSE(DecodeImage(Bytes("RIFF\0\0\0\0WEBPVP8 ")));
    EXPECT_FALSE(DecodeImage({}));
}

TEST(ImageDecode, JpegScaleIsTheLargestReductionLeavingTwiceTheEdge) {
    struct Case {
        long long width, height;
        int fitEdge, eighths;
    } cases[] = {
        {4000, 3000, 160, 1},  // 500 x 375 still holds 2 x 160
        {3000, 4000, 160, 1},  // portrait alike
        {4000, 3000, 320, 2},  // 1000 wide; 1/8 would leave 500 < 640
        {1000, 800, 100, 2},   // 250 >= 200, while 125 would not do
        {1000, 800, 62, 1},    // 125 >= 124
        {300, 200, 200, 8},    // a mild reduction decodes whole
        {100, 80, 100, 8},     // fits already
        {4000, 3000, 0, 8},    // no edge: full size
        {32767, 1, 20, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JpegScaleEighths(c.width, c.height, c.fitEdge), c.eighths)
            << c.width << "x" << c.height << " fit " << c.fitEdge;
}

// A reduced decode must keep geometry and colours: each output pixel stands
// for the middle of its 8 x 8 block of the smooth picture.
TEST(ImageDecode, JpegDecodesAtReducedScaleWithItsColours) {
    const TBitmap picture = testing::SmoothPicture(640, 480);
    const std::vector<uint8_t> file = Bytes(EncodeJpeg(picture, 95));
    const std::optional<TBitmap> small = DecodeJpeg(file, 40);
    ASSERT_TRUE(small);
    ASSERT_EQ(small->Width(), 80);
    ASSERT_EQ(small->Height(), 60);
    for (int y = 0; y < 60; y += 7)
        for (int x = 0; x < 80; x += 9) {
            const uint8_t* want = picture.Pixel(8 * x + 4, 8 * y + 4);
            const uint8_t* got = small->Pixel(x, y);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[c], want[c], 8) << x << "," << y << " channel " << c;
        }
    const std::optional<TBitmap> whole = DecodeImage(file);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->Width(), 640);
}

TEST(ImageDecode, LoadsFromWidePathAndDeclinesMissingFiles) {
    const std::string path = ScratchPath("b\xC3\xBCld.png");
    const TBitmap picture = TestPicture(5, 3);
    const std::vector<uint8_t> png = testing::WritePng(picture);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    const std::optional<TBitmap> loaded = LoadImageAsBitmap(Utf8ToWide(path));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(SamePixelsWithin(*loaded, picture, 0));
    std::filesystem::remove(path);
    EXPECT_FALSE(LoadImageAsBitmap(Utf8ToWide(path)));
    EXPECT_FALSE(LoadImageAsBitmap(Utf8ToWide(std::filesystem::temp_directory_path().string())));
}

}  // namespace
}  // namespace palvex
