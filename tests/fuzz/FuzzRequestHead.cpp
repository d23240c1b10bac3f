// libFuzzer target: a request head as it arrives, and everything the request
// handler derives from it (path, range, query, credentials, form text).

#include <cstdint>
#include <string_view>

#include "common/Codecs.h"
#include "server/ByteRange.h"
#include "server/RequestParser.h"
#include "server/RequestPath.h"
#include "server/ServerThread.h"

using namespace palvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("10.0.0.1")};
    const size_t end = input.find("\r\n\r\n");
    ParseHead(conn, input.substr(0, end));
    if (end != std::string_view::npos) conn.RequestBody = std::string(input.substr(end + 4));

    const TRequestPath path = ParseRequestPath(conn.RequestURI);
    if (path.Kind != kPathInvalid && path.RelPath.find(u"..") != std::u16string::npos)
        __builtin_trap();

    const auto range = ParseRange(GetHeader(conn, "Range"), 1000);
    if (range && uint64_t{range->Start} + range->Length > 1000) __builtin_trap();

    GetQueryParam("first", GetQueryW(conn));
    GetCredentials(conn);
    GetFormText(conn, true);
    GetFormText(conn, false);
    return 0;
}
