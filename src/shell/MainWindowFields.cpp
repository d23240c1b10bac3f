// The main window's top panel: port field and second instance, root,
// listing, address and chat fields.

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/ServerWiring.h"
#include "common/TextConv.h"
#include "config/CommandLine.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/DesktopServices.h"
#include "shell/FolderChooser.h"
#include "shell/HookLockTasks.h"
#include "shell/MainWindow.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"
#include "shell/TopPanel.h"
#include "shell/logic/PortField.h"
#include "shell/logic/SecondInstance.h"
#include "webapps/Chat.h"

namespace palvex {

namespace {

constexpr std::string_view kPortHint = "interner Port auf diesem PC";
constexpr std::string_view kRootHint = "Basis-Verzeichnis für öffentliche Dateien";
// "Root " + folder
constexpr std::string_view kRootChangedPrefix = "Root ";

TRunningPort RunningPort() {
    const THttpServer& server = GlobalServer();
    return {server.Active.load(), server.Port};
}

}  // namespace

void TMainWindow::ConnectTopPanel() {
    TTopPanel& t = *top_;
    connect(t.PortEd, &QLineEdit::textChanged, this, &TMainWindow::PortEdChange);
    connect(t.PortEd, &QLineEdit::returnPressed, this, &TMainWindow::startPortBtnClick);
    connect(t.startPortBtn, &QPushButton::clicked, this, &TMainWindow::startPortBtnClick);
    connect(t.SelRootBtn, &QPushButton::clicked, this, &TMainWindow::SelRootBtnClick);
    connect(t.ListingCheckBox, &QCheckBox::clicked, this, &TMainWindow::ListingCheckBoxClick);
    connect(t.ListingEdBtn, &QPushButton::clicked, this, [this] {
        ShowHelpTopic("listing");
        EditListingProperties(this);
    });
    connect(t.CamCheckBox, &QCheckBox::clicked, this, [&t] { CamCheckBoxClicked(*t.CamCheckBox); });
    connect(t.CamEdBtn, &QPushButton::clicked, this, [&t] { CamEdBtnClicked(*t.CamCheckBox); });
    connect(t.FindIPBtn, &QPushButton::clicked, this, [] { FindPublicIp(); });
    connect(t.callChatBtn, &QPushButton::clicked, this, [] { OpenChatInBrowser(); });
    connect(&t, &TTopPanel::HomepageClicked, this, [] { OpenHomepage(); });
    for (QLineEdit* field : {t.PortEd, t.RootEd, t.IPEd, t.ChatEd})
        field->installEventFilter(this);
}

void TMainWindow::SetHints() {
    TTopPanel& t = *top_;
    for (QWidget* w : std::initializer_list<QWidget*>{t.PortLabel, t.PortEd, t.startPortBtn})
        w->setToolTip(Q(kPortHint));
    for (QWidget* w : std::initializer_list<QWidget*>{t.RootLabel, t.RootEd, t.SelRootBtn})
        w->setToolTip(Q(kRootHint));
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) FieldEntered(watched);
    if (event->type() == QEvent::FocusOut) FieldLeft(watched);
    return QMainWindow::eventFilter(watched, event);
}

// The button a field's Enter stands for is shown as the default one.
void TMainWindow::FieldEntered(QObject* field) {
    TTopPanel& t = *top_;
    if (field == t.PortEd) {
        t.startPortBtn->setDefault(true);
        ShowHelpTopic("newport");
    } else if (field == t.RootEd) {
        t.SelRootBtn->setDefault(true);
        ShowHelpTopic("menu-folders");
    } else if (field == t.IPEd) {
        t.FindIPBtn->setDefault(true);
    } else if (field == t.ChatEd) {
        t.callChatBtn->setDefault(true);
        t.ChatEd->setPalette(QPalette());
        ShowHelpTopic("chat");
    }
}

void TMainWindow::FieldLeft(QObject* field) {
    TTopPanel& t = *top_;
    for (QPushButton* b : {t.startPortBtn, t.SelRootBtn, t.FindIPBtn, t.callChatBtn})
        b->setDefault(false);
    if (field == t.PortEd) PortEdExit();
}

void TMainWindow::PortEdChange() {
    top_->startPortBtn->setEnabled(PortStartEnabled(U8(top_->PortEd->text()), RunningPort()));
}

void TMainWindow::PortEdExit() {
    if (top_->PortEd->text().trimmed().isEmpty()) ShowRunningPortAgain();
}

void TMainWindow::ShowRunningPortAgain() {
    if (GlobalServer().Active) top_->PortEd->setText(QString::number(GlobalServer().Port));
}

void TMainWindow::startPortBtnClick() {
    const QString text = top_->PortEd->text().trimmed();
    if (text.isEmpty()) {
        ShowRunningPortAgain();
        return;
    }
    const int32_t port = ParsePortText(U8(text));
    const std::string message = PortMessage(port, RunningPort());
    if (!message.empty()) {
        ErrorBox(message);
        ShowRunningPortAgain();
        top_->PortEd->selectAll();
        top_->PortEd->setFocus();
        return;
    }
    if (GlobalServer().Active) {
        StartSecondInstance(port);
        return;
    }
    GlobalSettings().Port = port;
    ApplySettingsAndStart(false);
    if (!GlobalServer().Active) return;
    top_->startPortBtn->setEnabled(false);
    top_->RootEd->setFocus();
}

// A running server never moves: another port gets its own program instance.
void TMainWindow::StartSecondInstance(int32_t port) {
    QStringList args;
    for (const std::string& arg : SecondInstanceArgs(CommandLineArgs(), port, GlobalSettings().IP))
        args << Q(arg);
    Desktop().StartDetached(QCoreApplication::applicationFilePath(), args);
    ShowRunningPortAgain();
    top_->RootEd->setFocus();
}

void TMainWindow::SelRootBtnClick() {
    top_->SelRootBtn->setEnabled(false);
    ShowHelpTopic("menu-folders");
    const std::string folder = ChooseFolder("", U8(top_->RootEd->text()), "", true);
    if (!folder.empty() && Q(folder) != top_->RootEd->text()) ChangeRoot(folder);
    top_->SelRootBtn->setEnabled(true);
}

void TMainWindow::ChangeRoot(const std::string& folder) {
    top_->RootEd->setText(Q(folder));
    QCoreApplication::processEvents();
    fileInfoFolder_ = Q(folder);
    RunWithHookLock([folder] { SetRootFolder(Utf8ToWide(folder)); });
    LogMessage(std::string(kRootChangedPrefix) + folder, TLogKind::Green);
}

void TMainWindow::ListingCheckBoxClick(bool checked) {
    RunWithHookLock([checked] { SetListingEnabled(checked); });
    ShowHelpTopic("listing");
}

void TMainWindow::DeleteChatMessagesClick() {
    top_->ChatEd->clear();
    QCoreApplication::processEvents();
    RunWithHookLock([] { DeleteChatMessages(); });
}

}  // namespace palvex
