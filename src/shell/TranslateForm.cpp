#include "shell/TranslateForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>

#include "shell/MessageDialogs.h"
#include "shell/logic/Translate.h"

namespace palvex {

namespace {

// Longer control texts are left as they are.
constexpr qsizetype kMaxControlText = 4095;
// Room for the check mark beside a check box's text.
constexpr int kCheckMarkWidth = 22;

QString Tr(const QString& text) {
    const TMLSystem& s = MLSystem();
    return Q(s.Translate(U8(text), s.Source, s.Current).Text);
}

QString TrHint(const QString& hint) {
    const TMLSystem& s = MLSystem();
    return Q(s.TranslateHint(U8(hint), s.Source, s.Current));
}

void TranslateWidget(QWidget& w) {
    if (!w.toolTip().isEmpty()) w.setToolTip(TrHint(w.toolTip()));
    if (auto* box = qobject_cast<QCheckBox*>(&w)) {
        box->setText(Tr(box->text()));
        const int wanted = box->fontMetrics().horizontalAdvance(box->text()) + kCheckMarkWidth;
        if (wanted > box->width()) box->resize(wanted, box->height());
    } else if (auto* button = qobject_cast<QAbstractButton*>(&w)) {
        if (button->text().size() <= kMaxControlText) button->setText(Tr(button->text()));
    } else if (auto* label = qobject_cast<QLabel*>(&w)) {
        if (label->text().size() <= kMaxControlText) label->setText(Tr(label->text()));
    }
}

}  // namespace

void TranslateForm(QWidget& form) {
    const TMLSystem& s = MLSystem();
    if (s.Rows.empty() || s.Source == s.Current) return;
    form.setWindowTitle(Tr(form.windowTitle()));
    for (QAction* action : form.findChildren<QAction*>()) {
        action->setText(Tr(action->text()));
        action->setToolTip(TrHint(action->toolTip()));
    }
    for (QWidget* child : form.findChildren<QWidget*>())
        TranslateWidget(*child);
}

}  // namespace palvex
