// The tray icon: minimising hides the window behind it, a double click or a
// right-button release brings the window back and removes it. Where the
// desktop has no tray, minimising only minimises, so the window stays
// reachable from the task bar.

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QPointer>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "config/PathOps.h"
#include "config/ProgramPaths.h"
#include "shell/DesktopServices.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

constexpr std::string_view kTrayIconFile = "icons/palvex-48.png";
constexpr int kMaxTipChars = 63;

QString& TrayTip() {
    static QString tip;
    return tip;
}

// The shipped icon, else the window's, else the style's computer icon.
QIcon ProgramIcon() {
    const std::string file = FindProgramFile(kTrayIconFile, ProgramPaths());
    if (FileExists(file)) return QIcon(Q(file));
    const QIcon window = QApplication::windowIcon();
    return window.isNull() ? QApplication::style()->standardIcon(QStyle::SP_ComputerIcon) : window;
}

void ShowWindowAgain(QWidget* window) {
    if (!window) return;
    window->showNormal();
    window->activateWindow();
}

// Removes the icon whenever the window is shown again.
class TShowWatcher : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) RemoveTrayIcon();
        return false;
    }
};

QPointer<QSystemTrayIcon>& TrayPointer() {
    static QPointer<QSystemTrayIcon> tray;
    return tray;
}

QSystemTrayIcon& Tray() {
    QPointer<QSystemTrayIcon>& tray = TrayPointer();
    if (tray) return *tray;
    QWidget* window = DialogOwner();
    tray = new QSystemTrayIcon(ProgramIcon(), window);
    tray->setObjectName(QStringLiteral("TrayIcon"));
    QPointer<QWidget> owner = window;
    QObject::connect(
        tray, &QSystemTrayIcon::activated, tray, [owner](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Context)
                ShowWindowAgain(owner);
        });
    if (window) window->installEventFilter(new TShowWatcher(tray));
    return *tray;
}

}  // namespace

void SetTrayTip(std::string_view tip) {
    TrayTip() = Q(tip).left(kMaxTipChars);
}

void RemoveTrayIcon() {
    if (QSystemTrayIcon* tray = TrayPointer()) tray->hide();
}

void WindowMinimised() {
    QWidget* window = DialogOwner();
    if (!window || !Desktop().TrayAvailable()) return;
    // After the minimising has run its course, which may show the window.
    QTimer::singleShot(0, window, [window] {
        if (!window->isMinimized()) return;
        QSystemTrayIcon& tray = Tray();
        tray.setToolTip(TrayTip());
        window->hide();
        tray.show();
    });
}

}  // namespace palvex
