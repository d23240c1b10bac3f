#pragma once
// Helpers of the offscreen GUI tests: a temporary program folder, the main
// window on a loopback port, answering modal dialogs, recording desktop
// launches and saving screenshots.

#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/DesktopServices.h"
#include "shell/MainWindow.h"

namespace palvex::test {

// Sets up the process before QApplication exists: offscreen platform, the
// temporary program folder (through ActAsOriginExe), user folders inside it,
// loopback binding. Returns the program folder (ending in "/").
std::string PrepareGuiProcess();
// The temporary program folder.
const std::string& ProgramDir();

// A fresh main window over fresh settings from args (plus ActAsOriginExe),
// shown, its first activation done. The previous server is stopped.
std::unique_ptr<TMainWindow> OpenMainWindow(const std::vector<std::string>& args);
// Closes the window without questions and stops the server.
void CloseMainWindow(std::unique_ptr<TMainWindow>& window);

// What a message dialog showed.
struct TSeenDialog {
    QString Caption;
    QString Text;
    QStringList Buttons;  // labels as shown, "&" kept
    bool Seen = false;
};

// Runs handle on the next modal dialog with objectName name (once), from
// the event loop while the dialog is open.
void OnNextDialog(const QString& name, std::function<void(QWidget&)> handle);
// Answers the next message dialog by clicking the button labelled button
// ("&" ignored), recording it in seen (which must outlive the dialog).
void AnswerNextMessage(const QString& button, TSeenDialog* seen = nullptr);
// Clicks the button labelled label ("&" ignored) inside dialog.
bool ClickButton(QWidget& dialog, const QString& label);
// Forgets every handler still waiting.
void ClearDialogHandlers();
// True while handlers wait for dialogs.
bool DialogsPending();

// A desktop that records instead of launching.
class TRecordingDesktop : public TDesktopServices {
  public:
    bool OpenUrl(const QUrl& url) override;
    bool StartDetached(const QString& program, const QStringList& args) override;
    bool OpenInEditor(const QString& path) override;
    void Beep() override;
    bool TrayAvailable() override { return false; }

    std::vector<QUrl> Urls;
    std::vector<std::pair<QString, QStringList>> Started;
    std::vector<QString> Edited;
    bool EditorStarts = true;
    int Beeps = 0;
};
// Installs a fresh recorder and returns it (owned by the service slot).
TRecordingDesktop& RecordDesktop();

// Saves a grab of widget as <build>/gui-shots/<name>.png; true on success.
bool SaveShot(QWidget& widget, const QString& name);

// A GET over loopback; returns the whole answer.
std::string HttpGet(uint16_t port, const std::string& path);
// The status line of an answer.
std::string StatusLine(const std::string& answer);

// The texts of the log screen's lines.
QStringList LogLines(const QWidget& window);

}  // namespace palvex::test

// main() of a GUI test executable running one QObject test class.
#define PALVEX_GUI_TEST_MAIN(TestClass)         \
    int main(int argc, char** argv) {           \
        palvex::test::PrepareGuiProcess();      \
        QApplication app(argc, argv);           \
        TestClass test;                         \
        return QTest::qExec(&test, argc, argv); \
    }
