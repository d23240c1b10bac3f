// The webcam pages: exact page and script texts, the picture with and
// without a running camera, the frame cache and the log throttle.

#include "webapps/WebcamPages.h"

#include <gtest/gtest.h>

#include <thread>

#include "capture/Capture.h"
#include "capture/ImageDecode.h"
#include "capture/TestPatternSource.h"
#include "capture/YuvConvert.h"
#include "common/Codecs.h"
#include "common/Paths.h"
#include "common/TextConv.h"
#include "server/Response.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

struct Request {
    explicit Request(std::string uri) { conn.RequestURI = std::move(uri); }
    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("127.0.0.1")};
};

std::optional<TBitmap> DecodeAnswer(const std::string& jpeg) {
    return DecodeJpeg({reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size()});
}

class WebcamPages : public ::testing::Test {
  protected:
    void SetUp() override {
        StopCapture();
        ResetFrameCache();
    }
    void TearDown() override { StopCapture(); }
};

const std::string kDemoStart =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head>\r\n"
    "<meta http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">\r\n"
    "<meta http-equiv=\"imagetoolbar\" content=\"no\">\r\n<title>Webcam</title>\r\n</head>\r\n"
    "<body bgcolor=\"#FFFFFF\" text=\"#000000\" link=\"#0000FF\" vlink=\"#0000FF\" "
    "alink=\"#FF0000\">\r\n<br><br><br><div align=center>\r\n\r\n"
    "<noscript>Bitte aktivieren Sie JavaScript!</noscript>\r\n\r\n"
    "<script type=\"text/javascript\" src=\"cam.js";
const std::string kDemoEnd =
    "\"></script>\r\n\r\n<br><br>\r\n\r\n<script type=\"text/javascript\">\r\n"
    "document.write('<a href=\"demo.html?width=160\">klein (160*120)</a> ');\r\n"
    "document.write('<a href=\"demo.html\">gro&szlig; (320*240)</a>');\r\n</script>\r\n\r\n"
    "</div></body></html>";

TEST_F(WebcamPages, DemoPagePassesTheQueryToTheScript) {
    struct Case {
        const char* uri;
        std::string q;
    } cases[] = {
        {"/*cam/demo.html", ""},
        {"/*cam/demo.html?width=160", "?width=160"},
        {"/*cam/Demo.HTML?width=160&refresh=5", "?width=160&refresh=5"},
        {"/*cam/demo.html?x=%22%3E%3Cscript%3E", "?x=%22%3E%3Cscript%3E"},
    };
    for (const Case& c : cases) {
        Request r(c.uri);
        CamRequest(r.conn, u"*cam\\" + AnsiToWide(c.uri).substr(6, 9));
        EXPECT_EQ(r.conn.ResponseBody, kDemoStart + c.q + kDemoEnd) << c.uri;
        EXPECT_EQ(r.conn.ContentType, "text/html");
    }
    Request other("/*cam/image.jpeg");
    CamRequest(other.conn, u"*cam\\image.jpeg");
    EXPECT_EQ(other.conn.Status, rsNotFound);
}

TEST_F(WebcamPages, ScriptSizesAndReloadInterval) {
    struct Case {
        const char* query;
        const char* w;
        const char* h;
        const char* interval;
    } cases[] = {
        {"", "320", "240", "3000"},           {"?width=160", "160", "120", "2000"},
        {"?width=320", "320", "240", "3000"}, {"?width=160&refresh=10", "160", "120", "10000"},
        {"?width=0", "320", "240", "3000"},   {"?width=-7", "320", "240", "3000"},
        {"?width=abc", "320", "240", "3000"}, {"?width=3", "3", "1", "2000"},
        {"?width=201", "201", "150", "3000"}, {"?width=99999999", "9999999", "7499997", "3000"},
    };
    for (const Case& c : cases) {
        Request r(std::string("/*cam/cam.js") + c.query);
        CamRequest(r.conn, u"*cam\\cam.js");
        const std::string w = c.w, h = c.h;
        EXPECT_EQ(r.conn.ResponseBody,
                  "var WebcamWidth=" + w + "; var WebcamHeight=" + h +
                      ";\r\ndocument.write('<img src=\"image.jpg?width=" + w + "\" width=" + w +
                      " height=" + h +
                      " name=WebcamImg>');\r\nfunction WebcamReload() {\r\n"
                      "document.images.WebcamImg.src='image.jpg?width=" +
                      w +
                      "&random='+Math.floor(Math.random()*9000); }\r\n"
                      "var WebcamReloadInterval=window.setInterval(\"WebcamReload()\"," +
                      c.interval + ");\r\n")
            << c.query;
        EXPECT_EQ(r.conn.ContentType, "text/javascript");
    }
}

TEST_F(WebcamPages, WithoutCameraTheImageIsTheOfflinePicture) {
    for (const auto& [query, width, height] :
         {std::tuple{"", 320, 240}, {"?width=160", 160, 120}, {"?width=500", 320, 240}}) {
        Request r(std::string("/*cam/image.jpg") + query);
        CamRequest(r.conn, u"*cam\\IMAGE.JPG");
        EXPECT_EQ(r.conn.Status, rsOk);
        EXPECT_EQ(r.conn.ContentType, "image/jpeg");
        EXPECT_TRUE(r.conn.NoCache);
        EXPECT_TRUE(r.conn.NoLog);
        const std::optional<TBitmap> picture = DecodeAnswer(r.conn.ResponseBody);
        ASSERT_TRUE(picture) << query;
        EXPECT_EQ(picture->Width(), width);
        EXPECT_EQ(picture->Height(), height);
        EXPECT_EQ(r.conn.ResponseBody, MakeOfflineJpeg(width == 160));
    }
}

// Mean brightness of a square of the picture.
int Brightness(const TBitmap& b, int x0, int y0, int size) {
    int sum = 0;
    for (int y = y0; y < y0 + size; ++y)
        for (int x = x0; x < x0 + size; ++x)
            sum += b.Pixel(x, y)[0] + b.Pixel(x, y)[1] + b.Pixel(x, y)[2];
    return sum / (3 * size * size);
}

TEST_F(WebcamPages, OfflinePictureIsAGreyCardWithDarkLettering) {
    const std::optional<TBitmap> p = DecodeAnswer(MakeOfflineJpeg(false));
    ASSERT_TRUE(p);
    EXPECT_LT(Brightness(*p, 0, 120, 1), 40);            // frame
    EXPECT_GT(Brightness(*p, 4, 120, 3), 235);           // white margin
    EXPECT_NEAR(Brightness(*p, 150, 150, 20), 0xE0, 4);  // grey card
    // The stem of the "C" (columns 20..22) and of the "l" in "offline".
    EXPECT_LT(Brightness(*p, 20, 32, 3), 80);
    EXPECT_LT(Brightness(*p, 20 + 8 * 18 + 6, 32, 3), 80);
    // Between the words there is no ink.
    EXPECT_GT(Brightness(*p, 20 + 3 * 18 + 3, 28, 8), 200);
}

TEST_F(WebcamPages, FramesAreReusedWithinHalfASecond) {
    ASSERT_TRUE(StartCaptureWith(MakeCaptureSource("test")));
    const TFrameJpeg first = GetFrameJpeg(320, 0);
    const uint32_t frames = FrameCounter;
    const TFrameJpeg again = GetFrameJpeg(320, 0);
    EXPECT_EQ(again.Jpeg, first.Jpeg);
    EXPECT_EQ(FrameCounter, frames);  // no grab, no encoding
    std::this_thread::sleep_for(kFrameReuseTime + std::chrono::milliseconds(100));
    const TFrameJpeg later = GetFrameJpeg(320, 0);
    EXPECT_EQ(FrameCounter, frames + 1);
    EXPECT_NE(later.Jpeg, first.Jpeg);  // the pattern moves
    EXPECT_EQ(FrameSlot(0).FrameNo, frames + 1);
}

// The test pattern, but only one frame: a camera whose picture stalls.
class TOneFrameSource final : public TCaptureSource {
  public:
    bool Start(TFrameCallback onFrame) override { return pattern_.Start(std::move(onFrame)); }
    void Stop() override { pattern_.Stop(); }
    std::vector<uint8_t> DriverFormat() const override { return pattern_.DriverFormat(); }
    bool GrabFrame() override { return !grabbed_.exchange(true) && pattern_.GrabFrame(); }
    void SetPreview(bool) override {}

  private:
    TTestPatternSource pattern_{kFrameYuy2};
    std::atomic<bool> grabbed_{false};
};

TEST_F(WebcamPages, AnUnchangedFrameIsNotEncodedAgain) {
    ASSERT_TRUE(StartCaptureWith(std::make_unique<TOneFrameSource>()));
    const TFrameJpeg first = GetFrameJpeg(160, 1);
    const TFrameSlot before = FrameSlot(1);
    std::this_thread::sleep_for(kFrameReuseTime + std::chrono::milliseconds(50));
    const TFrameJpeg again = GetFrameJpeg(160, 1);
    EXPECT_TRUE(again.Live);
    EXPECT_EQ(again.Jpeg, first.Jpeg);
    EXPECT_EQ(FrameSlot(1).EncodedAt, before.EncodedAt);
    // Stopping the camera turns the answer offline without losing the cache.
    StopCapture();
    std::this_thread::sleep_for(kFrameReuseTime + std::chrono::milliseconds(50));
    EXPECT_FALSE(GetFrameJpeg(160, 1).Live);
    EXPECT_EQ(FrameSlot(1).Jpeg, before.Jpeg);
}

// Through a real server, so the pages run inside HookLock as in the program.
void CamHandler(THttpServerThread& conn) {
    const std::string uri = conn.RequestURI.substr(0, conn.RequestURI.find('?'));
    CamRequest(conn, u"*cam\\" + std::u16string(FileNamePart(AnsiToWide(uri))));
}

TEST_F(WebcamPages, ServedOverHttpWhilePreviewRuns) {
    ASSERT_TRUE(StartCaptureWith(MakeCaptureSource("test:yuy2")));
    StartPreview();
    THttpServer& server = test::StartTestServer(CamHandler);
    for (const auto& [width, expected] :
         {std::pair{"160", 160}, {"1", 160}, {"201", 320}, {"", 320}}) {
        const std::string answer = test::Exchange(
            server.Port, std::string("GET /*cam/image.jpg?width=") + width + " HTTP/1.0\r\n\r\n");
        std::string head, body;
        test::SplitAnswer(answer, head, body);
        EXPECT_NE(head.find("200"), std::string::npos) << head;
        EXPECT_NE(head.find("image/jpeg"), std::string::npos) << head;
        const std::optional<TBitmap> picture = DecodeAnswer(body);
        ASSERT_TRUE(picture) << width;
        EXPECT_EQ(picture->Width(), expected);
        EXPECT_EQ(picture->Height(), expected * 3 / 4);
    }
    StopPreview();
}

}  // namespace
}  // namespace palvex
