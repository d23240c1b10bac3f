#pragma once
// The protected-folder editor "Freunde / Mitglieder": users with passwords
// and groups, the groups, and the protected folders with their groups. A
// save checks every cell, hands the new tables to the running server and
// writes the configuration file.

#include <QDialog>

#include "config/AuthTexts.h"

class QLabel;
class QPushButton;

namespace palvex {

class TEditGrid;

class TMembersForm : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMembersForm)

  public:
    explicit TMembersForm(QWidget* parent);

    // Whether a save succeeded while the window was open.
    bool Saved() const { return saved_; }

    QPushButton* HelpBtn = nullptr;
    QPushButton* SaveBtn = nullptr;
    TEditGrid* UsersGrid = nullptr;
    TEditGrid* GroupsGrid = nullptr;
    TEditGrid* DirsGrid = nullptr;
    QPushButton* ChooseBtn = nullptr;
    QLabel* StatusLine = nullptr;

  public slots:
    // Escape and the window's close button ask about unsaved changes.
    void reject() override;

  private:
    void CreateControls();
    void LayoutControls();
    void ShowGrids(const TMembersGrids& grids);
    TMembersGrids ReadGrids() const;
    // Checks, applies and writes; true when the texts were valid and written.
    bool SaveBtnClick();
    // True when the window may close (asks when something changed).
    bool MayClose();
    void ChooseBtnClick();

    TMembersSnapshot snapshot_;
    bool saved_ = false;
};

}  // namespace palvex
