#pragma once
// The request log as the log screen shows it: a short list of lines, each
// with an optional item from a fixed pool that carries the per-connection
// controls (progress, keep, speed limit, abort) and the headers.
//
// The store has its own lock, taken last: connection threads enter it from
// inside HookLock, the window enters it alone, so a long request handler
// never freezes the window. Nothing in here waits for the window; a change
// only calls the observer, which must return at once.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "server/ServerThread.h"

namespace palvex {

constexpr size_t kLogItemCount = 100;
constexpr int kLogLineHeight = 20;
// Until the window reports its list height, room for about 30 lines.
constexpr int kDefaultLogViewHeight = 600;

// Kinds of line.
constexpr char kLogRequest = 'W';
constexpr char kLogGreen = 'G';
constexpr char kLogRed = 'R';
constexpr char kLogKept = 'Y';

// Per-connection state behind a line; a pool of kLogItemCount, never freed.
struct TLogItem {
    bool InUse = false;
    uint8_t SpeedLimit = 0;  // 0 none, 1 = 1 kb/s, 2 = 4 kb/s
    bool Active = false;     // a transfer with progress display is running
    bool Keep = false;
    bool AbortRequest = false;
    int32_t LastPercent = 0;
    uint32_t Size = 0;          // bytes announced for the answer, 0 unknown
    int32_t ConnectionNo = -1;  // the connection the item serves, -1 none
    std::string RequestText;
    std::string ResponseText;
};

struct TLogLine {
    uint64_t Id = 0;  // unique for the life of the process, never 0
    std::string Time;
    char Kind = kLogRequest;
    char OwnKind = kLogRequest;  // the kind to return to when no longer kept
    std::string Client;
    char Colour = '0';
    std::string Status;
    std::string Path;
    int Item = -1;  // index into the pool, -1 without item
};

struct TLogSnapshot {
    std::vector<TLogLine> Lines;
    uint64_t Selected = 0;
    uint64_t Version = 0;
};

// What the popup menu of a line offers (computed when it opens).
struct TLogPopup {
    uint64_t LineId = 0;  // 0: no line selected
    bool InfoEnabled = false;
    std::string InfoCaption;
    bool CopyEnabled = false;
    bool KeepEnabled = false;
    bool KeepChecked = false;
    bool LimitsEnabled = false;
    uint8_t Limit = 0;
    bool AbortEnabled = false;
};

using TLogObserver = void (*)();

class TLogStore {
  public:
    // The header hook's work: one request line; may attach the progress hook.
    void LogRequest(THttpServerThread& conn);
    // The progress hook's work: limit and abort from the popup, percentage.
    void UpdateProgress(THttpServerThread& conn);
    // A green or red message line.
    void LogMessage(std::string_view text, char kind);

    // The visible height of the list in pixels; pruning keeps the lines within it.
    void SetViewHeight(int pixels) { viewHeight_ = pixels; }
    // Whether lines of image answers at or below the progress threshold are logged.
    void SetLogSmallImages(bool on) { logSmallImages_ = on; }
    bool LogSmallImages() const { return logSmallImages_; }
    // Called after every change, from whichever thread made it.
    void SetObserver(TLogObserver observer) { observer_ = observer; }

    // Selects a line (0: none). pruneFromTop false protects the selected line
    // and every line above it from pruning.
    void Select(uint64_t lineId, bool pruneFromTop);
    // Removes the selection and every line without a running transfer.
    void Tidy();
    // Prepares the popup for the selected line and stops pruning above it.
    TLogPopup PreparePopup();
    // Toggles "keep" of a line with an item; true when the line exists.
    bool ToggleKeep(uint64_t lineId);
    // Speed limit for the line's transfer, taken at its next progress report.
    void SetLimit(uint64_t lineId, uint8_t limit);
    // Asks the line's transfer to stop at its next progress report.
    void RequestAbort(uint64_t lineId);
    // "time  client  path" trimmed, empty when the line is gone.
    std::string CopyText(uint64_t lineId) const;
    // Request, three blank lines and response, empty without headers.
    std::string HeadersText(uint64_t lineId) const;

    TLogSnapshot Snapshot() const;
    // A copy of a pool item (tests and the popup).
    TLogItem Item(size_t index) const;
    // Empties the store (tests).
    void Clear();

  private:
    struct TNewLine {
        std::string Time, Client, Path, Request, Response;
        char Kind = kLogRequest;
    };

    void AddLine(TNewLine line, THttpServerThread* conn);
    int TakeFreeItem();
    void StartProgress(int item, THttpServerThread& conn, TLogLine& line);
    void Prune();
    void RemoveLineAt(size_t index);
    bool Prunable(const TLogLine& line) const;
    TLogLine* FindLine(uint64_t lineId);
    const TLogLine* FindLine(uint64_t lineId) const;
    TLogLine* FindLineOfItem(int item);
    TLogItem* ItemOfLine(const TLogLine& line);
    int ItemIndexOf(const THttpServerThread& conn) const;
    bool ApplyProgress(THttpServerThread& conn, TLogItem& item, TLogLine& line);
    void Changed();
    void Notify() const;

    mutable std::mutex lock_;
    std::array<TLogItem, kLogItemCount> items_;
    std::vector<TLogLine> lines_;
    uint64_t nextId_ = 1;
    uint64_t selected_ = 0;
    bool pruneFromTop_ = true;
    uint64_t version_ = 0;
    std::atomic<int> viewHeight_{kDefaultLogViewHeight};
    std::atomic<bool> logSmallImages_{true};
    std::atomic<TLogObserver> observer_{nullptr};
};

// The program's one log.
TLogStore& GlobalLogStore();

// The hooks for the server: the header hook and the progress hook.
void LogRequest(THttpServerThread& conn);
void UpdateProgress(THttpServerThread& conn);

// Caption of the popup's size item: kilobytes rounded, or "keine Informationen".
std::string SizeCaption(uint32_t size);
// The line in columns, as the list reads it out and headless prints it.
std::string LogLineText(const TLogLine& line);

}  // namespace palvex
