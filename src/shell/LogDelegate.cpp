#include "shell/LogDelegate.h"

#include <QFontMetrics>
#include <QPainter>

#include "shell/LogModel.h"

namespace palvex {

namespace {

// Widths of the columns: the widest text each can hold and a little air.
constexpr const char* kTimeProbe = "99-99 99:99:99xXX";
constexpr const char* kClientProbe = "999.999.999.999xXX";
constexpr const char* kStatusProbe = "999 %xX";

}  // namespace

TLogDelegate::TLogDelegate(const QFont& font, QObject* parent) : QStyledItemDelegate(parent) {
    const QFontMetrics metrics(font);
    timeWidth_ = metrics.horizontalAdvance(kTimeProbe);
    clientWidth_ = metrics.horizontalAdvance(kClientProbe);
    statusWidth_ = metrics.horizontalAdvance(kStatusProbe);
}

QColor TLogDelegate::Background(QChar kind) {
    switch (kind.toLatin1()) {
        case 'G':
            return {224, 255, 224};
        case 'R':
            return {255, 224, 224};
        case 'Y':
            return {255, 255, 208};
        default:
            return Qt::white;
    }
}

QColor TLogDelegate::StatusColour(QChar colour) {
    switch (colour.toLatin1()) {
        case 'B':
            return {0, 0, 255};
        case 'G':
            return {128, 128, 128};
        case 'R':
            return {160, 0, 0};
        default:
            return Qt::black;
    }
}

void TLogDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, selected ? SelectedBackground()
                                            : Background(index.data(TLogModel::KindRole).toChar()));
    painter->setFont(option.font);
    const QColor text = selected ? QColor(Qt::white) : QColor(Qt::black);
    QRect cell = option.rect.adjusted(kInset, kInset, 0, 0);
    const auto draw = [&](int role, const QColor& colour, int width) {
        painter->setPen(colour);
        painter->drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data(role).toString());
        cell.setLeft(cell.left() + width);
    };
    draw(TLogModel::TimeRole, text, timeWidth_);
    draw(TLogModel::ClientRole, text, clientWidth_);
    draw(TLogModel::StatusRole,
         selected ? text : StatusColour(index.data(TLogModel::ColourRole).toChar()), statusWidth_);
    draw(TLogModel::PathRole, text, 0);
    painter->restore();
}

QSize TLogDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {kScrollWidth, kLineHeight};
}

}  // namespace palvex
