// The user's side of the log: selection, popup, keep, limits, abort, copy,
// headers, tidying and the snapshot the window draws from.

#include <algorithm>

#include "common/TextConv.h"
#include "server/LogStore.h"

namespace palvex {

namespace {

constexpr std::string_view kNoSizeInfo = "keine Informationen";
constexpr std::string_view kHeadersGap = "\r\n\r\n\r\n";
constexpr uint8_t kHighestLimit = 2;

}  // namespace

std::string SizeCaption(uint32_t size) {
    if (size == 0) return std::string(kNoSizeInfo);
    const uint32_t kb = size / 1024 + (size % 1024 >= 512 ? 1 : 0);
    return std::to_string(kb) + " kb";
}

void TLogStore::Select(uint64_t lineId, bool pruneFromTop) {
    std::lock_guard lock(lock_);
    selected_ = FindLine(lineId) ? lineId : 0;
    pruneFromTop_ = pruneFromTop;
}

void TLogStore::Tidy() {
    {
        std::lock_guard lock(lock_);
        selected_ = 0;
        pruneFromTop_ = true;
        for (size_t i = 0; i < lines_.size();) {
            const TLogItem* item = ItemOfLine(lines_[i]);
            if (item && item->Active)
                ++i;
            else
                RemoveLineAt(i);
        }
        Changed();
    }
    Notify();
}

TLogPopup TLogStore::PreparePopup() {
    std::lock_guard lock(lock_);
    pruneFromTop_ = false;
    TLogPopup popup;
    popup.InfoCaption = SizeCaption(0);
    const TLogLine* line = FindLine(selected_);
    if (!line) return popup;
    popup.LineId = line->Id;
    popup.CopyEnabled = true;
    const TLogItem* item = ItemOfLine(*line);
    if (!item) return popup;
    popup.InfoEnabled = item->Size > 0;
    popup.InfoCaption = SizeCaption(item->Size);
    popup.KeepEnabled = true;
    popup.KeepChecked = item->Keep;
    popup.LimitsEnabled = item->Active;
    popup.Limit = item->SpeedLimit;
    popup.AbortEnabled = item->Active && !item->AbortRequest;
    return popup;
}

bool TLogStore::ToggleKeep(uint64_t lineId) {
    {
        std::lock_guard lock(lock_);
        TLogLine* line = FindLine(lineId);
        TLogItem* item = line ? ItemOfLine(*line) : nullptr;
        if (!item) return false;
        item->Keep = !item->Keep;
        const char kind = item->Keep ? kLogKept : line->OwnKind;
        if (kind == line->Kind) return true;
        line->Kind = kind;
        Changed();
    }
    Notify();
    return true;
}

void TLogStore::SetLimit(uint64_t lineId, uint8_t limit) {
    std::lock_guard lock(lock_);
    const TLogLine* line = FindLine(lineId);
    if (TLogItem* item = line ? ItemOfLine(*line) : nullptr)
        item->SpeedLimit = std::min(limit, kHighestLimit);
}

void TLogStore::RequestAbort(uint64_t lineId) {
    std::lock_guard lock(lock_);
    const TLogLine* line = FindLine(lineId);
    if (TLogItem* item = line ? ItemOfLine(*line) : nullptr) item->AbortRequest = true;
}

std::string TLogStore::CopyText(uint64_t lineId) const {
    std::lock_guard lock(lock_);
    const TLogLine* line = FindLine(lineId);
    if (!line) return {};
    return std::string(TrimBlanks(line->Time + "  " + line->Client + "  " + line->Path));
}

std::string TLogStore::HeadersText(uint64_t lineId) const {
    std::lock_guard lock(lock_);
    const TLogLine* line = FindLine(lineId);
    if (!line || line->Item < 0) return {};
    const TLogItem& item = items_[line->Item];
    if (item.RequestText.empty()) return {};
    return item.RequestText + std::string(kHeadersGap) + item.ResponseText;
}

TLogSnapshot TLogStore::Snapshot() const {
    std::lock_guard lock(lock_);
    return {lines_, selected_, version_};
}

TLogItem TLogStore::Item(size_t index) const {
    std::lock_guard lock(lock_);
    return items_.at(index);
}

void TLogStore::Clear() {
    {
        std::lock_guard lock(lock_);
        items_.fill(TLogItem{});
        lines_.clear();
        selected_ = 0;
        pruneFromTop_ = true;
        Changed();
    }
    Notify();
}

TLogLine* TLogStore::FindLine(uint64_t lineId) {
    if (lineId == 0) return nullptr;
    for (TLogLine& line : lines_)
        if (line.Id == lineId) return &line;
    return nullptr;
}

const TLogLine* TLogStore::FindLine(uint64_t lineId) const {
    return const_cast<TLogStore*>(this)->FindLine(lineId);
}

TLogItem* TLogStore::ItemOfLine(const TLogLine& line) {
    if (line.Item < 0 || !items_[line.Item].InUse) return nullptr;
    return &items_[line.Item];
}

}  // namespace palvex
