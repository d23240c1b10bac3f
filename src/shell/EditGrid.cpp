#include "shell/EditGrid.h"

#include <QApplication>
#include <QHeaderView>

namespace palvex {

TEditGrid::TEditGrid(const QStringList& headings, int rows, QWidget* parent)
    : QTableWidget(rows, static_cast<int>(headings.size()), parent) {
    setHorizontalHeaderLabels(headings);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(true);
}

std::string TEditGrid::Cell(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text().toStdString() : std::string();
}

void TEditGrid::SetCell(int row, int column, const std::string& text) {
    setItem(row, column, new QTableWidgetItem(QString::fromStdString(text)));
}

void TEditGrid::Reset(int rows) {
    clearContents();
    setRowCount(rows);
}

void TEditGrid::CommitEditor() {
    if (state() != QAbstractItemView::EditingState) return;
    QWidget* editor = QApplication::focusWidget();
    if (editor && isAncestorOf(editor)) commitData(editor);
}

}  // namespace palvex
