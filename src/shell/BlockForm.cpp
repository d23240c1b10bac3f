#include "shell/BlockForm.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/TextConv.h"
#include "config/HelpTopics.h"
#include "config/IpFilter.h"
#include "config/Settings.h"
#include "shell/EditorDialog.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

constexpr std::string_view kCaption = "IP Filter";
constexpr int kWidth = 408;
constexpr int kHeight = 254;
constexpr int kAddressLength = 16;
// The drop-down items in the order of the rule kinds (rem, block, permit).
constexpr const char* kKindItems[] = {"-", "block", "permit"};
constexpr std::string_view kHelpText = "Online-Hilfe";
constexpr std::string_view kOkText = "Ok";
constexpr std::string_view kCancelText = "Abbrechen";

QString RowName(const char* pattern, size_t row) {
    return QString::fromLatin1(pattern).arg(row + 1);
}

}  // namespace

TBlockForm::TBlockForm(QWidget* parent) : QDialog(parent) {
    SetUpEditorDialog(*this, "BlockForm", kCaption);
    auto* rows = new QGridLayout;
    for (size_t row = 0; row < kFilterRows; ++row) {
        CreateRow(row);
        const int r = static_cast<int>(row);
        rows->addWidget(Combos[row], r, 0);
        rows->addWidget(FromEds[row], r, 1);
        rows->addWidget(new QLabel(QStringLiteral("-"), this), r, 2);
        rows->addWidget(ToEds[row], r, 3);
    }
    CreateButtons();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(HelpBtn);
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rows);
    layout->addStretch();
    layout->addLayout(buttons);
    setFixedSize(kWidth, kHeight);

    const TFilterRowsRead read = ReadFilterRows(GlobalSettings().IPFilter);
    ShowRows(read.Rows);
    unreadable_ = read.Error;
    OkBtn->setEnabled(!unreadable_);
}

void TBlockForm::CreateRow(size_t row) {
    Combos[row] = new QComboBox(this);
    Combos[row]->setObjectName(RowName("Combo%1", row));
    for (const char* item : kKindItems)
        Combos[row]->addItem(QString::fromLatin1(item));
    FromEds[row] = new QLineEdit(this);
    FromEds[row]->setObjectName(RowName("IP%1aEd", row));
    ToEds[row] = new QLineEdit(this);
    ToEds[row]->setObjectName(RowName("IP%1bEd", row));
    ToEds[row]->installEventFilter(this);
    for (QLineEdit* edit : {FromEds[row], ToEds[row]})
        edit->setMaxLength(kAddressLength);
}

void TBlockForm::CreateButtons() {
    HelpBtn = new QPushButton(Q(kHelpText), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    HelpBtn->setAutoDefault(false);
    OkBtn = new QPushButton(Q(kOkText), this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    MakeBold(*OkBtn);
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(Q(kCancelText), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(HelpBtn, &QPushButton::clicked, this,
            [this] { OpenHelpPage(*HelpBtn, kHelpIpFilter); });
    connect(OkBtn, &QPushButton::clicked, this, &TBlockForm::OkBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TBlockForm::ShowRows(const TFilterRows& rows) {
    for (size_t row = 0; row < kFilterRows; ++row) {
        Combos[row]->setCurrentIndex(rows[row].Kind);
        FromEds[row]->setText(Q(rows[row].From));
        ToEds[row]->setText(Q(rows[row].To));
    }
}

TFilterRows TBlockForm::ReadRows() const {
    TFilterRows rows;
    for (size_t row = 0; row < kFilterRows; ++row)
        rows[row] = {static_cast<uint8_t>(Combos[row]->currentIndex()), U8(FromEds[row]->text()),
                     U8(ToEds[row]->text())};
    return rows;
}

// Entering an empty To field copies the From address of its row.
bool TBlockForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (size_t row = 0; row < kFilterRows; ++row) {
            if (watched != ToEds[row] || !ToEds[row]->text().isEmpty()) continue;
            ToEds[row]->setText(Q(TrimBlanks(U8(FromEds[row]->text()))));
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TBlockForm::OkBtnClick() {
    const TFilterText built = BuildFilterText(ReadRows());
    if (!built.Ok) {
        ErrorBox(built.Error);
        return;
    }
    GlobalSettings().IPFilter = built.Text;
    ReloadIPFilter(built.Text);
    accept();
}

void ShowFilterEditor(QWidget* parent) {
    TBlockForm form(parent);
    CentreOnScreen(form);
    if (form.FilterUnreadable()) ShowMessageDialog(kFilterUnreadable, TMsgKind::Warning, kBtnOk);
    form.exec();
}

}  // namespace palvex
