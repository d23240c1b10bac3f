#pragma once
// What the settings editors and the webcam window share: the window font,
// placement in the middle of the screen, and a help button that opens its
// page and comes back after a short pause.

#include <string_view>

class QDialog;
class QPushButton;
class QWidget;

namespace palvex {

// Sets objectName, caption and the Verdana window font.
void SetUpEditorDialog(QDialog& dialog, const char* objectName, std::string_view caption);
// Moves the window to the middle of the screen it is on.
void CentreOnScreen(QWidget& window);
// A bold button (the editors' main action).
void MakeBold(QPushButton& button);
// Disables button, opens the help page of topic, and enables the button
// again after the pause the user needs to see that something happened.
void OpenHelpPage(QPushButton& button, std::string_view topic);

}  // namespace palvex
