// The main window's file, folder, chat, address and info menus, and the
// configuration actions behind the file menu.

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QSplitter>
#include <QTimer>

#include "app/ServerWiring.h"
#include "common/TextConv.h"
#include "config/PathOps.h"
#include "config/Settings.h"
#include "shell/DesktopServices.h"
#include "shell/MainWindow.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"
#include "shell/TopPanel.h"
#include "shell/logic/FileInfoTemplate.h"
#include "shell/logic/FolderTexts.h"

namespace palvex {

namespace {

constexpr std::string_view kLoadFailedText = "Datei konnte nicht geladen werden.";
constexpr std::string_view kSaveFailedText = "Fehler beim Speichern der .ini-Datei";
constexpr std::string_view kReloadAfterEditText =
    "Nach Änderungen mit dem externen Editor\rmüssen Sie die Konfiguration hier neu laden "
    "(Server-Neustart).";
constexpr std::string_view kUsersUpdatedText = "Benutzer + Ordner aktualisiert";
constexpr std::string_view kIniDialogTitle = "Konfiguration laden";
constexpr std::string_view kIniFilter = "Konfiguration (*.ini *.cfg *.txt);;alle Dateien (*.*)";
constexpr std::string_view kFileInfoDialogTitle = ".FileInfo bearbeiten";
constexpr std::string_view kFileInfoName = ".FileInfo";
constexpr std::string_view kFileInfoFilter = ".FileInfo (*.FileInfo)";
// Pause between stopping and starting the server on a new configuration.
constexpr int kRestartPauseMs = 200;

}  // namespace

void TMainWindow::ConnectMenus() {
    auto on = [this](const char* name, auto slot) {
        connect(Action(name), &QAction::triggered, this, slot);
    };
    on("Konfigurationladen1", [this] { LoadConfigurationClick(); });
    on("Konfigurationspeichern1", [this] { SaveConfiguration(); });
    on("iniDateibearbeiten1", [this] { EditIniFileClick(); });
    on("CreateFileInfo1", [this] { CreateFileInfoClick(); });
    on("IconOnDesktop", [] { CreateDesktopShortcut(); });
    on("ToAutostart", [] { CreateAutostartShortcut(); });
    on("Programmbeenden1", [this] { CloseWithoutQuestions(); });
    on("RootOrdnerwhlen1", [this] { SelRootBtnClick(); });
    on("RootmitdemDateimanageraufrufen1", [] { OpenRootInFileManager(); });
    on("RootmitdemBrowseraufrufen1", [] { OpenRootInBrowser(); });
    on("AuthOptions1", [this] { AuthOptionsClick(); });
    on("IPFilter1", [this] { ShowFilterEditor(this); });
    on("TidyLogScreen1", [] { TidyLog(); });
    on("Chataufrufen1", [] { OpenChatInBrowser(); });
    on("DeleteChatMessages1", [this] { DeleteChatMessagesClick(); });
    on("InternetIPermitteln1", [] { FindPublicIp(); });
    on("lokaleIPsuchen1", [] { FindLanIp(); });
    on("WebserverHomepage1", [] { OpenHomepage(); });
    on("ProxyList1", [] { ShowProxyList(); });
}

void TMainWindow::LoadConfigurationClick() {
    QFileDialog dialog(this, Q(kIniDialogTitle));
    dialog.setObjectName(QStringLiteral("iniOpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    dialog.setNameFilter(Q(kIniFilter));
    if (!iniOpenPath_.isEmpty()) dialog.selectFile(iniOpenPath_);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    ReloadConfiguration(U8(dialog.selectedFiles().first()));
}

void TMainWindow::ReloadConfiguration(const std::string& path) {
    if (!LoadSettingsFile(path)) {
        ErrorBox(kLoadFailedText);
        return;
    }
    top_->setEnabled(false);
    mid_->setEnabled(false);
    QCoreApplication::processEvents();
    StopServerAside(
        [this] { QTimer::singleShot(kRestartPauseMs, this, &TMainWindow::ReloadStopped); });
}

// Stopping waits for running requests (seconds at worst); a thread of its own
// does the waiting, so the window stays alive meanwhile.
void TMainWindow::StopServerAside(std::function<void()> then) {
    WaitForServerStop();
    stopper_ = std::thread([this, then = std::move(then)] {
        StopConfiguredServer();
        QMetaObject::invokeMethod(
            this,
            [this, then] {
                WaitForServerStop();
                then();
            },
            Qt::QueuedConnection);
    });
}

void TMainWindow::WaitForServerStop() {
    if (stopper_.joinable()) stopper_.join();
}

// The second half of a reload, after the pause.
void TMainWindow::ReloadStopped() {
    ApplySettingsAndStart(!GlobalSettings().PortGiven);
    top_->setEnabled(true);
    mid_->setEnabled(true);
}

// Saves to the configuration file in use; a failure is reported and
// leaves SavedText as it was, so closing asks again.
bool TMainWindow::SaveConfiguration() {
    if (SaveSettingsFile("")) return true;
    ErrorBox(std::string(kSaveFailedText) + "\r" + GlobalSettings().IniPath);
    return false;
}

void TMainWindow::EditIniFileClick() {
    const TServerSettings& s = GlobalSettings();
    const bool exists = FileExists(s.IniPath);
    if ((!exists || SettingsToText() != s.SavedText) && !SaveConfiguration()) return;
    if (!Desktop().OpenInEditor(Q(GlobalSettings().IniPath))) return;
    if (ShowMessageDialog(kReloadAfterEditText, TMsgKind::Information, kBtnOk | kBtnCancel) ==
        TMsgResult::Ok)
        ReloadConfiguration(GlobalSettings().IniPath);
}

void TMainWindow::CreateFileInfoClick() {
    QFileDialog dialog(this, Q(kFileInfoDialogTitle));
    dialog.setObjectName(QStringLiteral("FileInfoSaveDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFilter(dialog.filter() | QDir::Hidden);
    dialog.setNameFilter(Q(kFileInfoFilter));
    dialog.setDirectory(fileInfoFolder_);
    dialog.selectFile(Q(kFileInfoName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString file = dialog.selectedFiles().first();
    if (!CreateFileInfoIfMissing(U8(file))) {
        ErrorBox(FolderTextWith(kFolderNotCreated, U8(file)));
        return;
    }
    Desktop().OpenInEditor(file);
}

void TMainWindow::AuthOptionsClick() {
    if (ShowMembersEditor(this)) LogMessage(kUsersUpdatedText, TLogKind::Green);
}

}  // namespace palvex
