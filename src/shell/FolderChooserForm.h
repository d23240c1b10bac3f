#pragma once
// The window of the folder chooser (see FolderChooser.h).

#include <QDialog>
#include <string>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace palvex {

class TChooseLocalFolderForm : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TChooseLocalFolderForm)

  public:
    explicit TChooseLocalFolderForm(QWidget* parent);

    // The folder the tree shows ("" before the first one).
    std::string TreeFolder() const { return treeFolder_; }
    // Points tree, path field and volume list at an existing folder.
    void ShowFolder(const std::string& folder);
    // Prepares a call: caption, new-folder row, restriction, links.
    void Prepare(const QString& caption, bool allowNew, const std::string& restriction);
    void SetOkEnabled(bool enabled);
    QString PathText() const;
    void FocusTree();

    QComboBox* DriveComboBox = nullptr;
    QTreeView* DirectoryListBox = nullptr;
    QPushButton* exploreBtn = nullptr;
    QLineEdit* NewEd = nullptr;
    QPushButton* NewBtn = nullptr;
    QLineEdit* PathEd = nullptr;
    QLabel* MyDocumentsLabel = nullptr;
    QLabel* DesktopLabel = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* Button1 = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void LayoutControls();
    void ConnectControls();
    void FillVolumes();
    void SetVolume(const QString& root);
    void DriveComboBoxChange(int index);
    void DirectoryListBoxPick();
    void DirectoryListBoxChange();
    void PathEdEnter();
    void LinkClicked(QLabel* link);
    void exploreBtnClick();
    void NewBtnClick();

    QFileSystemModel* model_ = nullptr;
    std::string treeFolder_;
    std::string restriction_;
};

}  // namespace palvex
