#include "server/RequestParser.h"

#include <algorithm>
#include <limits>

#include "common/Codecs.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr size_t kMethodTokenMax = 7;
constexpr size_t kHeaderValueMax = 255;

// Splits the head into lines at CR, LF or CR LF; a NUL ends the text.
std::vector<std::string> SplitHeadLines(std::string_view head) {
    std::vector<std::string> lines;
    head = head.substr(0, head.find('\0'));
    size_t start = 0;
    while (start < head.size()) {
        const size_t end = head.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(head.substr(start));
            break;
        }
        lines.emplace_back(head.substr(start, end - start));
        start = end + 1;
        if (head[end] == '\r' && start < head.size() && head[start] == '\n') ++start;
    }
    return lines;
}

}  // namespace

uint8_t MethodOf(std::string_view token) {
    token = token.substr(0, kMethodTokenMax);
    if (token == "GET") return kMethodGet;
    const std::string upper = AsciiUpper(token);
    if (upper == "GET") return kMethodGet;
    if (upper == "HEAD") return kMethodHead;
    if (upper == "POST") return kMethodPost;
    return kMethodOther;
}

void ParseHead(THttpServerThread& conn, std::string_view head) {
    size_t lead = 0;
    while (lead < head.size() && static_cast<unsigned char>(head[lead]) <= 32)
        ++lead;
    conn.Headers = SplitHeadLines(head.substr(lead));
    const std::string_view requestLine =
        conn.Headers.empty() ? std::string_view() : std::string_view(conn.Headers[0]);
    const size_t blank = requestLine.find(' ');
    conn.Method = MethodOf(requestLine.substr(0, blank));
    const std::string_view rest =
        TrimBlanks(blank == std::string_view::npos ? "" : requestLine.substr(blank + 1));
    conn.RequestURI = std::string(rest.substr(0, rest.find(" HTTP/")));
    long long length = 0;
    if (!ParseInt(GetHeader(conn, "content-length"), length) || length < 0 ||
        length > std::numeric_limits<int32_t>::max())
        length = 0;
    conn.ContentLength = static_cast<int32_t>(length);
    conn.ClientIP = ComputeClientIP(conn);
    conn.OnHeader = conn.Server->OnHeader;
    CallHook(conn.Server->OnRequestParsed, conn);
}

uint32_t ComputeClientIP(const THttpServerThread& conn) {
    std::string v = GetHeader(conn, "X-Forwarded-For");
    if (v.empty()) return conn.PeerIP;
    for (const char* privatePrefix : {"192.168.", "127.0.", "10."})
        if (v.starts_with(privatePrefix)) return conn.PeerIP;
    for (char separator : {',', ';'}) {
        const size_t at = v.find(separator, 1);
        if (at != std::string::npos) v = std::string(TrimBlanks(std::string_view(v).substr(0, at)));
    }
    const uint32_t address = ParseIPv4(v);
    return address != 0 ? address : conn.PeerIP;
}

std::string GetHeader(const THttpServerThread& conn, std::string_view name) {
    std::string value = FindHeaderValue(conn.Headers, name);
    if (value.size() > kHeaderValueMax) value.resize(kHeaderValueMax);
    return value;
}

std::string GetIfModifiedSince(const THttpServerThread& conn) {
    std::string since = GetHeader(conn, "If-Modified-Since");
    since.resize(std::min(since.size(), since.find(';')));
    return since;
}

std::string GetQuery(const THttpServerThread& conn) {
    const size_t q = conn.RequestURI.find('?');
    return q == std::string::npos ? std::string() : conn.RequestURI.substr(q);
}

std::u16string GetQueryW(const THttpServerThread& conn) {
    const std::string query = GetQuery(conn);
    return query.empty() ? std::u16string() : PercentDecodeW(query);
}

std::string GetCredentials(const THttpServerThread& conn) {
    std::string user, password;
    DecodeBasicCredentials(GetHeader(conn, "Authorization"), user, password);
    std::string joined = user + ":" + password;
    return joined == ":" ? std::string() : joined;
}

std::u16string GetFormText(const THttpServerThread& conn, bool utf8) {
    std::string text;
    for (char c : conn.RequestBody)
        if (static_cast<unsigned char>(c) >= 32) text += c;
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty()) return {};
    return u"&" + (utf8 ? Utf8ToWide(PercentDecode(trimmed)) : PercentDecodeW(trimmed));
}

void AppendBody(THttpServerThread& conn, std::string_view bytes) {
    conn.ResponseBody += bytes;
}

void AppendBodyUtf8(THttpServerThread& conn, std::u16string_view text) {
    conn.ResponseBody += WideToUtf8(text);
}

}  // namespace palvex
