#pragma once
// The main window's controls by their names, for the parts built beside it.

#include <QObject>
#include <QString>
#include <QWidget>

#include "shell/MessageDialogs.h"

namespace palvex {

// The control of the main window with that objectName; nullptr without one.
template <class T>
T* WindowPart(const char* name) {
    QWidget* window = DialogOwner();
    return window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

}  // namespace palvex
