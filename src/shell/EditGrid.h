#pragma once
// A grid of text cells edited in place, as the settings editors use it: the
// cell editor opens on any key or click, Tab moves between cells, and the
// user cannot add rows.

#include <QTableWidget>

#include <string>
#include <vector>

namespace palvex {

class TEditGrid : public QTableWidget {
    Q_OBJECT

  public:
    // A grid with the given column headings and row count.
    TEditGrid(const QStringList& headings, int rows, QWidget* parent = nullptr);

    // The cell's text as UTF-8 (empty for a cell never filled).
    std::string Cell(int row, int column) const;
    void SetCell(int row, int column, const std::string& text);
    // Makes the grid rows long, every cell empty.
    void Reset(int rows);
    // Hands a cell editor's pending text to its cell, so that reading the
    // grid sees what the user typed.
    void CommitEditor();
};

}  // namespace palvex
