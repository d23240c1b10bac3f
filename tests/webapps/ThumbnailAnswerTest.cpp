// The thumbnail hook on real image files.

#include "webapps/ThumbnailAnswer.h"

#include <gtest/gtest.h>

#include "capture/BmpFormat.h"
#include "capture/ImageDecode.h"
#include "capture/ImageWriters.h"
#include "common/Codecs.h"
#include "common/TextConv.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

struct Answer {
    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("127.0.0.1")};
};

std::string Bytes(const std::vector<uint8_t>& v) {
    return {v.begin(), v.end()};
}

TEST(ThumbnailAnswer, LargePictureGetsAFittingJpeg) {
    test::TempDir dir;
    const std::string bmp = Bytes(EncodeBmp(testing::TestPicture(400, 300)));
    dir.Write("big.bmp", bmp);
    Answer a;
    a.conn.LastModified = "Sun, 06 Nov 1994 08:49:37 GMT";
    ASSERT_TRUE(ThumbnailAnswer(a.conn, Utf8ToWide(dir.Path() + "big.bmp"), u"100",
                                static_cast<uint32_t>(bmp.size())));
    EXPECT_EQ(a.conn.Status, rsOk);
    EXPECT_EQ(a.conn.ContentType, "image/jpeg");
    const std::string& jpeg = a.conn.ResponseBody;
    const std::optional<TBitmap> thumb =
        DecodeJpeg({reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()});
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->Width(), 100);
    EXPECT_EQ(thumb->Height(), 75);
}

TEST(ThumbnailAnswer, UndecodableFileGetsTheBlankGifWithoutDate) {
    test::TempDir dir;
    dir.Write("broken.jpg", "\xFF\xD8\xFF not really a picture");
    Answer a;
    a.conn.LastModified = "Sun, 06 Nov 1994 08:49:37 GMT";
    ASSERT_TRUE(ThumbnailAnswer(a.conn, Utf8ToWide(dir.Path() + "broken.jpg"), u"80", 30));
    EXPECT_TRUE(a.conn.LastModified.empty());
    EXPECT_EQ(a.conn.ContentType, "image/gif");
    EXPECT_EQ(a.conn.ResponseBody.substr(0, 6), "GIF89a");
}

TEST(ThumbnailAnswer, SmallPictureOrNoSizeServesTheFile) {
    test::TempDir dir;
    const std::string png = Bytes(testing::WritePng(testing::TestPicture(10, 10)));
    dir.Write("small.png", png);
    const std::u16string path = Utf8ToWide(dir.Path() + "small.png");
    for (const std::u16string tn : {u"100", u"0", u"-4", u"abc"}) {
        Answer a;
        EXPECT_FALSE(ThumbnailAnswer(a.conn, path, tn, static_cast<uint32_t>(png.size())));
        EXPECT_TRUE(a.conn.ResponseBody.empty());
        EXPECT_EQ(a.conn.Status, rsNone);
    }
}

}  // namespace
}  // namespace palvex
