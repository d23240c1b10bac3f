#include "capture/Thumbnail.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "capture/BmpFormat.h"
#include "capture/ImageDecode.h"
#include "capture/ImageWriters.h"
#include "capture/JpegEncode.h"
#include "common/TextConv.h"

namespace palvex {
namespace {

class Thumbnail : public ::testing::Test {
  protected:
    // Writes the bytes to a scratch file and answers its wide path.
    std::u16string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        const auto path = std::filesystem::temp_directory_path() /
                          ("palvex-tn-" + std::to_string(::getpid()) + "-" + name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        paths_.push_back(path);
        return Utf8ToWide(path.string());
    }
    void TearDown() override {
        for (const auto& p : paths_)
            std::filesystem::remove(p);
    }

  private:
    std::vector<std::filesystem::path> paths_;
};

TEST_F(Thumbnail, EdgeIsTheIntegerValueOfTheText) {
    struct Case {
        std::u16string text;
        int edge;
    } cases[] = {{u"100", 100}, {u" 42 ", 42}, {u"0", 0},           {u"-5", -5},
                 {u"abc", 0},   {u"12x", 0},   {u"99999999999", 0}, {u"", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(ThumbnailEdge(c.text), c.edge) << WideToUtf8(c.text);
}

TEST_F(Thumbnail, LargeBmpBecomesJpegFittingTheEdge) {
    const std::vector<uint8_t> bmp = EncodeBmp(testing::TestPicture(400, 300));
    const std::u16string path = Put("big.bmp", bmp);
    struct Case {
        std::u16string tn;
        int maxEdge;
    } cases[] = {{u"100", 100}, {u"5", kMinThumbnailEdge}};
    for (const Case& c : cases) {
        std::string jpeg;
        ASSERT_EQ(MakeThumbnail(path, c.tn, static_cast<long long>(bmp.size()), jpeg),
                  TThumbnailOutcome::Jpeg);
        const std::optional<TBitmap> thumb =
            DecodeJpeg({reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()});
        ASSERT_TRUE(thumb);
        EXPECT_EQ(std::max(thumb->Width(), thumb->Height()), c.maxEdge);
        EXPECT_LE(static_cast<long long>(jpeg.size()),
                  std::max<long long>(thumb->Width() * thumb->Height() / 3 * 2, 0) + 1000);
    }
}

// Camera pictures take the reduced JPEG decode; the thumbnail still fits the
// edge exactly and shows the picture's colours at its corners.
TEST_F(Thumbnail, CameraJpegFitsTheEdgeWithItsColours) {
    const TBitmap picture = testing::SmoothPicture(1600, 1200);
    const std::string file = EncodeJpeg(picture, 90);
    const std::u16string path = Put("photo.jpg", {file.begin(), file.end()});
    std::string jpeg;
    ASSERT_EQ(MakeThumbnail(path, u"100", static_cast<long long>(file.size()), jpeg),
              TThumbnailOutcome::Jpeg);
    const std::optional<TBitmap> thumb =
        DecodeJpeg({reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()});
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->Width(), 100);
    EXPECT_EQ(thumb->Height(), 75);
    const struct { int x, y; } corners[] = {{0, 0}, {99, 0}, {0, 74}, {99, 74}};
    for (const auto& c : corners) {
        const uint8_t* want = picture.Pixel(c.x * 1600 / 100 + 8, c.y * 1200 / 75 + 8);
        const uint8_t* got = thumb->Pixel(c.x, c.y);
        for (int ch = 0; ch < 3; ++ch)
            EXPECT_NEAR(got[ch], want[ch], 16) << c.x << "," << c.y << " channel " << ch;
    }
}

TEST_F(Thumbnail, ServesTheFileWhenNoThumbnailIsWantedOrItWouldNotBeSmaller) {
    const std::vector<uint8_t> png = testing::WritePng(testing::TestPicture(8, 8));
    const std::u16string path = Put("small.png", png);
    std::string jpeg = "stale";
    for (const std::u16string tn : {u"0", u"-3", u"abc", u""})
        EXPECT_EQ(MakeThumbnail(path, tn, static_cast<long long>(png.size()), jpeg),
                  TThumbnailOutcome::ServeFile);
    EXPECT_EQ(MakeThumbnail(path, u"100", static_cast<long long>(png.size()), jpeg),
              TThumbnailOutcome::ServeFile);
    EXPECT_TRUE(jpeg.empty());
}

TEST_F(Thumbnail, UndecodableFileAnswersTheBlankImage) {
    const std::u16string path = Put("broken.jpg", {0xFF, 0xD8, 0xFF, 0x00, 0x01});
    std::string jpeg;
    EXPECT_EQ(MakeThumbnail(path, u"50", 1 << 20, jpeg), TThumbnailOutcome::BlankGif);
    EXPECT_EQ(MakeThumbnail(Utf8ToWide("/nonexistent/x.png"), u"50", 1 << 20, jpeg),
              TThumbnailOutcome::BlankGif);
    EXPECT_TRUE(jpeg.empty());
}

}  // namespace
}  // namespace palvex
