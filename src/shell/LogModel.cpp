#include "shell/LogModel.h"

#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <thread>
#include <unordered_set>

namespace palvex {

namespace {

// The model that the store's observer reaches; one window, one log.
std::atomic<TLogModel*> g_observingModel{nullptr};

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool SameLook(const TLogLine& a, const TLogLine& b) {
    return a.Kind == b.Kind && a.Colour == b.Colour && a.Status == b.Status && a.Item == b.Item;
}

}  // namespace

TLogModel::TLogModel(TLogStore& store, QObject* parent)
    : QAbstractListModel(parent), store_(store) {
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshInterval);
    connect(&refreshTimer_, &QTimer::timeout, this, &TLogModel::Refresh);
    g_observingModel = this;
    store_.SetObserver(&TLogModel::OnStoreChanged);
    Refresh();
}

TLogModel::~TLogModel() {
    store_.SetObserver(nullptr);
    g_observingModel = nullptr;
}

// Runs on whichever thread changed the store. The window's own changes show
// at once; a connection thread only posts, once per refresh.
void TLogModel::OnStoreChanged() {
    TLogModel* model = g_observingModel.load();
    if (!model) return;
    // Compared by the standard id: asking Qt for the current thread would give
    // every connection thread a Qt thread object of its own.
    if (std::this_thread::get_id() == model->ownThread_) {
        model->Refresh();
        return;
    }
    if (model->pending_.exchange(true)) return;
    QMetaObject::invokeMethod(model, &TLogModel::ScheduleRefresh, Qt::QueuedConnection);
}

void TLogModel::ScheduleRefresh() {
    if (!refreshTimer_.isActive()) refreshTimer_.start();
}

void TLogModel::Refresh() {
    pending_ = false;
    TLogSnapshot snapshot = store_.Snapshot();
    if (snapshot.Version == version_ && !lines_.empty()) return;
    version_ = snapshot.Version;
    RemoveGoneRows(snapshot.Lines);
    UpdateChangedRows(snapshot.Lines);
    AppendNewRows(snapshot.Lines);
}

// Lines only leave the store or join at its end, so the rows left over are a
// prefix of the new lines in the same order.
void TLogModel::RemoveGoneRows(const std::vector<TLogLine>& lines) {
    std::unordered_set<uint64_t> present;
    for (const TLogLine& line : lines)
        present.insert(line.Id);
    for (int row = static_cast<int>(lines_.size()) - 1; row >= 0; --row) {
        if (present.count(lines_[row].Id)) continue;
        int first = row;
        while (first > 0 && !present.count(lines_[first - 1].Id))
            --first;
        beginRemoveRows({}, first, row);
        lines_.erase(lines_.begin() + first, lines_.begin() + row + 1);
        endRemoveRows();
        row = first;
    }
}

void TLogModel::UpdateChangedRows(const std::vector<TLogLine>& lines) {
    for (size_t row = 0; row < lines_.size() && row < lines.size(); ++row) {
        if (SameLook(lines_[row], lines[row])) continue;
        lines_[row] = lines[row];
        const QModelIndex at = index(static_cast<int>(row));
        emit dataChanged(at, at);
    }
}

void TLogModel::AppendNewRows(const std::vector<TLogLine>& lines) {
    if (lines.size() <= lines_.size()) return;
    const int first = static_cast<int>(lines_.size());
    beginInsertRows({}, first, static_cast<int>(lines.size()) - 1);
    lines_.insert(lines_.end(), lines.begin() + first, lines.end());
    endInsertRows();
}

int TLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant TLogModel::data(const QModelIndex& index, int role) const {
    const TLogLine* line = LineAt(index.row());
    if (!line) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return Text(LogLineText(*line));
        case LineIdRole:
            return QVariant::fromValue<qulonglong>(line->Id);
        case KindRole:
            return QChar(line->Kind);
        case ColourRole:
            return QChar(line->Colour);
        case TimeRole:
            return Text(line->Time);
        case ClientRole:
            return Text(line->Client);
        case StatusRole:
            return Text(line->Status);
        case PathRole:
            return Text(line->Path);
        default:
            return {};
    }
}

const TLogLine* TLogModel::LineAt(int row) const {
    if (row < 0 || row >= static_cast<int>(lines_.size())) return nullptr;
    return &lines_[row];
}

int TLogModel::RowOf(uint64_t lineId) const {
    for (size_t row = 0; row < lines_.size(); ++row)
        if (lines_[row].Id == lineId) return static_cast<int>(row);
    return -1;
}

}  // namespace palvex
