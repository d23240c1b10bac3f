#pragma once
// The main window's menu bar and the header panel's popup: every item with
// its caption and its objectName, found by name afterwards.

#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace palvex {

// Builds the menus into bar; each top-level menu tells ShowHelpTopic its
// topic when it opens.
void BuildMainMenus(QMenuBar& bar);
// The popup of the header/help panel ("Panel ausblenden", "Panel maximieren").
QMenu* BuildPageControlPopup(QWidget& owner);
// The action with objectName name below root; never nullptr for a name the
// menus define (a missing one is a programming error and aborts).
QAction* MenuAction(const QWidget& root, const QString& name);

}  // namespace palvex
