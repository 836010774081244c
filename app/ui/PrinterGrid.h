#pragma once
#include "app/PrinterTable.h"

#include <QTableWidget>

#include <vector>

namespace spoolar {

// SGR_Printers: the printer table of the main window. Row 0 is the header ("Nome", "Modello",
// "Connessa a..."), row 1 the PDF pseudo-printer, then the printers. Drawn by the program:
// text-only printers on blue, the PDF row in cyan, printers without a user name in grey. Only
// the Up and Down keys move the selection; a double click on a printer row asks for its name.
class PrinterGrid : public QTableWidget
{
    Q_OBJECT
public:
    explicit PrinterGrid(QWidget* parent = nullptr);

    // Shows the rows (the PDF row first, as the table gives it); at least 15 rows in all.
    void setRows(const std::vector<PrinterRow>& rows);
    std::vector<PrinterRow> rows() const;

    // Column 2 takes the width that is left (done once, when the window is first shown).
    void widenAddressColumn();

    // The printer name of a grid row when it may be named (a printer row with a name).
    std::optional<std::string> printerOfRow(int row) const;

signals:
    // A double click on a printer row that may be named (see printerOfRow).
    void namingRequested(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::vector<PrinterRow> m_rows;
};

} // namespace spoolar
