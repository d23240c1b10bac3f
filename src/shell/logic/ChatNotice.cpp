#include "shell/logic/ChatNotice.h"

#include "common/TextConv.h"

namespace palvex {

namespace {

// Characters 12 to 16 of the time text: its hh:mm.
constexpr size_t kClockStart = 11;
constexpr size_t kClockChars = 5;

}  // namespace

std::string ChatNoticeText(std::string_view timeText, std::u16string_view nick,
                           std::u16string_view message) {
    const std::string_view clock =
        timeText.size() > kClockStart ? timeText.substr(kClockStart, kClockChars) : "";
    return std::string(clock) + "  " + WideToUtf8(nick) + ":  " + WideToUtf8(message);
}

}  // namespace palvex
