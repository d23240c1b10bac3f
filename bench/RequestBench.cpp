// Micro benchmarks of the request path: decoding, header lookup, head parsing.

#include <benchmark/benchmark.h>

#include "common/Codecs.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"

namespace palvex {
namespace {

// A head as current browsers send it.
const std::string kBrowserHead =
    "GET /Fotos/Urlaub%202026/M%C3%BCnchen/IMG_0042.jpg?tn=120 HTTP/1.1\r\n"
    "Host: 192.168.1.20:8080\r\n"
    "User-Agent: Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/156.0.0.0 Safari/537.36\r\n"
    "Accept: image/avif,image/webp,image/apng,image/svg+xml,image/*,*/*;q=0.8\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "Accept-Language: de-DE,de;q=0.9,en-US;q=0.8,en;q=0.7\r\n"
    "Referer: http://192.168.1.20:8080/Fotos/Urlaub%202026/M%C3%BCnchen/\r\n"
    "Connection: keep-alive\r\n"
    "If-Modified-Since: Sun, 06 Nov 2026 08:49:37 GMT";

void BM_PercentDecodeW(benchmark::State& state) {
    const std::string path = "/Fotos/Urlaub%202026/M%C3%BCnchen/IMG_0042+copy%u20AC.jpg";
    for (auto _ : state)
        benchmark::DoNotOptimize(PercentDecodeW(path));
}
BENCHMARK(BM_PercentDecodeW);

void BM_FindHeaderValue(benchmark::State& state) {
    THttpServer server;
    THttpServerThread conn{server, -1, 0};
    ParseHead(conn, kBrowserHead);
    for (auto _ : state)
        benchmark::DoNotOptimize(FindHeaderValue(conn.Headers, "If-Modified-Since"));
}
BENCHMARK(BM_FindHeaderValue);

void BM_ParseHead(benchmark::State& state) {
    THttpServer server;
    THttpServerThread conn{server, -1, 0};
    for (auto _ : state) {
        ParseHead(conn, kBrowserHead);
        benchmark::DoNotOptimize(conn.Method);
    }
}
BENCHMARK(BM_ParseHead);

}  // namespace
}  // namespace palvex
