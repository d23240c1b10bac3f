#pragma once
// The listing properties editor: index document name and the title, info
// text and background picture of generated listings, with a preview in the
// browser against the running server that Cancel takes back.

#include <QDialog>

#include "config/ListingValues.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace palvex {

class TListingForm : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TListingForm)

  public:
    explicit TListingForm(QWidget* parent);

    // Shows the stored settings in the fields.
    void Fill();
    // The fields as typed.
    TListingValues Typed() const;

    QComboBox* IndexCombo = nullptr;
    QLineEdit* TitelEd = nullptr;
    QLineEdit* InfoEd = nullptr;
    QLineEdit* BgEd = nullptr;
    QPushButton* BgChooseBtn = nullptr;
    QPushButton* ExploreBtn = nullptr;
    QPushButton* BrowseBtn = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

  private:
    void CreateFields();
    void CreateButtons();
    void LayoutControls();
    // Hands the fields to the running server; false (after the message) for
    // an index name that is not a plain file name.
    bool ApplyListingForm();
    void OkBtnClick();
    void BgChooseBtnClick();
    void ExploreBtnClick();
    void BrowseBtnClick();
};

}  // namespace palvex
