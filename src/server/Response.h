#pragma once
// Turns the answer fields of a connection into an HTTP/1.0 answer and sends
// it in blocks, throttled by the connection's speed limit and cancellable.

#include <string>
#include <string_view>

#include "common/SystemTime.h"
#include "server/ServerThread.h"

namespace palvex {

constexpr size_t kThrottleSmallBlock = 1024;  // SpeedLimit 1: 1 KiB per second
constexpr size_t kThrottleLargeBlock = 4096;  // SpeedLimit 2: 4 KiB per second
constexpr int kThrottlePassMs = 125;
constexpr size_t kThrottleMinBody = 512;

// Status line (without CR LF) and default body of a status value.
std::string_view StatusLine(uint8_t status);
std::string_view DefaultBody(uint8_t status);

// Runs the request handler and sends the whole answer.
void HandleRequest(THttpServerThread& conn);
// Sends the head (once) and the current ResponseBody.
bool SendResponse(THttpServerThread& conn, bool final);
// Assembles ResponseHeader and calls the header hook.
bool BuildHeader(THttpServerThread& conn, bool final);
// Sends bytes in blocks; data is consumed.
bool SendData(THttpServerThread& conn, std::string& data, bool throttle);
// Waits until the socket takes more bytes, checking Abort every 125 ms so
// that a blocked send stays cancellable; a stop ends it at once. False when
// the connection stopped or the peer took nothing for the idle time-out.
bool WaitWritable(const THttpServerThread& conn);
// Updates Progress and notifies, at most every 3 seconds.
void ReportProgress(THttpServerThread& conn, uint32_t sentInCall);
// "Sun, 06 Nov 1994 08:49:37 GMT"
std::string FormatHttpDate(const TSystemTime& t);

}  // namespace palvex
