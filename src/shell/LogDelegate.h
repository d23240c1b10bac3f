#pragma once
// Draws a log line: background by kind, then time, client, status (in its
// colour) and path in columns measured once from the view's font.

#include <QColor>
#include <QStyledItemDelegate>

namespace palvex {

class TLogDelegate : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLogDelegate)

  public:
    static constexpr int kLineHeight = 20;
    static constexpr int kScrollWidth = 650;  // the list scrolls sideways this far
    static constexpr int kInset = 2;

    // Measures the columns in font.
    explicit TLogDelegate(const QFont& font, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QColor Background(QChar kind);
    static QColor StatusColour(QChar colour);
    static QColor SelectedBackground() { return {0, 0, 128}; }

  private:
    int timeWidth_ = 0;
    int clientWidth_ = 0;
    int statusWidth_ = 0;
};

}  // namespace palvex
