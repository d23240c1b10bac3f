#include "shell/HeaderPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/MessageDialogs.h"
#include "shell/TopPanel.h"

namespace palvex {

namespace {

constexpr std::string_view kHeaderTabText = "HTTP-Header";
constexpr std::string_view kHelpTabText = "Hilfe";
constexpr std::string_view kLawTabText = "Freeware";
constexpr std::string_view kHelpMaxBtnText = "Maximieren";
constexpr std::string_view kHelpInhaltBtnText = "Inhalt";
constexpr std::string_view kLegalNoticeBody =
    "\n\n"
    "Palvex ist Freeware: Sie dürfen das Programm kostenlos benutzen und "
    "unverändert weitergeben.\n\n"
    "Das Programm wird ohne jede Gewähr geliefert. Für Schäden, die aus seiner "
    "Benutzung entstehen, wird keine Haftung übernommen, soweit das Gesetz dies "
    "zulässt.\n\n"
    "Für die Inhalte, die Sie mit Palvex im Netz anbieten, sind Sie selbst "
    "verantwortlich. Achten Sie auf Urheberrechte und schützen Sie private "
    "Ordner mit einem Passwort.";

}  // namespace

THeaderPanel::THeaderPanel(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("PageControl"));
    HeaderTabSheet = new QWidget(this);
    HeaderTabSheet->setObjectName(QStringLiteral("HeaderTabSheet"));
    HeadMemo = new QPlainTextEdit(HeaderTabSheet);
    HeadMemo->setObjectName(QStringLiteral("HeadMemo"));
    HeadMemo->setAccessibleName(Q(kHeaderTabText));
    HeadMemo->setReadOnly(true);
    HeadMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* headLayout = new QVBoxLayout(HeaderTabSheet);
    headLayout->setContentsMargins(0, 0, 0, 0);
    headLayout->addWidget(HeadMemo);
    addTab(HeaderTabSheet, Q(kHeaderTabText));
    CreateHelpTab();
    LawTabSheet = new QWidget(this);
    LawTabSheet->setObjectName(QStringLiteral("LawTabSheet"));
    new QVBoxLayout(LawTabSheet);
    LawTabSheet->layout()->setContentsMargins(0, 0, 0, 0);
    addTab(LawTabSheet, Q(kLawTabText));
    connect(this, &QTabWidget::currentChanged, this, &THeaderPanel::CreateLegalMemoOnFirstShow);
    setCurrentIndex(0);
}

void THeaderPanel::CreateHelpTab() {
    HelpTabSheet = new QWidget(this);
    HelpTabSheet->setObjectName(QStringLiteral("HelpTabSheet"));
    HelpTopPanel = new QWidget(HelpTabSheet);
    HelpTopPanel->setObjectName(QStringLiteral("HelpTopPanel"));
    HelpMaxBtn = new QPushButton(Q(kHelpMaxBtnText), HelpTopPanel);
    HelpMaxBtn->setObjectName(QStringLiteral("HelpMaxBtn"));
    HelpInhaltBtn = new QPushButton(Q(kHelpInhaltBtnText), HelpTopPanel);
    HelpInhaltBtn->setObjectName(QStringLiteral("HelpInhaltBtn"));
    auto* buttons = new QHBoxLayout(HelpTopPanel);
    buttons->setContentsMargins(2, 2, 2, 2);
    buttons->addWidget(HelpMaxBtn);
    buttons->addWidget(HelpInhaltBtn);
    buttons->addStretch();
    iePanel = new QWidget(HelpTabSheet);
    iePanel->setObjectName(QStringLiteral("iePanel"));
    iePanel->setAccessibleName(Q(kHelpTabText));
    iePanel->setAutoFillBackground(true);
    QPalette white = iePanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    iePanel->setPalette(white);
    new QVBoxLayout(iePanel);
    iePanel->layout()->setContentsMargins(0, 0, 0, 0);
    DecoImage = new QLabel(HelpTabSheet);
    DecoImage->setObjectName(QStringLiteral("DecoImage"));
    DecoImage->setPixmap(TTopPanel::DecorationTile());
    DecoImage->hide();
    auto* layout = new QVBoxLayout(HelpTabSheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(HelpTopPanel);
    layout->addWidget(iePanel, 1);
    addTab(HelpTabSheet, Q(kHelpTabText));
}

void THeaderPanel::CreateLegalMemoOnFirstShow(int index) {
    if (widget(index) != LawTabSheet || legalMemo_) return;
    legalMemo_ = new QPlainTextEdit(LawTabSheet);
    legalMemo_->setObjectName(QStringLiteral("LegalMemo"));
    legalMemo_->setAccessibleName(Q(kLegalNoticeHeading));
    legalMemo_->setReadOnly(true);
    legalMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    legalMemo_->setPlainText(Q(std::string(kLegalNoticeHeading) + std::string(kLegalNoticeBody)));
    LawTabSheet->layout()->addWidget(legalMemo_);
}

void THeaderPanel::Reset() {
    HeadMemo->clear();
    setCurrentIndex(0);
    delete legalMemo_;
    legalMemo_ = nullptr;
}

}  // namespace palvex
