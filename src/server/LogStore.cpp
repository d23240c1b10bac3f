// The writing side of the log: request and message lines, progress reports,
// and pruning to the visible height.

#include "server/LogStore.h"

#include <functional>

#include "common/TextConv.h"
#include "server/LogText.h"
#include "server/SpeedLimit.h"

namespace palvex {

namespace {

constexpr std::string_view kStatusHalted = "halt";
constexpr uint16_t kProgressDone = 100;

// An image answer small enough to get no progress display.
bool IsSmallImage(const THttpServerThread& conn) {
    return conn.Status <= rsPartial && !conn.ContentType.empty() && conn.ContentType[0] == 'i' &&
           conn.HeaderLength <= ProgressThreshold(GlobalSpeedLimit.load());
}

bool WantsProgress(const THttpServerThread& conn) {
    return conn.Status <= rsPartial &&
           conn.HeaderLength > ProgressThreshold(GlobalSpeedLimit.load()) &&
           (conn.Method == kMethodGet || conn.Method == kMethodPost);
}

}  // namespace

TLogStore& GlobalLogStore() {
    static auto* store = new TLogStore;  // never freed: late threads may log
    return *store;
}

void LogRequest(THttpServerThread& conn) {
    GlobalLogStore().LogRequest(conn);
}

void UpdateProgress(THttpServerThread& conn) {
    GlobalLogStore().UpdateProgress(conn);
}

void TLogStore::LogRequest(THttpServerThread& conn) {
    if (conn.NoLog) return;
    TNewLine line;
    line.Time = StampLogTime(conn);
    conn.SpeedLimit = GlobalSpeedLimit.load();
    if (!logSmallImages_ && IsSmallImage(conn)) return;
    line.Path = LogPathText(conn);
    line.Client = LogClientText(conn);
    line.Request = LogRequestText(conn);
    line.Response = conn.ResponseHeader;
    AddLine(std::move(line), &conn);
}

void TLogStore::LogMessage(std::string_view text, char kind) {
    TNewLine line;
    line.Time = LogTimeNow();
    line.Path = std::string(Utf8Prefix(text, kLogPathChars));
    line.Kind = kind;
    AddLine(std::move(line), nullptr);
}

void TLogStore::AddLine(TNewLine line, THttpServerThread* conn) {
    {
        std::lock_guard lock(lock_);
        const int item = TakeFreeItem();
        TLogLine out;
        out.Id = nextId_++;
        out.Time = std::move(line.Time);
        out.Kind = out.OwnKind = line.Kind;
        out.Client = std::move(line.Client);
        out.Path = std::move(line.Path);
        out.Item = item;
        if (conn) StartProgress(item, *conn, out);
        Prune();
        if (item >= 0) {
            items_[item].InUse = true;
            items_[item].RequestText = std::move(line.Request);
            items_[item].ResponseText = std::move(line.Response);
        }
        lines_.push_back(std::move(out));
        Changed();
    }
    Notify();
}

// The first free item, reset; -1 when all are in use. It is marked in use
// only when its line is added.
int TLogStore::TakeFreeItem() {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].InUse) continue;
        items_[i] = TLogItem{};
        items_[i].SpeedLimit = GlobalSpeedLimit.load();
        return static_cast<int>(i);
    }
    return -1;
}

// Status column of a request line; a large transfer with an item gets the
// progress display and the progress hook.
void TLogStore::StartProgress(int item, THttpServerThread& conn, TLogLine& line) {
    const bool progress = item >= 0 && WantsProgress(conn);
    const TLogStatus status = LogStatusOf(conn, progress);
    line.Status = status.Text;
    line.Colour = status.Colour;
    if (item < 0) return;
    TLogItem& it = items_[item];
    it.Size = conn.HeaderLength;
    it.ConnectionNo = conn.ConnectionNo;
    if (!progress) return;
    it.Active = true;
    conn.LogItem = &it;
    conn.OnProgress = palvex::UpdateProgress;
}

// Removes lines until one more fits into the view, from the top or from below
// the selected line, skipping running transfers and kept lines.
void TLogStore::Prune() {
    const int height = viewHeight_.load();
    int need = kLogLineHeight * static_cast<int>(lines_.size() + 1);
    size_t index = 0;
    if (!pruneFromTop_) {
        for (size_t i = 0; i < lines_.size(); ++i)
            if (lines_[i].Id == selected_) index = i + 1;
    }
    while (need > height && index < lines_.size()) {
        if (!Prunable(lines_[index])) {
            ++index;
            continue;
        }
        RemoveLineAt(index);
        need -= kLogLineHeight;
    }
}

bool TLogStore::Prunable(const TLogLine& line) const {
    if (line.Item < 0) return true;
    const TLogItem& item = items_[line.Item];
    return !(item.InUse && (item.Active || item.Keep));
}

void TLogStore::RemoveLineAt(size_t index) {
    const TLogLine& line = lines_[index];
    if (line.Item >= 0) items_[line.Item].InUse = false;
    if (line.Id == selected_) selected_ = 0;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

void TLogStore::UpdateProgress(THttpServerThread& conn) {
    const int index = ItemIndexOf(conn);
    if (index < 0) return;
    {
        std::lock_guard lock(lock_);
        TLogItem& item = items_[index];
        // A reused item belongs to another connection by now.
        if (!item.InUse || item.ConnectionNo != conn.ConnectionNo) return;
        TLogLine* line = FindLineOfItem(index);
        if (!line || !ApplyProgress(conn, item, *line)) return;
        Changed();
    }
    Notify();
}

// Limit and abort act at every report, also before the first percent; the
// percentage only when it moved. True when the line changed.
bool TLogStore::ApplyProgress(THttpServerThread& conn, TLogItem& item, TLogLine& line) {
    conn.SpeedLimit = item.SpeedLimit;
    if (item.AbortRequest) {
        conn.Abort = true;
        item.Active = false;
        if (line.Status == kStatusHalted && line.Colour == '0') return false;
        line.Status = kStatusHalted;
        line.Colour = '0';
        return true;
    }
    if (conn.Progress == 0 || conn.Progress == item.LastPercent) return false;
    item.LastPercent = conn.Progress;
    if (conn.Progress >= kProgressDone) {
        item.Active = false;
        line.Status.clear();
    } else {
        line.Status = std::to_string(conn.Progress) + "%";
    }
    return true;
}

int TLogStore::ItemIndexOf(const THttpServerThread& conn) const {
    const auto* item = static_cast<const TLogItem*>(conn.LogItem);
    const std::less<const TLogItem*> before;
    if (!item || before(item, items_.data()) || !before(item, items_.data() + items_.size()))
        return -1;
    return static_cast<int>(item - items_.data());
}

TLogLine* TLogStore::FindLineOfItem(int item) {
    for (TLogLine& line : lines_)
        if (line.Item == item) return &line;
    return nullptr;
}

void TLogStore::Changed() {
    ++version_;
}

void TLogStore::Notify() const {
    if (const TLogObserver observer = observer_.load()) observer();
}

std::string LogLineText(const TLogLine& line) {
    return FormatLogColumns(line.Time, line.Client, line.Status, line.Path);
}

}  // namespace palvex
