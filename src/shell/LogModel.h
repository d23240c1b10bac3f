#pragma once
// The log store's lines as a list model for the log screen. The store tells
// of changes from any thread; the model picks them up on its own thread at
// most every kRefreshInterval, so a busy server never floods the window.

#include <QAbstractListModel>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "server/LogStore.h"

namespace palvex {

class TLogModel : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLogModel)

  public:
    enum Role {
        LineIdRole = Qt::UserRole + 1,
        KindRole,
        ColourRole,
        TimeRole,
        ClientRole,
        StatusRole,
        PathRole,
    };
    static constexpr std::chrono::milliseconds kRefreshInterval{40};

    // Shows store; becomes its observer (one model per store).
    explicit TLogModel(TLogStore& store, QObject* parent = nullptr);
    ~TLogModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    TLogStore& Store() const { return store_; }
    // The line of a row; nullptr outside the rows.
    const TLogLine* LineAt(int row) const;
    // The row of a line id, -1 when it is not shown.
    int RowOf(uint64_t lineId) const;

  public slots:
    // Takes the store's lines now: removed rows, changed rows, new rows.
    void Refresh();

  private:
    static void OnStoreChanged();
    void ScheduleRefresh();
    void RemoveGoneRows(const std::vector<TLogLine>& lines);
    void UpdateChangedRows(const std::vector<TLogLine>& lines);
    void AppendNewRows(const std::vector<TLogLine>& lines);

    TLogStore& store_;
    std::vector<TLogLine> lines_;
    uint64_t version_ = 0;
    QTimer refreshTimer_;
    std::atomic<bool> pending_{false};
    const std::thread::id ownThread_ = std::this_thread::get_id();
};

}  // namespace palvex
