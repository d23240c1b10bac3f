#pragma once
// The panel beside the log screen: the last request's HTTP head, the help
// pages and the legal notice, one tab each.

#include <QTabWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace palvex {

inline constexpr std::string_view kLegalNoticeHeading = "Rechtliche Hinweise";

class THeaderPanel : public QTabWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(THeaderPanel)

  public:
    explicit THeaderPanel(QWidget* parent);

    // Back to the first tab with an empty head text, the legal notice freed
    // (it is made again when its tab is next shown).
    void Reset();
    // The legal-notice memo, nullptr while it does not exist.
    QPlainTextEdit* LegalMemo() const { return legalMemo_; }

    QWidget* HeaderTabSheet = nullptr;
    QPlainTextEdit* HeadMemo = nullptr;
    QWidget* HelpTabSheet = nullptr;
    QWidget* HelpTopPanel = nullptr;
    QPushButton* HelpMaxBtn = nullptr;
    QPushButton* HelpInhaltBtn = nullptr;
    // Hosts the help browser.
    QWidget* iePanel = nullptr;
    QLabel* DecoImage = nullptr;
    QWidget* LawTabSheet = nullptr;

  private:
    void CreateHelpTab();
    void CreateLegalMemoOnFirstShow(int index);

    QPlainTextEdit* legalMemo_ = nullptr;
};

}  // namespace palvex
