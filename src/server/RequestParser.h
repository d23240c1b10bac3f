#pragma once
// Parsing the request head, and the operations request handlers use to read
// the request and write their answer.

#include <cstdint>
#include <string>
#include <string_view>

#include "server/ServerThread.h"

namespace palvex {

// Parses the head text (without the blank line): Headers, Method, RequestURI,
// ContentLength, ClientIP, the server's header hook, then the request-parsed
// hook.
void ParseHead(THttpServerThread& conn, std::string_view head);
// Method value of a request-line token.
uint8_t MethodOf(std::string_view token);
// ClientIP from "X-Forwarded-For" unless private or invalid, else PeerIP.
uint32_t ComputeClientIP(const THttpServerThread& conn);

// Operations for request handlers.
std::string GetHeader(const THttpServerThread& conn, std::string_view name);
// The If-Modified-Since date without what follows a ";" (old clients add
// "; length=..."), to compare with the Last-Modified text sent.
std::string GetIfModifiedSince(const THttpServerThread& conn);
std::string GetQuery(const THttpServerThread& conn);
std::u16string GetQueryW(const THttpServerThread& conn);
std::string GetCredentials(const THttpServerThread& conn);
std::u16string GetFormText(const THttpServerThread& conn, bool utf8);
void AppendBody(THttpServerThread& conn, std::string_view bytes);
void AppendBodyUtf8(THttpServerThread& conn, std::u16string_view text);

}  // namespace palvex
