#include "webapps/ChatLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>

#include "common/FileIo.h"
#include "common/TextConv.h"
#include "server/HttpServer.h"

namespace palvex {

std::vector<TLogBuffer> LogBuffers;

namespace {

constexpr int32_t kSecondsPerDay = 86400;
constexpr mode_t kLogFileMode = 0644;

// The UTC seconds within the month that the flush rule counts in.
int32_t SecondsInMonth(const TSystemTime& t) {
    return static_cast<int32_t>(t.Day) * kSecondsPerDay + static_cast<int32_t>(SecondsOfDay(t));
}

bool ValidSlot(int slot) {
    return slot >= 0 && static_cast<size_t>(slot) < LogBuffers.size() &&
           !LogBuffers[slot].LogPath.empty();
}

// Opens a regular file for appending; O_NONBLOCK keeps a FIFO in its place
// from blocking the caller (and HookLock with it).
int OpenForAppend(const std::string& path, int extraFlags) {
    const int fd =
        open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK | extraFlags, kLogFileMode);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

}  // namespace

int OpenLogBuffer(std::string_view path, std::string_view header, std::string_view lineEnd) {
    if (path.empty()) return -1;
    int slot = -1;
    for (size_t i = 0; i < LogBuffers.size(); ++i) {
        if (LogBuffers[i].LogPath.empty()) {
            slot = static_cast<int>(i);
        } else if (EqualsNoCase(LogBuffers[i].LogPath, path)) {
            slot = static_cast<int>(i);
            break;
        }
    }
    if (slot < 0) {
        LogBuffers.emplace_back();
        slot = static_cast<int>(LogBuffers.size() - 1);
    }
    TLogBuffer& buffer = LogBuffers[slot];
    if (buffer.LogPath.empty()) buffer.LogPath = path;
    if (!header.empty()) buffer.LogHeader = header;
    if (!lineEnd.empty()) buffer.LineEnd = lineEnd;
    return slot;
}

void AppendLogLine(int slot, std::string_view line, std::optional<TSystemTime> time) {
    if (!ValidSlot(slot) || line.empty()) return;
    TLogBuffer& buffer = LogBuffers[slot];
    buffer.Pending += line;
    buffer.Pending += buffer.LineEnd;
    const int32_t now = SecondsInMonth(time ? *time : GetSystemTimeUtc());
    const int32_t since = now - buffer.LastFlush;
    const bool due =
        buffer.Pending.size() > kLogFlushBytes || since < 0 || since > kLogFlushSeconds;
    if (!due) return;
    if (WriteLogFile(buffer.LogPath, buffer.LogHeader, buffer.Pending) ||
        buffer.Pending.size() > kLogDropBytes)
        buffer.Pending.clear();
    buffer.LastFlush = now;
}

void CloseLogBuffer(int slot) {
    if (!ValidSlot(slot)) return;
    TLogBuffer& buffer = LogBuffers[slot];
    WriteLogFile(buffer.LogPath, buffer.LogHeader, buffer.Pending);
    buffer.Pending.clear();
    buffer.LogPath.clear();
    buffer.LogHeader.clear();
    buffer.LineEnd.clear();
}

void FlushAllLogBuffers() {
    std::lock_guard lock(HookLock);
    for (TLogBuffer& buffer : LogBuffers) {
        if (buffer.Pending.empty()) continue;
        WriteLogFile(buffer.LogPath, buffer.LogHeader, buffer.Pending);
        buffer.Pending.clear();
    }
}

bool WriteLogFile(const std::string& path, std::string_view header, std::string_view data) {
    if (data.empty()) return true;
    int fd = OpenForAppend(path, 0);
    bool created = false;
    if (fd < 0 && errno == ENOENT) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        fd = OpenForAppend(path, O_CREAT | O_EXCL);
        created = fd >= 0;
        // Someone else made it in between: append without a second header.
        if (fd < 0 && errno == EEXIST) fd = OpenForAppend(path, 0);
    }
    if (fd < 0) return false;
    bool ok = (!created || WriteAll(fd, header)) && WriteAll(fd, data);
    if (close(fd) != 0) ok = false;
    return ok;
}

}  // namespace palvex
