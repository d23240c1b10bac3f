#include "shell/EditorDialog.h"

#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <chrono>

#include "config/HelpTopics.h"
#include "config/ProgramPaths.h"
#include "shell/DesktopServices.h"
#include "shell/MessageDialogs.h"

namespace palvex {

namespace {

constexpr int kFontPixels = 13;
// Two waits of 200 ms before the help button works again.
constexpr std::chrono::milliseconds kHelpPause{400};

}  // namespace

void SetUpEditorDialog(QDialog& dialog, const char* objectName, std::string_view caption) {
    dialog.setObjectName(QLatin1String(objectName));
    dialog.setWindowTitle(Q(caption));
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(kFontPixels);
    dialog.setFont(font);
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

void MakeBold(QPushButton& button) {
    QFont font = button.font();
    font.setBold(true);
    button.setFont(font);
}

void OpenHelpPage(QPushButton& button, std::string_view topic) {
    button.setEnabled(false);
    const std::string page = FindProgramFile(HelpPageName(topic), ProgramPaths());
    if (!page.empty()) Desktop().OpenUrl(QUrl::fromLocalFile(Q(page)));
    QPointer<QPushButton> guard(&button);
    QTimer::singleShot(kHelpPause, &button, [guard] {
        if (guard) guard->setEnabled(true);
    });
}

}  // namespace palvex
