#include "shell/FolderChooserForm.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTreeView>

#include "config/PathOps.h"
#include "shell/DesktopServices.h"
#include "shell/FolderChooser.h"
#include "shell/MessageDialogs.h"
#include "shell/TranslateForm.h"
#include "shell/logic/FolderRules.h"
#include "shell/logic/FolderTexts.h"

namespace palvex {

namespace {

constexpr int kFormWidth = 373;
constexpr int kFormHeight = 413;
constexpr std::string_view kExploreBtnText = "im Explorer aufrufen";
constexpr std::string_view kNewBtnText = "erzeugen";
constexpr std::string_view kMyDocumentsText = "Eigene Dateien";
constexpr std::string_view kDesktopText = "Desktop";
constexpr std::string_view kOkBtnText = "Ok";
constexpr std::string_view kCancelBtnText = "Abbruch";
// Names for screen readers of the controls that carry no caption.
constexpr std::string_view kDriveName = "Laufwerk";
constexpr std::string_view kTreeName = "Ordner";
constexpr std::string_view kPathName = "Pfad";

QString StandardFolder(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location);
}

QLabel* MakeLink(std::string_view text, const char* name, QWidget* parent) {
    auto* link = new QLabel(Q(text), parent);
    link->setObjectName(QLatin1String(name));
    link->setTextFormat(Qt::PlainText);
    QFont f = link->font();
    f.setUnderline(true);
    link->setFont(f);
    QPalette p = link->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    link->setPalette(p);
    link->setCursor(Qt::PointingHandCursor);
    return link;
}

// The mounted volume holding path: the one whose root is its longest prefix.
QString VolumeOf(const QString& path, const QStringList& roots) {
    QString best = QStringLiteral("/");
    for (const QString& root : roots) {
        const QString withSlash = root.endsWith('/') ? root : root + '/';
        if ((path == root || path.startsWith(withSlash)) && root.size() > best.size()) best = root;
    }
    return best;
}

}  // namespace

TChooseLocalFolderForm::TChooseLocalFolderForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ChooseLocalFolderForm"));
    setModal(true);
    setFixedSize(kFormWidth, kFormHeight);
    CreateControls();
    LayoutControls();
    ConnectControls();
    FillVolumes();
    TranslateForm(*this);
}

void TChooseLocalFolderForm::CreateControls() {
    DriveComboBox = new QComboBox(this);
    DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
    DriveComboBox->setAccessibleName(Q(kDriveName));
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    DirectoryListBox = new QTreeView(this);
    DirectoryListBox->setObjectName(QStringLiteral("DirectoryListBox"));
    DirectoryListBox->setAccessibleName(Q(kTreeName));
    DirectoryListBox->setModel(model_);
    DirectoryListBox->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        DirectoryListBox->hideColumn(column);
    exploreBtn = new QPushButton(Q(kExploreBtnText), this);
    exploreBtn->setObjectName(QStringLiteral("exploreBtn"));
    NewEd = new QLineEdit(this);
    NewEd->setObjectName(QStringLiteral("NewEd"));
    NewEd->setAccessibleName(Q(FolderText(kFolderNewName)));
    NewBtn = new QPushButton(Q(kNewBtnText), this);
    NewBtn->setObjectName(QStringLiteral("NewBtn"));
    PathEd = new QLineEdit(this);
    PathEd->setObjectName(QStringLiteral("PathEd"));
    PathEd->setAccessibleName(Q(kPathName));
    MyDocumentsLabel = MakeLink(kMyDocumentsText, "MyDocumentsLabel", this);
    DesktopLabel = MakeLink(kDesktopText, "DesktopLabel", this);
    OkBtn = new QPushButton(Q(kOkBtnText), this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    QFont bold = OkBtn->font();
    bold.setBold(true);
    OkBtn->setFont(bold);
    OkBtn->setDefault(true);
    Button1 = new QPushButton(Q(kCancelBtnText), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    for (QPushButton* b : {exploreBtn, NewBtn})
        b->setAutoDefault(false);
}

void TChooseLocalFolderForm::LayoutControls() {
    auto* grid = new QGridLayout(this);
    grid->addWidget(DriveComboBox, 0, 0, 1, 2);
    grid->addWidget(DirectoryListBox, 1, 0, 1, 2);
    grid->addWidget(exploreBtn, 2, 0, 1, 2);
    grid->addWidget(NewEd, 3, 0);
    grid->addWidget(NewBtn, 3, 1);
    grid->addWidget(PathEd, 4, 0, 1, 2);
    grid->addWidget(MyDocumentsLabel, 5, 0);
    grid->addWidget(DesktopLabel, 5, 1);
    grid->addWidget(OkBtn, 6, 0);
    grid->addWidget(Button1, 6, 1);
    grid->setRowStretch(1, 1);
}

void TChooseLocalFolderForm::ConnectControls() {
    connect(DriveComboBox, &QComboBox::activated, this,
            &TChooseLocalFolderForm::DriveComboBoxChange);
    connect(DirectoryListBox, &QTreeView::clicked, this,
            &TChooseLocalFolderForm::DirectoryListBoxPick);
    connect(DirectoryListBox, &QTreeView::doubleClicked, this,
            &TChooseLocalFolderForm::DirectoryListBoxPick);
    connect(DirectoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TChooseLocalFolderForm::DirectoryListBoxChange);
    connect(exploreBtn, &QPushButton::clicked, this, &TChooseLocalFolderForm::exploreBtnClick);
    connect(NewBtn, &QPushButton::clicked, this, &TChooseLocalFolderForm::NewBtnClick);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    PathEd->installEventFilter(this);
    MyDocumentsLabel->installEventFilter(this);
    DesktopLabel->installEventFilter(this);
}

void TChooseLocalFolderForm::FillVolumes() {
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots << volume.rootPath();
    roots.sort();
    DriveComboBox->addItems(roots);
}

void TChooseLocalFolderForm::Prepare(const QString& caption, bool allowNew,
                                     const std::string& restriction) {
    setWindowTitle(caption);
    setAccessibleName(caption);
    NewEd->setVisible(allowNew);
    NewBtn->setVisible(allowNew);
    NewEd->setText(Q(FolderText(kFolderNewName)));
    restriction_ = restriction;
    DriveComboBox->setEnabled(restriction_.empty());
    MyDocumentsLabel->setEnabled(
        WithinRestriction(U8(StandardFolder(QStandardPaths::DocumentsLocation)), restriction_));
    DesktopLabel->setEnabled(
        WithinRestriction(U8(StandardFolder(QStandardPaths::DesktopLocation)), restriction_));
}

void TChooseLocalFolderForm::SetOkEnabled(bool enabled) {
    OkBtn->setEnabled(enabled);
}

QString TChooseLocalFolderForm::PathText() const {
    return PathEd->text();
}

void TChooseLocalFolderForm::FocusTree() {
    DirectoryListBox->setFocus();
}

void TChooseLocalFolderForm::SetVolume(const QString& root) {
    if (DirectoryListBox->rootIndex() == model_->index(root) && model_->rootPath() == root) return;
    model_->setRootPath(root);
    DirectoryListBox->setRootIndex(model_->index(root));
    DriveComboBox->setCurrentText(root);
}

void TChooseLocalFolderForm::ShowFolder(const std::string& folder) {
    QStringList roots;
    for (int i = 0; i < DriveComboBox->count(); ++i)
        roots << DriveComboBox->itemText(i);
    const QString path = Q(folder);
    SetVolume(VolumeOf(path, roots));
    treeFolder_ = folder;
    const QModelIndex index = model_->index(path);
    DirectoryListBox->setCurrentIndex(index);
    DirectoryListBox->scrollTo(index);
    DirectoryListBox->expand(index);
    PathEd->setText(path);
}

void TChooseLocalFolderForm::DriveComboBoxChange(int index) {
    if (!restriction_.empty() || index < 0) return;
    const QString root = DriveComboBox->itemText(index);
    if (model_->rootPath() == root) return;
    SetVolume(root);
    treeFolder_ = U8(root);
    PathEd->setText(root);
}

void TChooseLocalFolderForm::DirectoryListBoxChange() {
    const std::string folder = U8(model_->filePath(DirectoryListBox->currentIndex()));
    if (folder.empty()) return;
    if (!WithinRestriction(folder, restriction_)) {
        ShowFolder(restriction_);
        return;
    }
    treeFolder_ = folder;
}

void TChooseLocalFolderForm::DirectoryListBoxPick() {
    DirectoryListBoxChange();
    PathEd->setText(Q(treeFolder_));
    OkBtn->setEnabled(true);
}

void TChooseLocalFolderForm::PathEdEnter() {
    const std::string typed = U8(PathEd->text().trimmed());
    if (PresetChooserFolder(typed)) {
        OkBtn->setEnabled(true);
        return;
    }
    const bool inside = WithinRestriction(typed, restriction_);
    ShowMessageDialog(FolderText(inside ? kFolderTypedMissing : kFolderTypedForbidden),
                      TMsgKind::Error, kBtnOk, TMsgPlacement::Default);
}

void TChooseLocalFolderForm::LinkClicked(QLabel* link) {
    const QString folder =
        StandardFolder(link == MyDocumentsLabel ? QStandardPaths::DocumentsLocation
                                                : QStandardPaths::DesktopLocation);
    if (PresetChooserFolder(U8(folder))) OkBtn->setEnabled(true);
}

void TChooseLocalFolderForm::exploreBtnClick() {
    const std::string path = U8(PathEd->text().trimmed());
    if (path.empty()) return;
    std::string target = path;
    if (!FolderExists(target)) target = FolderOf(path);
    if (target.empty() || !FolderExists(target)) {
        ShowMessageDialog(FolderTextWith(kFolderPathMissing, path), TMsgKind::Error, kBtnOk,
                          TMsgPlacement::Default);
        return;
    }
    Desktop().OpenUrl(QUrl::fromLocalFile(Q(target)));
}

void TChooseLocalFolderForm::NewBtnClick() {
    const std::string path = U8(PathEd->text().trimmed());
    const std::string name = U8(NewEd->text().trimmed());
    if (path.empty() || name.empty()) return;
    if (!FolderExists(path)) {
        ShowMessageDialog(FolderTextWith(kFolderPathMissing, path), TMsgKind::Error, kBtnOk,
                          TMsgPlacement::Default);
        return;
    }
    const std::string folder = WithTrailingSlash(path) + name;
    if (!ValidNewFolderName(name) || !WithinRestriction(folder, restriction_) ||
        !QDir().mkpath(Q(folder))) {
        ShowMessageDialog(FolderTextWith(kFolderNotCreated, folder), TMsgKind::Error, kBtnOk,
                          TMsgPlacement::Default);
        return;
    }
    NewEd->clear();
    if (PresetChooserFolder(folder)) OkBtn->setEnabled(true);
}

bool TChooseLocalFolderForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PathEd && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            PathEdEnter();
            return true;
        }
    }
    if ((watched == MyDocumentsLabel || watched == DesktopLabel) &&
        event->type() == QEvent::MouseButtonRelease && static_cast<QLabel*>(watched)->isEnabled()) {
        LinkClicked(static_cast<QLabel*>(watched));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace palvex
