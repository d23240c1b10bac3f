#include "server/LogBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "common/FileIo.h"
#include "common/TextConv.h"
#include "server/HttpServer.h"

namespace palvex {

TLogFailureHook OnLogWriteFailure = nullptr;

namespace {

// The log-buffer table, indexed by slot number; never freed, as a connection
// thread may still log while the program ends.
std::vector<TLogBuffer>& LogBuffers() {
    static auto* buffers = new std::vector<TLogBuffer>;
    return *buffers;
}

constexpr int32_t kSecondsPerDay = 86400;
constexpr mode_t kLogFileMode = 0644;

// The UTC seconds within the month that the flush rule counts in.
int32_t SecondsInMonth(const TSystemTime& t) {
    return static_cast<int32_t>(t.Day) * kSecondsPerDay + static_cast<int32_t>(SecondsOfDay(t));
}

bool ValidSlot(int slot) {
    return slot >= 0 && static_cast<size_t>(slot) < LogBuffers().size() &&
           !LogBuffers()[slot].LogPath.empty();
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

// Takes back what a failed write appended, so that the retry neither repeats
// a part nor leaves half a line: a file it created goes (the retry writes the
// header again), an older one is cut back to its size before.
void TakeBack(int fd, const std::string& path, bool created, off_t before) {
    if (created) {
        unlink(path.c_str());
        return;
    }
    if (before >= 0 && ftruncate(fd, before) != 0) return;  // the retry appends after the part
}

void Report(const std::string& message) {
    if (OnLogWriteFailure) OnLogWriteFailure(message);
}

void ReportLost(const TLogBuffer& buffer, size_t lines) {
    Report("Chat-Log: " + std::to_string(lines) + " Zeilen verloren (" + buffer.LogPath + ")");
}

size_t WaitingLines(const TLogBuffer& buffer) {
    if (buffer.Pending.empty()) return 0;
    if (buffer.LineEnd.empty()) return 1;
    size_t lines = 0;
    for (size_t at = buffer.Pending.find(buffer.LineEnd); at != std::string::npos;
         at = buffer.Pending.find(buffer.LineEnd, at + buffer.LineEnd.size()))
        ++lines;
    return std::max<size_t>(lines, 1);
}

// Drops the oldest waiting lines beyond kLogKeepBytes and counts them.
void KeepBounded(TLogBuffer& buffer) {
    while (buffer.Pending.size() > kLogKeepBytes) {
        const size_t end =
            buffer.LineEnd.empty() ? std::string::npos : buffer.Pending.find(buffer.LineEnd);
        ++buffer.LostLines;
        if (end == std::string::npos) {
            buffer.Pending.clear();
            return;
        }
        buffer.Pending.erase(0, end + buffer.LineEnd.size());
    }
}

// Writes what waits; true when it is out (a closed slot is then freed). The
// first failure of an episode is reported, and lines lost during it once
// writing works again.
bool WritePending(TLogBuffer& buffer) {
    if (!WriteLogFile(buffer.LogPath, buffer.LogHeader, buffer.Pending)) {
        const int error = errno;
        if (!buffer.Failing)
            Report("Chat-Log konnte nicht geschrieben werden: " + buffer.LogPath + " (" +
                   std::strerror(error) + ")");
        buffer.Failing = true;
        return false;
    }
    buffer.Pending.clear();
    if (buffer.LostLines > 0) ReportLost(buffer, buffer.LostLines);
    buffer.LostLines = 0;
    buffer.Failing = false;
    if (buffer.Closed) buffer = TLogBuffer{};
    return true;
}

// A new line is also the moment to try again the files that failed before.
void RetryFailedSlots(const TLogBuffer* except) {
    for (TLogBuffer& buffer : LogBuffers())
        if (&buffer != except && buffer.Failing && !buffer.LogPath.empty()) WritePending(buffer);
}

}  // namespace

int OpenLogBuffer(std::string_view path, std::string_view header, std::string_view lineEnd) {
    if (path.empty()) return -1;
    int slot = -1;
    for (size_t i = 0; i < LogBuffers().size(); ++i) {
        if (LogBuffers()[i].LogPath.empty()) {
            slot = static_cast<int>(i);
        } else if (EqualsNoCase(LogBuffers()[i].LogPath, path)) {
            slot = static_cast<int>(i);
            break;
        }
    }
    if (slot < 0) {
        LogBuffers().emplace_back();
        slot = static_cast<int>(LogBuffers().size() - 1);
    }
    TLogBuffer& buffer = LogBuffers()[slot];
    if (buffer.LogPath.empty()) buffer.LogPath = path;
    buffer.Closed = false;
    if (!header.empty()) buffer.LogHeader = header;
    if (!lineEnd.empty()) buffer.LineEnd = lineEnd;
    return slot;
}

void AppendLogLine(int slot, std::string_view line, std::optional<TSystemTime> time) {
    if (!ValidSlot(slot) || line.empty()) return;
    TLogBuffer& buffer = LogBuffers()[slot];
    buffer.Pending += line;
    buffer.Pending += buffer.LineEnd;
    KeepBounded(buffer);
    const int32_t now = SecondsInMonth(time ? *time : GetSystemTimeUtc());
    const int32_t since = now - buffer.LastFlush;
    const bool due = buffer.Failing || buffer.Pending.size() > kLogFlushBytes || since < 0 ||
                     since > kLogFlushSeconds;
    if (due) {
        WritePending(buffer);
        buffer.LastFlush = now;
    }
    RetryFailedSlots(&buffer);
}

void CloseLogBuffer(int slot) {
    if (!ValidSlot(slot)) return;
    TLogBuffer& buffer = LogBuffers()[slot];
    buffer.Closed = true;
    if (buffer.Pending.empty())
        buffer = TLogBuffer{};
    else
        WritePending(buffer);
}

void FlushAllLogBuffers() {
    std::lock_guard lock(HookLock);
    for (TLogBuffer& buffer : LogBuffers()) {
        if (buffer.Pending.empty() || WritePending(buffer)) continue;
        ReportLost(buffer, WaitingLines(buffer) + buffer.LostLines);
        buffer.Pending.clear();
        buffer.LostLines = 0;
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
    const off_t before = created ? 0 : lseek(fd, 0, SEEK_END);
    if ((!created || WriteAll(fd, header)) && WriteAll(fd, data)) return close(fd) == 0;
    const int error = errno;
    TakeBack(fd, path, created, before);
    close(fd);
    errno = error;
    return false;
}

namespace detail {

const TLogBuffer& LogBufferSlot(int slot) {
    return LogBuffers().at(static_cast<size_t>(slot));
}

void ClearLogBuffers() {
    LogBuffers().clear();
}

}  // namespace detail

}  // namespace palvex
