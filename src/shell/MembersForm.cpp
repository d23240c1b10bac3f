#include "shell/MembersForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "common/TextConv.h"
#include "config/HelpTopics.h"
#include "config/RootRelative.h"
#include "config/Settings.h"
#include "server/AccessControl.h"
#include "shell/EditGrid.h"
#include "shell/EditorDialog.h"
#include "shell/FolderChooser.h"
#include "shell/MessageDialogs.h"
#include "shell/ShellHooks.h"

namespace palvex {

namespace {

constexpr std::string_view kCaption = " Freunde / Mitglieder";
constexpr int kWidth = 696;
constexpr int kHeight = 480;
constexpr std::string_view kHelpText = "Online-Hilfe";
constexpr std::string_view kSaveText = "Speichern";
constexpr std::string_view kChooseText = "Ordner wählen und hinzufügen";
constexpr std::string_view kUsersLoaded = " User geladen";
constexpr std::string_view kIniNotWritten = "Fehler beim Speichern der .ini-Datei\n";
constexpr std::string_view kUsersWithoutFolders =
    "Es wurden Benutzer gespeichert,\naber keine zu schützenden Verzeichnisse definiert.";
constexpr std::string_view kSaveChanges = "Änderungen speichern?";

enum { kNameColumn, kPasswordColumn, kUserGroupsColumn };
enum { kFolderColumn, kFolderGroupsColumn };

QStringList Headings(std::initializer_list<const char*> texts) {
    QStringList headings;
    for (const char* text : texts)
        headings << QString::fromUtf8(text);
    return headings;
}

int Rows(size_t count) {
    return static_cast<int>(count);
}

std::string IniPathShown() {
    const std::string& path = GlobalSettings().IniPath;
    return path.empty() ? ProgramPaths().DefaultIniPath : path;
}

}  // namespace

TMembersForm::TMembersForm(QWidget* parent) : QDialog(parent) {
    SetUpEditorDialog(*this, "MembersForm", kCaption);
    CreateControls();
    LayoutControls();
    resize(kWidth, kHeight);
    const TServerSettings& s = GlobalSettings();
    ShowGrids(LoadMembersGrids(s.AuthUser, s.AuthDir));
    snapshot_ = TakeMembersSnapshot(ReadGrids());
    if (!snapshot_.Texts.Ok) ErrorBox(snapshot_.Texts.Error);
    if (snapshot_.Texts.Users > 0)
        StatusLine->setText(QString::number(snapshot_.Texts.Users) + Q(kUsersLoaded));
    connect(SaveBtn, &QPushButton::clicked, this, [this] { SaveBtnClick(); });
    connect(ChooseBtn, &QPushButton::clicked, this, &TMembersForm::ChooseBtnClick);
    connect(HelpBtn, &QPushButton::clicked, this, [this] { OpenHelpPage(*HelpBtn, kHelpMembers); });
}

void TMembersForm::CreateControls() {
    HelpBtn = new QPushButton(Q(kHelpText), this);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    SaveBtn = new QPushButton(Q(kSaveText), this);
    SaveBtn->setObjectName(QStringLiteral("SaveBtn"));
    MakeBold(*SaveBtn);
    for (QPushButton* button : {HelpBtn, SaveBtn})
        button->setAutoDefault(false);
    UsersGrid = new TEditGrid(Headings({" Benutzername", " Passwort", " Gruppe(n)"}),
                              Rows(kUserRows), this);
    UsersGrid->setObjectName(QStringLiteral("UsersGrid"));
    GroupsGrid = new TEditGrid(Headings({" Gruppenname"}), Rows(kGroupRows), this);
    GroupsGrid->setObjectName(QStringLiteral("GroupsGrid"));
    DirsGrid = new TEditGrid(Headings({" Unterordner", " Gruppe(n)"}), Rows(kFolderRows), this);
    DirsGrid->setObjectName(QStringLiteral("DirsGrid"));
    ChooseBtn = new QPushButton(Q(kChooseText), this);
    ChooseBtn->setObjectName(QStringLiteral("ChooseBtn"));
    ChooseBtn->setAutoDefault(false);
    StatusLine = new QLabel(this);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setTextFormat(Qt::PlainText);
}

void TMembersForm::LayoutControls() {
    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(HelpBtn);
    top->addWidget(SaveBtn);

    auto* dirsPane = new QWidget(this);
    auto* dirsLayout = new QVBoxLayout(dirsPane);
    dirsLayout->setContentsMargins(0, 0, 0, 0);
    dirsLayout->addWidget(DirsGrid);
    dirsLayout->addWidget(ChooseBtn);

    auto* right = new QSplitter(Qt::Vertical, this);
    right->addWidget(GroupsGrid);
    right->addWidget(dirsPane);
    auto* main = new QSplitter(Qt::Horizontal, this);
    main->addWidget(UsersGrid);
    main->addWidget(right);
    main->setStretchFactor(0, 3);
    main->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(main, 1);
    layout->addWidget(StatusLine);
}

void TMembersForm::ShowGrids(const TMembersGrids& grids) {
    UsersGrid->Reset(Rows(grids.Users.size()));
    for (int row = 0; row < Rows(grids.Users.size()); ++row) {
        const TUserRow& user = grids.Users[row];
        UsersGrid->SetCell(row, kNameColumn, user.Name);
        UsersGrid->SetCell(row, kPasswordColumn, user.Password);
        UsersGrid->SetCell(row, kUserGroupsColumn, user.Groups);
    }
    GroupsGrid->Reset(Rows(grids.Groups.size()));
    for (int row = 0; row < Rows(grids.Groups.size()); ++row)
        GroupsGrid->SetCell(row, 0, grids.Groups[row]);
    DirsGrid->Reset(Rows(grids.Folders.size()));
    for (int row = 0; row < Rows(grids.Folders.size()); ++row) {
        DirsGrid->SetCell(row, kFolderColumn, grids.Folders[row].Folder);
        DirsGrid->SetCell(row, kFolderGroupsColumn, grids.Folders[row].Groups);
    }
}

TMembersGrids TMembersForm::ReadGrids() const {
    TMembersGrids grids;
    for (TEditGrid* grid : {UsersGrid, GroupsGrid, DirsGrid})
        grid->CommitEditor();
    for (int row = 0; row < UsersGrid->rowCount(); ++row)
        grids.Users.push_back({UsersGrid->Cell(row, kNameColumn),
                               UsersGrid->Cell(row, kPasswordColumn),
                               UsersGrid->Cell(row, kUserGroupsColumn)});
    for (int row = 0; row < GroupsGrid->rowCount(); ++row)
        grids.Groups.push_back(GroupsGrid->Cell(row, 0));
    for (int row = 0; row < DirsGrid->rowCount(); ++row)
        grids.Folders.push_back(
            {DirsGrid->Cell(row, kFolderColumn), DirsGrid->Cell(row, kFolderGroupsColumn)});
    return grids;
}

bool TMembersForm::SaveBtnClick() {
    SaveBtn->setEnabled(false);
    const TMembersGrids grids = ReadGrids();
    const TAuthTexts texts = BuildAuthTexts(grids);
    if (!texts.Ok) {
        ErrorBox(texts.Error);
        SaveBtn->setEnabled(true);
        return false;
    }
    ApplyProtectedFolders(texts.AuthDir, texts.AuthUser);
    saved_ = true;
    TServerSettings& s = GlobalSettings();
    s.AuthDir = texts.AuthDir;
    s.AuthUser = texts.AuthUser;
    const bool written = SaveSettingsFile("");
    if (written) {
        snapshot_ = TakeMembersSnapshot(grids);
    } else {
        ErrorBox(std::string(kIniNotWritten) + IniPathShown());
    }
    if (texts.Users > 0 && texts.Folders == 0) InfoBox(kUsersWithoutFolders);
    SaveBtn->setEnabled(true);
    return written;
}

bool TMembersForm::MayClose() {
    if (!MembersChanged(snapshot_, ReadGrids())) return true;
    const TMsgResult answer =
        ShowMessageDialog(kSaveChanges, TMsgKind::Confirmation, kBtnYes | kBtnNo | kBtnCancel);
    if (answer == TMsgResult::No) return true;
    if (answer == TMsgResult::Yes) return SaveBtnClick();
    return false;
}

// The close button reaches here too: a dialog that stays visible keeps
// the close event from closing it.
void TMembersForm::reject() {
    if (MayClose()) QDialog::reject();
}

void TMembersForm::ChooseBtnClick() {
    int row = 0;
    while (row < DirsGrid->rowCount() && !TrimBlanks(DirsGrid->Cell(row, kFolderColumn)).empty())
        ++row;
    if (row == DirsGrid->rowCount()) return;
    const std::string root = WideToUtf8(GlobalSettings().Root);
    const std::string chosen = ChooseFolder("", root, root, false);
    if (chosen.empty()) return;
    const std::optional<std::string> cell = FolderCellOf(root, chosen);
    if (!cell) {
        ErrorBox(kFolderOutsideRoot);
        return;
    }
    DirsGrid->SetCell(row, kFolderColumn, *cell);
}

bool ShowMembersEditor(QWidget* parent) {
    TMembersForm form(parent);
    CentreOnScreen(form);
    form.HelpBtn->setFocus();
    form.exec();
    return form.Saved();
}

}  // namespace palvex
