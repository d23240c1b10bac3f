#pragma once
// The chat's shared state, for the chat's own files and its tests. Touch it
// inside HookLock only.

#include <cstdint>
#include <ctime>
#include <deque>
#include <string>

#include "webapps/Chat.h"

namespace palvex {

struct TChatStore {
    // The messages, oldest first.
    std::deque<TChatMessage> Messages;
    // Last-Modified of the message frame; empty at start and after deletion.
    std::string LastMessageDate;
    // Seconds since 1970 behind LastMessageDate; 0 while it is empty.
    time_t LastMessageSeconds = 0;
    // Local time of the last message-frame poll that was logged.
    double LastPollTime = 0;
    // Log-buffer slot of the current day's log file; -1 before the first message.
    int LogIndex = -1;
    // Local day number of the last message; 0 before the first.
    int64_t LogDay = 0;
    // Folder that holds the "ChatLog<year>/" folders (see SetChatLogFolder).
    std::string LogFolder;
};

// Created on first use and never freed: a connection thread may still answer
// after main returns.
TChatStore& ChatStore();

}  // namespace palvex
