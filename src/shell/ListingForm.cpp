#include "shell/ListingForm.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/ServerWiring.h"
#include "common/TextConv.h"
#include "server/HttpServer.h"
#include "shell/DesktopServices.h"
#include "shell/EditorDialog.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

constexpr std::string_view kCaption = "Eigenschaften von Directory-Listings";
constexpr int kWidth = 416;
constexpr int kHeight = 303;
constexpr const char* kIndexItems[] = {"index.html", "index.htm", "default.htm", "homepage.htm"};
constexpr std::string_view kIndexLabel = "Index-Dateiname";
constexpr std::string_view kHeading = "Listing-Service bei fehlender Index-Datei ...";
constexpr std::string_view kTitleLabel = "Titel";
constexpr std::string_view kInfoLabel = "Info-Text";
constexpr std::string_view kBackgroundLabel = "Background";
constexpr std::string_view kExploreText = "Explore";
constexpr std::string_view kExploreHint = "Root im Dateimanager aufrufen";
constexpr std::string_view kBrowseText = "Browse";
constexpr std::string_view kBrowseHint = "Vorschau: Root im Browser abrufen";
constexpr std::string_view kOkText = "Ok";
constexpr std::string_view kCancelText = "Abbrechen";
constexpr std::string_view kOpenDialogTitle = "Hintergrund-Grafik wählen";
// Patterns are case-sensitive here, so both cases are listed.
constexpr std::string_view kOpenDialogFilters =
    "Web-Grafiken (*.jp* *.gif *.png *.JP* *.GIF *.PNG);;alle Dateien (*)";
constexpr std::string_view kServerNotRunning = "Server läuft nicht";
constexpr uint16_t kDefaultHttpPort = 80;
constexpr int kButtonPadding = 16;

QPushButton* Button(QWidget* parent, const char* name, std::string_view text,
                    std::string_view hint = {}) {
    auto* button = new QPushButton(Q(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    if (!hint.empty()) button->setToolTip(Q(hint));
    return button;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

std::string RootFolder() {
    return WideToUtf8(GlobalSettings().Root);
}

// "http://localhost/" or "http://localhost:8080/".
QUrl PreviewUrl(uint16_t port) {
    QString url = QStringLiteral("http://localhost");
    if (port != kDefaultHttpPort) url += QLatin1Char(':') + QString::number(port);
    return QUrl(url + QLatin1Char('/'));
}

}  // namespace

TListingForm::TListingForm(QWidget* parent) : QDialog(parent) {
    SetUpEditorDialog(*this, "ListingForm", kCaption);
    CreateFields();
    CreateButtons();
    LayoutControls();
    setFixedSize(kWidth, kHeight);
}

void TListingForm::CreateFields() {
    IndexCombo = new QComboBox(this);
    IndexCombo->setObjectName(QStringLiteral("IndexCombo"));
    IndexCombo->setEditable(true);
    for (const char* item : kIndexItems)
        IndexCombo->addItem(QString::fromLatin1(item));
    TitelEd = Edit(this, "TitelEd");
    InfoEd = Edit(this, "InfoEd");
    BgEd = Edit(this, "BgEd");
}

void TListingForm::CreateButtons() {
    BgChooseBtn = Button(this, "BgChooseBtn", "...");
    BgChooseBtn->setFixedWidth(
        BgChooseBtn->fontMetrics().horizontalAdvance(QStringLiteral("....")) + kButtonPadding);
    ExploreBtn = Button(this, "ExploreBtn", kExploreText, kExploreHint);
    BrowseBtn = Button(this, "BrowseBtn", kBrowseText, kBrowseHint);
    OkBtn = Button(this, "OkBtn", kOkText);
    MakeBold(*OkBtn);
    OkBtn->setDefault(true);
    CancelBtn = Button(this, "CancelBtn", kCancelText);
    connect(BgChooseBtn, &QPushButton::clicked, this, &TListingForm::BgChooseBtnClick);
    connect(ExploreBtn, &QPushButton::clicked, this, &TListingForm::ExploreBtnClick);
    connect(BrowseBtn, &QPushButton::clicked, this, &TListingForm::BrowseBtnClick);
    connect(OkBtn, &QPushButton::clicked, this, &TListingForm::OkBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TListingForm::LayoutControls() {
    auto* index = new QFormLayout;
    index->addRow(Q(kIndexLabel), IndexCombo);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* heading = new QLabel(Q(kHeading), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* background = new QHBoxLayout;
    background->addWidget(BgEd, 1);
    background->addWidget(BgChooseBtn);
    auto* texts = new QFormLayout;
    texts->addRow(Q(kTitleLabel), TitelEd);
    texts->addRow(Q(kInfoLabel), InfoEd);
    texts->addRow(Q(kBackgroundLabel), background);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {ExploreBtn, BrowseBtn, OkBtn, CancelBtn})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(index);
    layout->addWidget(line);
    layout->addWidget(heading);
    layout->addLayout(texts);
    layout->addStretch();
    layout->addLayout(buttons);
}

void TListingForm::Fill() {
    const TListingValues values = ListingFormValues(GlobalSettings());
    IndexCombo->setEditText(Q(values.Index));
    TitelEd->setText(Q(values.Title));
    InfoEd->setText(Q(values.Info));
    BgEd->setText(Q(values.Background));
}

TListingValues TListingForm::Typed() const {
    return {U8(IndexCombo->currentText()), U8(TitelEd->text()), U8(InfoEd->text()),
            U8(BgEd->text())};
}

bool TListingForm::ApplyListingForm() {
    const TListingValues values = TrimListingValues(Typed());
    if (!IsPlainIndexName(values.Index)) {
        ErrorBox(kIndexNameRefused);
        return false;
    }
    ApplyListingValues(values);
    return true;
}

void TListingForm::OkBtnClick() {
    if (!ApplyListingForm()) return;
    StoreListingValues(GlobalSettings(), TrimListingValues(Typed()));
    accept();
}

void TListingForm::BgChooseBtnClick() {
    const std::string root = RootFolder();
    QFileDialog dialog(this, Q(kOpenDialogTitle), Q(root), Q(kOpenDialogFilters));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::optional<std::string> background =
        BackgroundOfFile(root, U8(dialog.selectedFiles().first()));
    if (!background) {
        ErrorBox(kBackgroundOutsideRoot);
        return;
    }
    BgEd->setText(Q(*background));
}

void TListingForm::ExploreBtnClick() {
    Desktop().OpenUrl(QUrl::fromLocalFile(Q(RootFolder())));
}

void TListingForm::BrowseBtnClick() {
    const THttpServer& server = GlobalServer();
    if (!server.Active) {
        ErrorBox(kServerNotRunning);
        return;
    }
    if (ApplyListingForm()) Desktop().OpenUrl(PreviewUrl(server.Port));
}

void EditListingProperties(QWidget* parent) {
    static QPointer<TListingForm> kept;
    if (!kept) kept = new TListingForm(parent);
    kept->Fill();
    CentreOnScreen(*kept);
    if (kept->exec() != QDialog::Accepted) SetupListing();
}

}  // namespace palvex
