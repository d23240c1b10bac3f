#include "shell/MessageDialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <array>

#include "shell/TranslateForm.h"

namespace palvex {

namespace {

QPointer<QWidget>& Owner() {
    static QPointer<QWidget> owner;
    return owner;
}

struct TButtonInfo {
    TMsgButton Button;
    std::string_view Label;
    QMessageBox::ButtonRole Role;
    TMsgResult Result;
};

constexpr std::array<TButtonInfo, 8> kButtons{{
    {kBtnYes, kButtonYes, QMessageBox::YesRole, TMsgResult::Yes},
    {kBtnNo, kButtonNo, QMessageBox::NoRole, TMsgResult::No},
    {kBtnOk, kButtonOk, QMessageBox::AcceptRole, TMsgResult::Ok},
    {kBtnRetry, kButtonRetry, QMessageBox::AcceptRole, TMsgResult::Retry},
    {kBtnIgnore, kButtonIgnore, QMessageBox::AcceptRole, TMsgResult::Ignore},
    {kBtnCancel, kButtonCancel, QMessageBox::RejectRole, TMsgResult::Cancel},
    {kBtnClose, kButtonClose, QMessageBox::RejectRole, TMsgResult::Close},
    {kBtnHelp, kButtonHelp, QMessageBox::HelpRole, TMsgResult::Help},
}};

std::string_view CaptionOf(TMsgKind kind) {
    switch (kind) {
        case TMsgKind::Warning:
            return kCaptionWarning;
        case TMsgKind::Error:
            return kCaptionError;
        case TMsgKind::Information:
            return kCaptionInformation;
        case TMsgKind::Confirmation:
            return kCaptionConfirmation;
    }
    return kCaptionInformation;
}

QMessageBox::Icon IconOf(TMsgKind kind) {
    switch (kind) {
        case TMsgKind::Warning:
            return QMessageBox::Warning;
        case TMsgKind::Error:
            return QMessageBox::Critical;
        case TMsgKind::Information:
            return QMessageBox::Information;
        case TMsgKind::Confirmation:
            return QMessageBox::Question;
    }
    return QMessageBox::Information;
}

}  // namespace

void SetDialogOwner(QWidget* owner) {
    Owner() = owner;
}

QWidget* DialogOwner() {
    return Owner().data();
}

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string U8(const QString& text) {
    return text.toStdString();
}

QString DisplayText(std::string_view text) {
    QString result = Q(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QChar('\r'), QChar('\n'));
    return result;
}

TMsgResult ShowMessageDialog(std::string_view text, TMsgKind kind, unsigned buttons,
                             TMsgPlacement placement) {
    QWidget* parent = placement == TMsgPlacement::OnMainWindow ? DialogOwner() : nullptr;
    QMessageBox box(IconOf(kind), Q(CaptionOf(kind)), DisplayText(text), QMessageBox::NoButton,
                    parent);
    box.setObjectName(QStringLiteral("MessageDialog"));
    box.setTextFormat(Qt::PlainText);
    box.setAccessibleName(Q(CaptionOf(kind)));
    box.setAccessibleDescription(DisplayText(text));
    std::array<QAbstractButton*, kButtons.size()> made{};
    for (size_t i = 0; i < kButtons.size(); ++i) {
        if (!(buttons & kButtons[i].Button)) continue;
        made[i] = box.addButton(Q(kButtons[i].Label), kButtons[i].Role);
        made[i]->setObjectName(Q(kButtons[i].Label).remove(QChar('&')) + QStringLiteral("Btn"));
    }
    TranslateForm(box);
    box.exec();
    for (size_t i = 0; i < kButtons.size(); ++i)
        if (made[i] && box.clickedButton() == made[i]) return kButtons[i].Result;
    return (buttons & kBtnCancel) ? TMsgResult::Cancel : TMsgResult::None;
}

void InfoBox(std::string_view text) {
    ShowMessageDialog(text, TMsgKind::Information, kBtnOk);
}

void ErrorBox(std::string_view text) {
    ShowMessageDialog(text, TMsgKind::Error, kBtnOk);
}

TMsgResult ConfirmBox(std::string_view text) {
    return ShowMessageDialog(text, TMsgKind::Confirmation, kBtnYes | kBtnNo);
}

}  // namespace palvex
