#pragma once
// One plain HTTP request for the public-address echo: GET, or POST with
// data, the whole answer body as bytes whatever the status.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace palvex {

struct TInternetProgress;
using TInternetCallback = void (*)(std::string_view url, TInternetProgress& progress,
                                   const std::string& answerSoFar);

// Optional progress record: the callback sees every chunk and may cancel.
struct TInternetProgress {
    uint32_t Reserved = 0;
    uint32_t Available = 0;  // bytes of the first chunk of the answer
    int32_t Total = 0;       // bytes read so far
    TInternetCallback Callback = nullptr;
    bool Cancel = false;    // set by the callback: the request fails
    bool Finished = false;  // the answer is complete
};

// Time-outs of one request; a request that runs into one fails.
struct TInternetLimits {
    std::chrono::milliseconds Connect{10'000};
    std::chrono::milliseconds Total{20'000};
};

// Answers bigger than this fail: an echo answer is a few bytes.
constexpr size_t kMaxInternetAnswerBytes = 1 << 20;

// Requests url (agent "Agent"; the environment's proxy when
// usePreconfiguredProxy, else none; reload: no cached answer). True with the
// answer body; false when the URL cannot be split, the connection or
// transfer fails or times out, the callback cancels, or the answer is too big.
bool InternetRequest(std::string_view url, bool usePreconfiguredProxy, bool reload,
                     std::string& answer, TInternetProgress* progress = nullptr,
                     const std::string* postData = nullptr, const TInternetLimits& limits = {});

}  // namespace palvex
