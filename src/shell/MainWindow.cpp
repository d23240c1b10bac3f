#include "shell/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <mutex>

#include "app/ServerWiring.h"
#include "common/TextConv.h"
#include "config/Flags.h"
#include "config/PathOps.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/FolderChooser.h"
#include "shell/HeaderPanel.h"
#include "shell/MainMenus.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"
#include "shell/TopPanel.h"
#include "shell/logic/ChatNotice.h"
#include "webapps/Chat.h"

namespace palvex {

namespace {

// Client area of the window at start and its font.
constexpr int kClientWidth = 688;
constexpr int kClientHeight = 434;
constexpr int kFontPixels = 13;
// Header/help panel: start width, splitter handle, smallest width.
constexpr int kPageControlWidth = 250;
constexpr int kSplitterWidth = 8;
constexpr int kSplitterMinSize = 60;
// GelbAusTimer (used by the address display).
constexpr int kGelbAusMilliseconds = 1000;

// The window told about chat messages; set and cleared inside HookLock, so a
// connection thread never posts to a window that is gone.
TMainWindow* gNoticeWindow = nullptr;

// OnChatMessage: runs on a connection thread inside HookLock. It never
// touches a widget and never waits for the GUI thread; it posts the text.
void ChatNoticeHook(const std::string& timeText, const std::u16string& nick,
                    const std::u16string& message) {
    if (!gNoticeWindow) return;
    TMainWindow* window = gNoticeWindow;
    const QString text = Q(ChatNoticeText(timeText, nick, message));
    QMetaObject::invokeMethod(
        window, [window, text] { window->ShowChatNotice(text); }, Qt::QueuedConnection);
}

}  // namespace

TMainWindow::TMainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPixelSize(kFontPixels);
    setFont(windowFont);
    BuildMainMenus(*menuBar());
    CreateCentralArea();
    CreateStatusAndWait();
    ConnectTopPanel();
    ConnectMenus();
    ConnectViewMenus();
    SetStateTexts(Q(kTitleOffline), Q(kTrayTipOffline), "", false);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    SetDialogOwner(this);
    std::lock_guard lock(HookLock);
    gNoticeWindow = this;
    OnChatMessage = ChatNoticeHook;
}

TMainWindow::~TMainWindow() {
    WaitForServerStop();
    std::lock_guard lock(HookLock);
    if (gNoticeWindow == this) {
        gNoticeWindow = nullptr;
        OnChatMessage = nullptr;
    }
}

void TMainWindow::CreateCentralArea() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    top_ = new TTopPanel(central);
    layout->addWidget(top_);
    mid_ = new QSplitter(Qt::Horizontal, central);
    mid_->setObjectName(QStringLiteral("MidPanel"));
    mid_->setHandleWidth(kSplitterWidth);
    mid_->setChildrenCollapsible(false);
    logBox_ = CreateLogBox(mid_);
    pages_ = new THeaderPanel(mid_);
    pages_->setMinimumWidth(kSplitterMinSize);
    pages_->setContextMenuPolicy(Qt::CustomContextMenu);
    mid_->addWidget(logBox_);
    mid_->addWidget(pages_);
    mid_->setStretchFactor(0, 1);
    mid_->setStretchFactor(1, 0);
    mid_->handle(1)->setObjectName(QStringLiteral("Splitter1"));
    mid_->setSizes({kClientWidth - kPageControlWidth - kSplitterWidth, kPageControlWidth});
    layout->addWidget(mid_, 1);
    setCentralWidget(central);
    QMenu* popup = BuildPageControlPopup(*this);
    connect(pages_, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint& at) { popup->popup(pages_->mapToGlobal(at)); });
}

void TMainWindow::CreateStatusAndWait() {
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(false);
    statusLabel_ = new QLabel(statusBar());
    statusLabel_->setObjectName(QStringLiteral("StatusText"));
    statusLabel_->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(statusLabel_, 1);
    waitPanel_ = new QLabel(this);
    waitPanel_->setObjectName(QStringLiteral("WaitPanel"));
    waitPanel_->setTextFormat(Qt::PlainText);
    waitPanel_->setAlignment(Qt::AlignCenter);
    waitPanel_->setAutoFillBackground(true);
    QPalette green = waitPanel_->palette();
    green.setColor(QPalette::Window, QColor(0, 128, 0));
    green.setColor(QPalette::WindowText, Qt::white);
    waitPanel_->setPalette(green);
    QFont bold = font();
    bold.setBold(true);
    waitPanel_->setFont(bold);
    waitPanel_->hide();
    gelbAusTimer_ = new QTimer(this);
    gelbAusTimer_->setObjectName(QStringLiteral("GelbAusTimer"));
    gelbAusTimer_->setSingleShot(true);
    gelbAusTimer_->setInterval(kGelbAusMilliseconds);
}

QAction* TMainWindow::Action(const char* name) const {
    return MenuAction(*this, QLatin1String(name));
}

QString TMainWindow::StatusText() const {
    return statusLabel_->text();
}

void TMainWindow::SetStateTexts(const QString& title, const QString& tip, const std::string& status,
                                bool started) {
    setWindowTitle(title);
    trayTip_ = tip;
    SetTrayTip(U8(tip));
    statusLabel_->setText(Q(status));
    if (!status.empty()) LogMessage(status, started ? TLogKind::Green : TLogKind::Red);
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (firstActivationDone_) return;
    QMetaObject::invokeMethod(this, &TMainWindow::FirstActivation, Qt::QueuedConnection);
}

void TMainWindow::FirstActivation() {
    if (firstActivationDone_ || GlobalServer().Active) return;
    firstActivationDone_ = true;
    const TServerSettings& s = GlobalSettings();
    const bool maximize = HasFlag("maximize", s.GUI);
    const bool minimize = HasFlag("minimize", s.GUI);
    ApplyWindowWords();
    QCoreApplication::processEvents();
    SetHints();
    confirmOnClose_ = true;
    PresetChooserFolder(WideToUtf8(s.Root));
    fileInfoFolder_ = Q(WideToUtf8(s.Root));
    SetRequestObserver(LogRequestHook());
    ApplySettingsAndStart(!s.PortGiven);
    ScheduleStartupWindowState(maximize, minimize && GlobalServer().Active);
}

void TMainWindow::ScheduleStartupWindowState(bool maximize, bool minimize) {
    if (maximize) QMetaObject::invokeMethod(this, &QWidget::showMaximized, Qt::QueuedConnection);
    if (minimize) QMetaObject::invokeMethod(this, &QWidget::showMinimized, Qt::QueuedConnection);
}

void TMainWindow::ApplySettingsAndStart(bool retryPorts) {
    const TServerSettings& s = GlobalSettings();
    top_->RootEd->setText(Q(WideToUtf8(s.Root)));
    top_->ListingCheckBox->setChecked(s.Listing);
    if (s.IP != 0) ShowAddressAsUrl(s.IP);
    iniOpenPath_ = Q(s.IniPath);
    if (!FolderExists(s.Root)) LogMessage(kRootMissingText, TLogKind::Red);
    QCoreApplication::processEvents();
    while (!StartConfiguredServer(retryPorts)) {
        const std::string text = std::string(kStartFailedPrefix) +
                                 std::to_string(GlobalServer().Port) +
                                 std::string(kStartFailedSuffix);
        if (ShowMessageDialog(text, TMsgKind::Error, kBtnRetry | kBtnCancel,
                              TMsgPlacement::Default) != TMsgResult::Retry) {
            ShowServerStopped();
            return;
        }
    }
    ShowServerStarted();
}

void TMainWindow::ShowServerStarted() {
    const QString port = QString::number(GlobalServer().Port);
    const QString p = QStringLiteral("Port ") + port;
    top_->PortEd->setText(port);
    SetStateTexts(p + Q(kTitleStartedSuffix), p, std::string(kServerStartedText) + U8(p), true);
}

void TMainWindow::ShowServerStopped() {
    top_->PortEd->clear();
    SetStateTexts(Q(kTitleStopped), Q(kTrayTipOffline), std::string(kServerStoppedText), false);
}

void TMainWindow::ShowChatNotice(const QString& text) {
    top_->ChatEd->setText(text);
    QPalette yellow = top_->ChatEd->palette();
    yellow.setColor(QPalette::Base, Qt::yellow);
    top_->ChatEd->setPalette(yellow);
}

void TMainWindow::ShowWait(const QString& text) {
    top_->setEnabled(false);
    mid_->setEnabled(false);
    const int textWidth = fontMetrics().horizontalAdvance(text);
    const int width = (textWidth / 4) * 5 + 40;
    const int height = waitPanel_->sizeHint().height() + 16;
    const QRect client = centralWidget()->geometry();
    waitPanel_->setText(text);
    waitPanel_->setGeometry(client.left() + (client.width() - width) / 2,
                            client.top() + (client.height() - height) / 2, width, height);
    waitPanel_->show();
    waitPanel_->raise();
    QCoreApplication::processEvents();
}

void TMainWindow::HideWait() {
    waitPanel_->hide();
    top_->setEnabled(true);
    mid_->setEnabled(true);
}

void TMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const int limit = std::max(kSplitterMinSize + 10, width() - 70);
    QList<int> sizes = mid_->sizes();
    if (sizes.size() == 2 && sizes[1] > limit) {
        sizes[0] += sizes[1] - limit;
        sizes[1] = limit;
        mid_->setSizes(sizes);
    }
}

void TMainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) WindowMinimised();
}

}  // namespace palvex
