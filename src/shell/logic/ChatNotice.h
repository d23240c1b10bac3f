#pragma once
// The main window's one-line notice of the latest chat message.

#include <string>
#include <string_view>

namespace palvex {

// hh:mm of a time text "YYYY-MM-DD hh:mm:ss", two blanks, nick, ":  ", message.
std::string ChatNoticeText(std::string_view timeText, std::u16string_view nick,
                           std::u16string_view message);

}  // namespace palvex
