#pragma once
// The chat's pages: the frameset, the form, the posting and the message frame.

#include <string>
#include <string_view>

#include "server/ServerThread.h"

namespace palvex {

// Answers a request below "*chat\" by the path's file name; 404 for unknown ones.
void ChatRequest(THttpServerThread& conn, const std::u16string& path);
void ChatFramesetPage(THttpServerThread& conn);
// The form; with a nick it is fixed in the form, with reload the message
// frame reloads.
void ChatInputPage(THttpServerThread& conn, std::u16string_view nick, bool reload);
void ChatPostPage(THttpServerThread& conn);
void ChatMessagesPage(THttpServerThread& conn);

}  // namespace palvex
