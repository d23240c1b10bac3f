#pragma once
// Every side effect of the window on the desktop goes through one object:
// opening a URL, file or folder, starting a program, launching the text
// editor, the warning beep and whether a tray exists. Tests install a
// recorder instead, so nothing is launched and no address but loopback is
// ever opened.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

namespace palvex {

class TDesktopServices {
  public:
    virtual ~TDesktopServices() = default;
    // Opens a URL, a file or a folder with the desktop's handler.
    virtual bool OpenUrl(const QUrl& url);
    // Starts a program with an argument list (no shell, no quoting).
    virtual bool StartDetached(const QString& program, const QStringList& args);
    // Opens a text file in the user's editor; true when an editor started.
    virtual bool OpenInEditor(const QString& path);
    virtual void Beep();
    virtual bool TrayAvailable();
};

// The service in use (the real desktop unless a test replaced it).
TDesktopServices& Desktop();
// Replaces the service; nullptr restores the real desktop.
void SetDesktopServices(std::unique_ptr<TDesktopServices> services);

}  // namespace palvex
