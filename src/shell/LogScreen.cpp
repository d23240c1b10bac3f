#include "shell/LogScreen.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "config/HelpTopics.h"
#include "shell/LogDelegate.h"
#include "shell/LogModel.h"

namespace palvex {

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TLogScreen::TLogScreen(QListView& logBox, TLogStore& store)
    : QObject(&logBox),
      logBox_(logBox),
      viewport_(logBox.viewport()),
      store_(store),
      model_(new TLogModel(store, this)),
      popup_(new QMenu(&logBox)) {
    popup_->setObjectName("LogPopup");
    // Before the view connects: a current row that moves because lines were
    // pruned is not a click.
    connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { pruning_ = true; });
    connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] { pruning_ = false; });
    connect(model_, &QAbstractItemModel::rowsInserted, this, &TLogScreen::RowsAdded);
    logBox_.setModel(model_);
    logBox_.setItemDelegate(new TLogDelegate(logBox_.font(), this));
    logBox_.setUniformItemSizes(true);
    logBox_.setSelectionMode(QAbstractItemView::SingleSelection);
    logBox_.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    logBox_.setContextMenuPolicy(Qt::CustomContextMenu);
    viewport_->installEventFilter(this);
    BuildPopup();
    connect(&logBox_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { popup_->popup(logBox_.viewport()->mapToGlobal(pos)); });
    connect(logBox_.selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { LogBoxClick(); });
    store_.SetViewHeight(logBox_.viewport()->height());
}

TLogScreen::~TLogScreen() = default;

void TLogScreen::SetHelpTopicHandler(std::function<void(std::string_view)> handler) {
    helpTopic_ = std::move(handler);
}

QAction* TLogScreen::AddPopupItem(const char* name, std::string_view caption, bool checkable) {
    QAction* action = popup_->addAction(Text(caption));
    action->setObjectName(name);
    action->setCheckable(checkable);
    return action;
}

void TLogScreen::BuildPopup() {
    popInfoSize_ = AddPopupItem("popInfoSize", SizeCaption(0), false);
    popup_->addSeparator();
    popLineCopy_ = AddPopupItem("popLineCopy", kPopLineCopy, false);
    popLineCopy_->setShortcut(QKeySequence::Copy);
    popLineCopy_->setShortcutContext(Qt::WidgetShortcut);
    logBox_.addAction(popLineCopy_);
    popStayWith_ = AddPopupItem("popStayWith", kPopStayWith, true);
    popup_->addSeparator();
    popLimit_[0] = AddPopupItem("popLimit0", kPopLimit0, true);
    popLimit_[1] = AddPopupItem("popLimit1kb", kPopLimit1kb, true);
    popLimit_[2] = AddPopupItem("popLimit4kb", kPopLimit4kb, true);
    popup_->addSeparator();
    popAbort_ = AddPopupItem("popAbort", kPopAbort, false);
    connect(popup_, &QMenu::aboutToShow, this, &TLogScreen::LogPopupPopup);
    connect(popLineCopy_, &QAction::triggered, this, &TLogScreen::PopLineCopyClick);
    connect(popStayWith_, &QAction::triggered, this, &TLogScreen::PopStayWithClick);
    for (uint8_t limit = 0; limit < 3; ++limit)
        connect(popLimit_[limit], &QAction::triggered, this,
                [this, limit] { PopLimitClick(limit); });
    connect(popAbort_, &QAction::triggered, this, &TLogScreen::PopAbortClick);
}

// Only the viewport's own events: the list may be half destroyed when its
// viewport's last events arrive.
bool TLogScreen::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport_) return false;
    if (event->type() == QEvent::Resize) store_.SetViewHeight(viewport_->height());
    if (event->type() != QEvent::MouseButtonPress) return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::RightButton) return false;
    LogBoxMouseDown(mouse->position().toPoint());
    return true;
}

uint64_t TLogScreen::SelectedLineId() const {
    const QModelIndexList rows = logBox_.selectionModel()->selectedRows();
    if (rows.isEmpty()) return 0;
    return rows.first().data(TLogModel::LineIdRole).toULongLong();
}

// Right button: select the line under the mouse and keep it and the lines
// above from being pushed out while the popup is open.
void TLogScreen::LogBoxMouseDown(const QPoint& pos) {
    const QModelIndex index = logBox_.indexAt(pos);
    if (!index.isValid()) {
        logBox_.clearSelection();
        store_.Select(0, true);
        if (QPlainTextEdit* memo = VisibleHeadMemo()) memo->clear();
        return;
    }
    rightClick_ = true;
    logBox_.setCurrentIndex(index);
    rightClick_ = false;
    store_.Select(index.data(TLogModel::LineIdRole).toULongLong(), false);
    ShowSelectedHeaders();
}

void TLogScreen::LogBoxClick() {
    if (rightClick_ || pruning_) return;
    if (helpTopic_) helpTopic_(kHelpLogScreen);
    store_.Select(SelectedLineId(), true);
    ShowSelectedHeaders();
}

QPlainTextEdit* TLogScreen::VisibleHeadMemo() const {
    auto* memo = logBox_.window()->findChild<QPlainTextEdit*>(QStringLiteral("HeadMemo"));
    return memo && memo->isVisibleTo(memo->window()) ? memo : nullptr;
}

void TLogScreen::ShowSelectedHeaders() {
    QPlainTextEdit* memo = VisibleHeadMemo();
    if (!memo) return;
    // Head lines end in CR LF; the memo shows each as one line.
    memo->setPlainText(Text(store_.HeadersText(SelectedLineId())).replace("\r\n", "\n"));
}

void TLogScreen::LogPopupPopup() {
    const TLogPopup popup = store_.PreparePopup();
    popupLine_ = popup.LineId;
    popInfoSize_->setText(Text(popup.InfoCaption));
    popInfoSize_->setEnabled(popup.InfoEnabled);
    popLineCopy_->setEnabled(popup.CopyEnabled);
    popStayWith_->setEnabled(popup.KeepEnabled);
    popStayWith_->setChecked(popup.KeepChecked);
    for (uint8_t limit = 0; limit < 3; ++limit) {
        popLimit_[limit]->setEnabled(popup.LimitsEnabled);
        popLimit_[limit]->setChecked(popup.LimitsEnabled && popup.Limit == limit);
    }
    popAbort_->setEnabled(popup.AbortEnabled);
}

void TLogScreen::PopLineCopyClick() {
    const std::string text = store_.CopyText(SelectedLineId());
    if (!text.empty()) QGuiApplication::clipboard()->setText(Text(text));
}

void TLogScreen::PopStayWithClick() {
    store_.ToggleKeep(popupLine_);
}

void TLogScreen::PopLimitClick(uint8_t limit) {
    store_.SetLimit(popupLine_, limit);
}

void TLogScreen::PopAbortClick() {
    store_.RequestAbort(popupLine_);
}

void TLogScreen::LogMessage(std::string_view text, char kind) {
    store_.LogMessage(text, kind);
}

void TLogScreen::TidyLog() {
    logBox_.clearSelection();
    store_.Tidy();
    if (QPlainTextEdit* memo = VisibleHeadMemo()) memo->clear();
    model_->Refresh();
}

// New lines show at the bottom unless the user is looking at a selected line.
void TLogScreen::RowsAdded() {
    if (!logBox_.selectionModel()->hasSelection()) logBox_.scrollToBottom();
}

}  // namespace palvex
