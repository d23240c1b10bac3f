#pragma once
// The IP filter editor: four rows of a rule kind and an address range. OK
// turns them into the IPFilter setting and the running server's ranges.

#include <QDialog>
#include <array>

#include "config/FilterRows.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace palvex {

class TBlockForm : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TBlockForm)

  public:
    explicit TBlockForm(QWidget* parent);

    // Whether the rules in the setting could not all be shown (OK disabled).
    bool FilterUnreadable() const { return unreadable_; }

    std::array<QComboBox*, kFilterRows> Combos{};
    std::array<QLineEdit*, kFilterRows> FromEds{};
    std::array<QLineEdit*, kFilterRows> ToEds{};
    QPushButton* HelpBtn = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateRow(size_t row);
    void CreateButtons();
    void ShowRows(const TFilterRows& rows);
    TFilterRows ReadRows() const;
    void OkBtnClick();

    bool unreadable_ = false;
};

}  // namespace palvex
