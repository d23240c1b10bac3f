#include "server/BuiltinImages.h"

#include "common/Codecs.h"
#include "server/RequestParser.h"

namespace palvex {

namespace {

constexpr std::string_view kBlankGifHex =
    "47494638396108000800F300000000000000330033000033330000660066000033660066330066660000990033"
    "990000CC0033CC0000FF0033FFFFFFFF21F9040100000F002C000000000800080000080F001F081C48B0A0C183"
    "08132A4C1810003B";
constexpr std::string_view kColorGifPrefixHex =
    "47494638396108000800F300000000000000330033000033330000660066000033660066330066660000990033"
    "990000CC0033CC";
constexpr std::string_view kColorGifSuffixHex =
    "0000FF0033FF21F90400000000002C000000000800080000080F001B081C48B0A0C18308132A4C1810003B";
constexpr std::string_view kTnGifHex =
    "47494638396112000E00F300000000000000330033000033330000660033664848480000990033990000CC0033"
    "CC8080800000FF0033FF989898FFFFFF21F90400000000002C0000000012000E000008590017081C48B020C107"
    "08132A5CF840E0030710234A94D870C1C3891821567C08A0634707000C4004A0D16144922343822C69F1E44903"
    "21516E7439D2014C99266BEA84C9F2E24A9D3F6766C428742845870C932234C8D46040003B";
constexpr size_t kColorDigits = 6;

void SendGif(THttpServerThread& conn, std::string bytes) {
    conn.ResponseBody = std::move(bytes);
    conn.Status = rsOk;
    conn.ContentType = "image/gif";
}

bool IsColorText(std::u16string_view c) {
    if (c.size() != kColorDigits) return false;
    for (char16_t ch : c)
        if (!((ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') ||
              (ch >= u'A' && ch <= u'F')))
            return false;
    return true;
}

}  // namespace

void SendBlankGif(THttpServerThread& conn) {
    static const std::string bytes = HexToBytes(kBlankGifHex);
    SendGif(conn, bytes);
}

void SendColorGif(THttpServerThread& conn) {
    const std::u16string c = GetQueryParam("c", GetQueryW(conn));
    if (!IsColorText(c)) return SendBlankGif(conn);
    std::string hex(kColorGifPrefixHex);
    for (char16_t ch : c)
        hex += static_cast<char>(ch);
    hex += kColorGifSuffixHex;
    SendGif(conn, HexToBytes(hex));
}

void SendTnGif(THttpServerThread& conn) {
    static const std::string bytes = HexToBytes(kTnGifHex);
    SendGif(conn, bytes);
}

}  // namespace palvex
