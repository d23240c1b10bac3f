// The main window's limit, log and view menus: window words, the
// header/help panel, decoration and the global speed limit.

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSplitter>

#include "app/ServerWiring.h"
#include "config/Flags.h"
#include "config/LimitSetting.h"
#include "config/Settings.h"
#include "shell/HeaderPanel.h"
#include "shell/MainWindow.h"
#include "shell/ShellHooks.h"
#include "shell/TopPanel.h"

namespace palvex {

namespace {

constexpr std::string_view kWordMaximize = "maximize";
constexpr std::string_view kWordMinimize = "minimize";
constexpr std::string_view kWordHeaderViewOff = "HeaderViewOff";
constexpr std::string_view kWordNoDeco = "noDeco";
constexpr std::string_view kWordNoSmallImages = "DoNotLogSmallImages";
// A maximised help panel leaves the splitter's minimum and a margin to the
// log, and is never wider than this.
constexpr int kHelpPanelMargin = 60 + 10;
constexpr int kHelpPanelMaxWidth = 700;

constexpr const char* kLimitItems[] = {"Limit0", "Limit1kb", "Limit4kb"};

}  // namespace

void TMainWindow::ConnectViewMenus() {
    for (uint8_t limit = 0; limit < 3; ++limit)
        connect(Action(kLimitItems[limit]), &QAction::triggered, this,
                [this, limit] { LimitItemClick(limit); });
    QAction* smallImages = Action("logMiniImages1");
    connect(smallImages, &QAction::triggered, this, [this, smallImages](bool checked) {
        ToggleWord(smallImages, kWordNoSmallImages, false);
        SetLogSmallImages(checked);
    });
    connect(Action("HeaderView1"), &QAction::triggered, this,
            [this](bool checked) { SetHeaderPanel(checked, true); });
    connect(Action("Decoration1"), &QAction::triggered, this,
            [this](bool checked) { SetDecoration(checked, true); });
    QAction* maximize = Action("StartupMaximize1");
    connect(maximize, &QAction::triggered, this,
            [this, maximize] { ToggleWord(maximize, kWordMaximize, true); });
    QAction* minimize = Action("StartupMinimize1");
    connect(minimize, &QAction::triggered, this,
            [this, minimize] { ToggleWord(minimize, kWordMinimize, true); });
    connect(Action("Help1"), &QAction::triggered, this, [this] { HelpClick(); });
    connect(Action("FreewareHinweis1"), &QAction::triggered, this,
            [this] { FreewareHinweisClick(); });
    connect(Action("HeaderViewOff1"), &QAction::triggered, this,
            [this] { SetHeaderPanel(false, true); });
    connect(Action("PanelMaximize1"), &QAction::triggered, pages_->HelpMaxBtn, &QPushButton::click);
    connect(pages_->HelpMaxBtn, &QPushButton::clicked, this, [this] { HelpMaxBtnClick(); });
    connect(pages_->HelpInhaltBtn, &QPushButton::clicked, this, [] { ShowHelpTopic("index"); });
}

void TMainWindow::ApplyWindowWords() {
    const std::string& words = GlobalSettings().GUI;
    Action("StartupMaximize1")->setChecked(HasFlag(kWordMaximize, words));
    Action("StartupMinimize1")->setChecked(HasFlag(kWordMinimize, words));
    // The server takes the limit itself when it starts.
    const uint8_t limit = SpeedLimitOfSetting(GlobalSettings().Limit);
    if (limit != 0) CheckLimitItem(limit);
    const bool smallImages = !HasFlag(kWordNoSmallImages, words);
    Action("logMiniImages1")->setChecked(smallImages);
    SetLogSmallImages(smallImages);
    if (HasFlag(kWordHeaderViewOff, words)) SetHeaderPanel(false, false);
    if (!HasFlag(kWordNoDeco, words)) SetDecoration(true, false);
}

void TMainWindow::LimitItemClick(uint8_t limit) {
    SetSpeedLimit(limit);
    CheckLimitItem(limit);
}

void TMainWindow::CheckLimitItem(uint8_t limit) {
    for (uint8_t i = 0; i < 3; ++i)
        Action(kLimitItems[i])->setChecked(i == limit);
}

// Writes a window word after its menu item was toggled.
void TMainWindow::ToggleWord(QAction* action, std::string_view word, bool presentWhenChecked) {
    std::string& words = GlobalSettings().GUI;
    if (action->isChecked() == presentWhenChecked)
        AddFlag(words, word);
    else
        RemoveFlag(words, word);
}

void TMainWindow::SetHeaderPanel(bool visible, bool remember) {
    Action("HeaderView1")->setChecked(visible);
    std::string& words = GlobalSettings().GUI;
    if (visible) {
        pages_->show();
        QCoreApplication::processEvents();
        if (remember) RemoveFlag(words, kWordHeaderViewOff);
        return;
    }
    pages_->hide();
    pages_->Reset();
    FreeHelpBrowser();
    if (remember) AddFlag(words, kWordHeaderViewOff);
}

void TMainWindow::SetDecoration(bool on, bool remember) {
    Action("Decoration1")->setChecked(on);
    top_->SetDecorationOn(on);
    if (!remember) return;
    if (on)
        RemoveFlag(GlobalSettings().GUI, kWordNoDeco);
    else
        AddFlag(GlobalSettings().GUI, kWordNoDeco);
}

void TMainWindow::HelpMaxBtnClick() {
    showMaximized();
    const int width = std::min(kHelpPanelMaxWidth, mid_->width() - kHelpPanelMargin);
    const int total = mid_->sizes().value(0) + mid_->sizes().value(1);
    mid_->setSizes({std::max(0, total - width), width});
}

void TMainWindow::ShowPageControlUnremembered() {
    if (!pages_->isHidden()) return;
    pages_->setCurrentIndex(0);
    SetHeaderPanel(true, false);
}

void TMainWindow::HelpClick() {
    ShowPageControlUnremembered();
    ShowHelpTopic("index");
    pages_->setCurrentWidget(pages_->HelpTabSheet);
    pages_->HelpMaxBtn->click();
}

void TMainWindow::FreewareHinweisClick() {
    ShowPageControlUnremembered();
    pages_->setCurrentWidget(pages_->LawTabSheet);
}

}  // namespace palvex
