#include "webapps/WebcamPages.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string_view>

#include "capture/Capture.h"
#include "capture/JpegEncode.h"
#include "capture/OfflineImage.h"
#include "capture/Scaling.h"
#include "common/Codecs.h"
#include "common/Paths.h"
#include "common/TextConv.h"
#include "server/RequestParser.h"

namespace palvex {

namespace {

constexpr std::u16string_view kImageName = u"image.jpg";
constexpr std::u16string_view kScriptName = u"cam.js";
constexpr std::u16string_view kDemoName = u"demo.html";

constexpr std::string_view kDemoHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n<html><head>\r\n"
    "<meta http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">\r\n"
    "<meta http-equiv=\"imagetoolbar\" content=\"no\">\r\n<title>Webcam</title>\r\n"
    "</head>\r\n<body bgcolor=\"#FFFFFF\" text=\"#000000\" link=\"#0000FF\" vlink=\"#0000FF\" "
    "alink=\"#FF0000\">\r\n<br><br><br><div align=center>\r\n\r\n";
constexpr std::string_view kDemoNoScript =
    "<noscript>Bitte aktivieren Sie JavaScript!</noscript>\r\n\r\n";
constexpr std::string_view kDemoScriptOpen = "<script type=\"text/javascript\" src=\"cam.js";
constexpr std::string_view kDemoScriptClose = "\"></script>\r\n\r\n<br><br>\r\n\r\n";
constexpr std::string_view kDemoLinks =
    "<script type=\"text/javascript\">\r\n"
    "document.write('<a href=\"demo.html?width=160\">klein (160*120)</a> ');\r\n"
    "document.write('<a href=\"demo.html\">gro&szlig; (320*240)</a>');\r\n"
    "</script>\r\n\r\n";
constexpr std::string_view kDemoTail = "</div></body></html>";

constexpr int kDefaultWidth = 320;
// Script numbers are written with at most seven digits.
constexpr long long kMaxScriptNumber = 9999999;
constexpr int kLargeRefreshSeconds = 3;
constexpr int kSmallRefreshSeconds = 2;

std::mutex CacheLock;

// The large and the small picture; created on first use and never freed, as
// a connection thread may still answer after main returns.
std::array<TFrameSlot, 2>& Cache() {
    static auto* slots = new std::array<TFrameSlot, 2>;
    return *slots;
}

// The integer value of a query parameter; 0 when absent, not a number or
// beyond an int.
int QueryInt(const THttpServerThread& conn, std::string_view name) {
    long long value = 0;
    if (!ParseInt(WideToUtf8(GetQueryParam(name, GetQueryW(conn))), value)) return 0;
    return value < INT_MIN || value > INT_MAX ? 0 : static_cast<int>(value);
}

std::string Decimal(long long value) {
    return std::to_string(std::clamp(value, -kMaxScriptNumber, kMaxScriptNumber));
}

// The visitor's query as it may stand inside a double-quoted attribute:
// characters that would end the attribute or open markup are escaped.
std::string MarkupPercentEncoded(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\'' || c == '<' || c == '>' || static_cast<unsigned char>(c) < 0x20) {
            AppendPercentByte(out, static_cast<unsigned char>(c));
        } else {
            out += c;
        }
    }
    return out;
}

// Encodes the frame for a slot; the lock on the frame is released as soon
// as the pixels are copied.
void EncodeFrame(TFrameSlot& slot, const TBitmap& frame, bool small, int quality) {
    TBitmap copy = frame;
    slot.FrameNo = FrameCounter;
    UnlockFrame();
    if (small) HalfSize(copy);
    slot.Jpeg = EncodeJpeg(copy, quality);
    slot.EncodedAt = static_cast<int32_t>(MillisecondsOfHour());
    slot.EncodedSteady = std::chrono::steady_clock::now();
}

int QualityOf(int qualityMode) {
    return kFrameQuality[std::clamp(qualityMode, 0,
                                    static_cast<int>(std::size(kFrameQuality)) - 1)];
}

}  // namespace

void CamRequest(THttpServerThread& conn, const std::u16string& path) {
    const std::u16string name = AsciiLower(FileNamePart(path));
    if (name == kImageName)
        CamImage(conn);
    else if (name == kScriptName)
        CamScript(conn);
    else if (name == kDemoName)
        CamDemoPage(conn);
    else
        conn.Status = rsNotFound;
}

void CamDemoPage(THttpServerThread& conn) {
    std::string q = WideToAnsi(GetQueryW(conn));
    if (!q.empty()) q[0] = '?';
    conn.ResponseBody = kDemoHead;
    AppendBody(conn, kDemoNoScript);
    AppendBody(conn, std::string(kDemoScriptOpen) + MarkupPercentEncoded(q) +
                         std::string(kDemoScriptClose));
    AppendBody(conn, kDemoLinks);
    AppendBody(conn, kDemoTail);
    conn.ContentType = "text/html";
}

void CamScript(THttpServerThread& conn) {
    long long w = QueryInt(conn, "width");
    if (w <= 0) w = kDefaultWidth;
    w = std::min(w, kMaxScriptNumber);
    const long long h = w < 4 ? 1 : w / 4 * 3;
    long long n = QueryInt(conn, "refresh");
    if (n <= 0) n = w > kSmallPictureMaxWidth ? kLargeRefreshSeconds : kSmallRefreshSeconds;
    const std::string ws = Decimal(w), hs = Decimal(h);
    conn.ResponseBody = "var WebcamWidth=" + ws + "; var WebcamHeight=" + hs + ";\r\n";
    AppendBody(conn, "document.write('<img src=\"image.jpg?width=" + ws + "\" width=" + ws +
                         " height=" + hs + " name=WebcamImg>');\r\n");
    AppendBody(conn, "function WebcamReload() {\r\n");
    AppendBody(conn, "document.images.WebcamImg.src='image.jpg?width=" + ws +
                         "&random='+Math.floor(Math.random()*9000); }\r\n");
    AppendBody(conn, "var WebcamReloadInterval=window.setInterval(\"WebcamReload()\"," +
                         Decimal(n) + "000);\r\n");
    conn.ContentType = "text/javascript";
}

void CamImage(THttpServerThread& conn) {
    const TFrameJpeg picture = GetFrameJpeg(QueryInt(conn, "width"), 2);
    conn.ResponseBody = picture.Jpeg;
    bool logged = false;
    if (picture.Live) {
        std::lock_guard lock(CacheLock);
        TFrameSlot& slot = Cache()[picture.Slot];
        if (std::abs(slot.EncodedAt - slot.LastLoggedAt) > kImageLogInterval) {
            slot.LastLoggedAt = slot.EncodedAt;
            logged = true;
        }
    }
    conn.NoLog = !logged;
    conn.Status = rsOk;
    conn.NoCache = true;
    conn.ContentType = "image/jpeg";
}

TFrameJpeg GetFrameJpeg(int width, int qualityMode) {
    const bool small = width >= 1 && width <= kSmallPictureMaxWidth;
    const int index = small ? 1 : 0;
    std::lock_guard lock(CacheLock);
    TFrameSlot& slot = Cache()[index];
    if (!slot.Jpeg.empty() &&
        std::chrono::steady_clock::now() - slot.EncodedSteady < kFrameReuseTime)
        return {slot.Jpeg, index, true};
    RequestFrame();
    const TBitmap* frame = LockLatestFrame();
    if (!frame) {
        if (slot.OfflineJpeg.empty()) slot.OfflineJpeg = MakeOfflineJpeg(small);
        return {slot.OfflineJpeg, index, false};
    }
    if (slot.FrameNo == FrameCounter && !slot.Jpeg.empty()) {
        UnlockFrame();
        return {slot.Jpeg, index, true};
    }
    EncodeFrame(slot, *frame, small, QualityOf(qualityMode));
    return {slot.Jpeg, index, true};
}

std::string MakeOfflineJpeg(bool small) {
    TBitmap picture = MakeOfflinePicture();
    if (small) HalfSize(picture);
    return EncodeJpeg(picture, kOfflineQuality);
}

TFrameSlot FrameSlot(int index) {
    std::lock_guard lock(CacheLock);
    return Cache()[std::clamp(index, 0, 1)];
}

void ResetFrameCache() {
    std::lock_guard lock(CacheLock);
    for (TFrameSlot& slot : Cache())
        slot = TFrameSlot();
}

}  // namespace palvex
