#pragma once
// The program's modal message dialogs: German captions and button labels,
// the text always shown as plain text, a carriage return as a line break.

#include <QString>
#include <string_view>

class QWidget;

namespace palvex {

enum class TMsgKind { Warning, Error, Information, Confirmation };

// Buttons a dialog offers (combinable).
enum TMsgButton : unsigned {
    kBtnYes = 1,
    kBtnNo = 2,
    kBtnOk = 4,
    kBtnCancel = 8,
    kBtnRetry = 16,
    kBtnIgnore = 32,
    kBtnHelp = 64,
    kBtnClose = 128,
};

enum class TMsgResult { None, Ok, Cancel, Yes, No, Retry, Ignore, Help, Close };

// Where a dialog appears: centred on the main window, or where the platform
// puts a dialog of its own (the start retry, the closing questions).
enum class TMsgPlacement { OnMainWindow, Default };

inline constexpr std::string_view kCaptionWarning = "Warnung";
inline constexpr std::string_view kCaptionError = "Fehler";
inline constexpr std::string_view kCaptionInformation = "Informationen";
inline constexpr std::string_view kCaptionConfirmation = "Bestätigung";

inline constexpr std::string_view kButtonYes = "&Ja";
inline constexpr std::string_view kButtonNo = "&Nein";
inline constexpr std::string_view kButtonOk = "OK";
inline constexpr std::string_view kButtonCancel = "Abbrechen";
inline constexpr std::string_view kButtonRetry = "&Wiederholen";
inline constexpr std::string_view kButtonIgnore = "&Ignorieren";
inline constexpr std::string_view kButtonHelp = "&Hilfe";
inline constexpr std::string_view kButtonClose = "&Schließen";

// The window dialogs are centred on (normally the main window); nullptr for none.
void SetDialogOwner(QWidget* owner);
QWidget* DialogOwner();

// Shows text modally and returns the button pressed (Cancel when closed
// otherwise). Every dialog carries the objectName "MessageDialog".
TMsgResult ShowMessageDialog(std::string_view text, TMsgKind kind, unsigned buttons,
                             TMsgPlacement placement = TMsgPlacement::OnMainWindow);
void InfoBox(std::string_view text);
void ErrorBox(std::string_view text);
// Question with Yes and No.
TMsgResult ConfirmBox(std::string_view text);

// UTF-8 to QString, and back.
QString Q(std::string_view text);
std::string U8(const QString& text);
// Message text for display: CR LF and lone CR become line feeds.
QString DisplayText(std::string_view text);

}  // namespace palvex
