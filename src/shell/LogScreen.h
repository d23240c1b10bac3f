#pragma once
// The log screen: the list LogBox with its model and delegate, the popup
// LogPopup for one line's transfer, and the request and answer headers of
// the selected line in HeadMemo. Everything goes through the log store's
// own lock; the window never waits for a request handler.

#include <QObject>
#include <functional>
#include <string_view>

#include "server/LogStore.h"

class QAction;
class QListView;
class QMenu;
class QPlainTextEdit;

namespace palvex {

class TLogModel;

inline constexpr std::string_view kPopLineCopy = "Zeile kopieren";
inline constexpr std::string_view kPopStayWith = "Zeile behalten";
inline constexpr std::string_view kPopLimit0 = "kein Speed-Limit";
inline constexpr std::string_view kPopLimit1kb = "Limit   1 kb / Sek.";
inline constexpr std::string_view kPopLimit4kb = "Limit   4 kb / Sek.";
inline constexpr std::string_view kPopAbort = "Upload abbrechen";

class TLogScreen : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TLogScreen)

  public:
    // Takes over logBox (model, delegate, popup, row height); the headers of
    // the selected line go to the window's HeadMemo while that is visible.
    explicit TLogScreen(QListView& logBox, TLogStore& store = GlobalLogStore());
    ~TLogScreen() override;

    // Called with "logscreen" when the user selects a line.
    void SetHelpTopicHandler(std::function<void(std::string_view)> handler);

    void LogMessage(std::string_view text, char kind);
    // "Log-Screen aufräumen".
    void TidyLog();
    void ShowSelectedHeaders();
    QMenu& Popup() const { return *popup_; }
    TLogModel& Model() const { return *model_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* AddPopupItem(const char* name, std::string_view caption, bool checkable);
    void BuildPopup();
    uint64_t SelectedLineId() const;
    void LogBoxMouseDown(const QPoint& pos);
    void LogBoxClick();
    void LogPopupPopup();
    void PopLineCopyClick();
    void PopStayWithClick();
    void PopLimitClick(uint8_t limit);
    void PopAbortClick();
    void RowsAdded();

    // HeadMemo when the header panel shows it, else nullptr.
    QPlainTextEdit* VisibleHeadMemo() const;

    QListView& logBox_;
    QWidget* viewport_;
    TLogStore& store_;
    TLogModel* model_;
    QMenu* popup_;
    QAction* popInfoSize_ = nullptr;
    QAction* popLineCopy_ = nullptr;
    QAction* popStayWith_ = nullptr;
    QAction* popLimit_[3] = {};
    QAction* popAbort_ = nullptr;
    uint64_t popupLine_ = 0;
    bool rightClick_ = false;
    bool pruning_ = false;
    std::function<void(std::string_view)> helpTopic_;
};

}  // namespace palvex
