#include "shell/DesktopServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QSystemTrayIcon>

#include "shell/DesktopLinks.h"

namespace palvex {

namespace {

std::unique_ptr<TDesktopServices>& Current() {
    static std::unique_ptr<TDesktopServices> services = std::make_unique<TDesktopServices>();
    return services;
}

}  // namespace

bool TDesktopServices::OpenUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

bool TDesktopServices::StartDetached(const QString& program, const QStringList& args) {
    return QProcess::startDetached(program, args);
}

bool TDesktopServices::OpenInEditor(const QString& path) {
    return OpenInEditorCommand(path);
}

void TDesktopServices::Beep() {
    QApplication::beep();
}

bool TDesktopServices::TrayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

TDesktopServices& Desktop() {
    return *Current();
}

void SetDesktopServices(std::unique_ptr<TDesktopServices> services) {
    Current() = services ? std::move(services) : std::make_unique<TDesktopServices>();
}

}  // namespace palvex
