#pragma once
// Buffered append-only log files. Lines collect in memory per file (a slot of
// the log-buffer table) and are written in batches: at once when the last
// write attempt is more than five minutes old or more than 16 KiB wait,
// otherwise at the next such line, when the slot is closed or at program end.
//
// A write that fails (a read-only folder, a full disk) loses nothing and
// leaves nothing half-written in the file: the lines stay waiting, up to
// kLogKeepBytes (beyond, the oldest go and are counted), and every new line
// of any file tries again, as does the program's end. The first failure of
// such an episode is reported through OnLogWriteFailure, and so are lines
// that were lost, once it is known how many.
//
// The chat's daily files are the only logs written this way so far, which is
// why the failure messages name the chat log.
//
// The table is shared process state: call these inside HookLock.
// FlushAllLogBuffers takes HookLock itself (it is recursive).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/SystemTime.h"

namespace palvex {

// Pending text above this size is written with the next line.
constexpr size_t kLogFlushBytes = 16384;
// While writes fail, at most this much waits; the oldest lines go first.
constexpr size_t kLogKeepBytes = 1024 * 1024;
// Lines wait at most this long after the last write attempt (while lines come).
constexpr int32_t kLogFlushSeconds = 300;

struct TLogBuffer {
    std::string LogPath;    // empty: free slot
    std::string LogHeader;  // written once when the file is created
    std::string LineEnd;    // appended after every line
    std::string Pending;    // lines not yet written
    int32_t LastFlush = 0;  // UTC seconds within the month of the last write attempt
    bool Failing = false;   // the last write failed (and was reported)
    size_t LostLines = 0;   // lines dropped at the bound during this failure
    bool Closed = false;    // closed with lines left; freed once they are written
};

// Told about a failure to write a log file (the first of an episode) and about
// lost lines, as a message line for the log screen or stderr. Called inside
// HookLock; must return at once. Set it before the server starts.
using TLogFailureHook = void (*)(const std::string& message);
extern TLogFailureHook OnLogWriteFailure;

// The slot of path (compared without regard to ASCII case), else a free slot
// or a new one that then holds path; header and lineEnd are stored when not
// empty. -1 for an empty path.
int OpenLogBuffer(std::string_view path, std::string_view header, std::string_view lineEnd);
// Queues line (plus the slot's line end) and writes the pending text when it
// is due; time (UTC, default now) decides that. Invalid or free slots and
// empty lines are ignored.
void AppendLogLine(int slot, std::string_view line, std::optional<TSystemTime> time = std::nullopt);
// Writes what is pending and frees the slot; when the write fails the slot
// keeps its lines (no longer reachable by its number) until a retry succeeds.
void CloseLogBuffer(int slot);
// Writes and empties the pending text of every slot; for the end of the
// program, after the server stopped. Lines that still cannot be written are
// reported as lost. Takes HookLock.
void FlushAllLogBuffers();
// Appends data to the file at path; a missing file is created (with its
// folders) and begins with header. True when nothing failed; empty data
// succeeds without touching the file. A failed write leaves the file as it
// was (a file it created is removed), so a retry neither repeats nor loses a
// line; errno tells why it failed.
bool WriteLogFile(const std::string& path, std::string_view header, std::string_view data);

namespace detail {
// A slot's state; slot must be valid.
const TLogBuffer& LogBufferSlot(int slot);
// Drops every slot with what it holds.
void ClearLogBuffers();
}  // namespace detail

}  // namespace palvex
