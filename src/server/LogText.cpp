#include "server/LogText.h"

#include "common/Codecs.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

constexpr size_t kTimestampDateStart = 5;  // "YYYY-" is not shown
constexpr uint32_t kProgressThresholds[] = {61440, 6144, 20480};

std::string Padded(std::string_view text, size_t width) {
    std::string out(text);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

}  // namespace

TLogStatus LogStatusOf(const THttpServerThread& conn, bool progress) {
    switch (conn.Status) {
        case rsBadRequest:
            return {"bad", 'R'};
        case rsAuthRequired:
            return {"Auth", 'G'};
        case rsForbidden:
            return {"fbdd", 'R'};
        case rsNotFound:
            return {"not", 'R'};
        case rsOverload:
            return {"over", 'G'};
        default:
            break;
    }
    if (progress && conn.Status <= rsPartial) return {"0 %", 'B'};
    if (conn.Method == kMethodHead) return {"head", 'G'};
    if (conn.Method == kMethodPost) return {"post", 'G'};
    return {"", '0'};
}

std::string LogClientText(const THttpServerThread& conn) {
    if (conn.UserName.empty()) return FormatIPv4(conn.ClientIP);
    std::string name = conn.UserName.substr(0, kLogClientChars);
    if (name.size() == kLogClientChars) name.back() = '.';
    return name;
}

std::string LogPathText(const THttpServerThread& conn) {
    std::string path = WideToAnsi(conn.Path);
    if (path.empty()) {
        path = conn.RequestURI;
        for (char& c : path)
            if (static_cast<unsigned char>(c) < 32) c = '.';
    }
    return std::string(Utf8Prefix(path, kLogPathChars));
}

std::string LogRequestText(const THttpServerThread& conn) {
    std::string text;
    for (const std::string& line : conn.Headers)
        text += line + "\r\n";
    text += "\r\n";
    text += conn.RequestBody.substr(0, kLogRequestBodyChars);
    return text;
}

std::string StampLogTime(THttpServerThread& conn) {
    if (conn.LogTime.Year == 0) conn.LogTime = GetLocalTimeNow();
    if (conn.LogTimeText.empty()) conn.LogTimeText = FormatTimestamp(conn.LogTime);
    return conn.LogTimeText.substr(kTimestampDateStart);
}

std::string LogTimeNow() {
    return FormatTimestamp(GetLocalTimeNow()).substr(kTimestampDateStart);
}

uint32_t ProgressThreshold(uint8_t speedLimit) {
    return kProgressThresholds[speedLimit < 3 ? speedLimit : 0];
}

std::string FormatLogColumns(std::string_view time, std::string_view client,
                             std::string_view status, std::string_view path) {
    return std::string(time) + "  " + Padded(client, kLogClientChars) + "  " +
           Padded(status, kLogStatusChars) + "  " + std::string(path);
}

}  // namespace palvex
