#pragma once
// Passes a window's texts through the translation hook.

class QWidget;

namespace palvex {

// Translates the window title, action texts and hints, button, check box and
// label texts and every tool tip in place, from the window's language (the
// source language) into the current one. Does nothing while no translation
// rows are loaded or both languages are the same.
void TranslateForm(QWidget& form);

}  // namespace palvex
