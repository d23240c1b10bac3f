// Closing the main window: the two questions, and what is written.

#include <QCloseEvent>
#include <QLabel>
#include <QSplitter>

#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/MainWindow.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"
#include "shell/TopPanel.h"

namespace palvex {

namespace {

constexpr std::string_view kSaveQuestion = "Einstellungen speichern?";
constexpr std::string_view kStopQuestion = "Server wirklich beenden?";
constexpr std::string_view kClosingText = "Programm wird beendet";

}  // namespace

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    top_->hide();
    mid_->hide();
    statusLabel_->setText(Q(kClosingText));
    RemoveTrayIcon();
    WaitForServerStop();
    event->accept();
}

// The questions of closing; false keeps the window open.
bool TMainWindow::MayClose() {
    if (confirmOnClose_ && SettingsToText() != GlobalSettings().SavedText) {
        const TMsgResult answer =
            ShowMessageDialog(kSaveQuestion, TMsgKind::Confirmation, kBtnYes | kBtnNo | kBtnCancel,
                              TMsgPlacement::Default);
        if (answer == TMsgResult::Cancel || answer == TMsgResult::None) return false;
        // A failed save keeps the window open, so nothing the user set is lost.
        if (answer == TMsgResult::Yes && !SaveConfiguration()) return false;
        confirmOnClose_ = false;
    }
    if (confirmOnClose_ && GlobalServer().Active) {
        return ShowMessageDialog(kStopQuestion, TMsgKind::Confirmation, kBtnYes | kBtnNo,
                                 TMsgPlacement::Default) == TMsgResult::Yes;
    }
    return true;
}

void TMainWindow::CloseWithoutQuestions() {
    confirmOnClose_ = false;
    close();
}

}  // namespace palvex
