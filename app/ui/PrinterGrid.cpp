#include "app/ui/PrinterGrid.h"

#include "app/JobSettings.h"
#include "platform/CodePage.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace spoolar {

namespace {

constexpr int kMinimumRows = 15;
constexpr int kRowHeight = 20;
constexpr int kColumnWidths[] = {197, 237, 279, 64};

QString cellText(const std::string& ansi)
{
    return QString::fromStdString(ansiToUtf8(ansi));
}

// Draws every cell as the program wants it, whatever the style would do.
class PrinterCellDelegate : public QStyledItemDelegate
{
public:
    explicit PrinterCellDelegate(const PrinterGrid& grid) : QStyledItemDelegate(nullptr), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const int row = index.row();
        const QPalette& palette = m_grid.palette();
        QColor background = palette.color(QPalette::Base);
        QColor text = palette.color(QPalette::Text);
        bool italic = false;
        if (row == 0) {
            background = palette.color(QPalette::Button).lighter(120);
            italic = true;
        } else {
            const QString kind = m_grid.item(row, 3) ? m_grid.item(row, 3)->text() : QString();
            const QString name = m_grid.item(row, 0) ? m_grid.item(row, 0)->text() : QString();
            if (kind == "T")
                background = QColor(0, 0, 255);
            if (name == QString::fromLatin1(kPdfPrinterName.data(), kPdfPrinterName.size()))
                text = Qt::cyan;
            else if (name.trimmed().isEmpty())
                text = Qt::gray;
        }
        if (option.state & QStyle::State_Selected)
            background = background.lighter(160);
        painter->save();
        painter->fillRect(option.rect, background);
        QFont font("Verdana", 10);
        font.setItalic(italic);
        painter->setFont(font);
        painter->setPen(text);
        painter->setClipRect(option.rect);
        painter->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data().toString());
        painter->restore();
    }

private:
    const PrinterGrid& m_grid;
};

} // namespace

PrinterGrid::PrinterGrid(QWidget* parent) : QTableWidget(kMinimumRows, 4, parent)
{
    auto* delegate = new PrinterCellDelegate(*this);
    delegate->setParent(this); // released with the grid
    setItemDelegate(delegate);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int c = 0; c < 4; ++c)
        setColumnWidth(c, kColumnWidths[c]);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setFont(QFont("Verdana", 10));
    // White text on medium grey, whatever the style's own colours are.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(72, 72, 72));
    colours.setColor(QPalette::Text, Qt::white);
    colours.setColor(QPalette::Button, QColor(96, 96, 96));
    setPalette(colours);
    setToolTip("Doppio click sulla riga di una stampante per assegnarne o cambiarne il nome");
    const char* headers[] = {"Nome", "Modello", "Connessa a...", ""};
    for (int c = 0; c < 4; ++c)
        setItem(0, c, new QTableWidgetItem(headers[c]));
    clearSelection();
    setCurrentItem(nullptr);
}

void PrinterGrid::setRows(const std::vector<PrinterRow>& rows)
{
    m_rows = rows;
    setRowCount(std::max<int>(kMinimumRows, static_cast<int>(rows.size()) + 1));
    for (int r = 1; r < rowCount(); ++r) {
        const std::size_t i = static_cast<std::size_t>(r - 1);
        const bool filled = i < rows.size();
        const std::string cells[4] = {filled ? rows[i].userName : "", filled ? rows[i].model : "",
                                      filled ? rows[i].port : "", filled ? rows[i].kind : ""};
        for (int c = 0; c < 4; ++c)
            setItem(r, c, new QTableWidgetItem(cellText(cells[c])));
    }
    viewport()->update();
}

std::vector<PrinterRow> PrinterGrid::rows() const
{
    return m_rows;
}

void PrinterGrid::widenAddressColumn()
{
    const int rest = viewport()->width() - columnWidth(0) - columnWidth(1) - 3;
    if (rest > 0)
        setColumnWidth(2, rest);
}

std::optional<std::string> PrinterGrid::printerOfRow(int row) const
{
    const std::size_t i = static_cast<std::size_t>(row - 1);
    if (row < 2 || i >= m_rows.size())
        return std::nullopt;
    std::string name(trimBlanks(m_rows[i].model));
    if (name.empty())
        return std::nullopt;
    return name;
}

void PrinterGrid::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
        QTableWidget::keyPressEvent(event);
    else
        event->accept();
}

void PrinterGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    const int row = rowAt(event->position().toPoint().y());
    horizontalScrollBar()->setValue(0);
    if (printerOfRow(row))
        emit namingRequested(row);
    event->accept();
}

} // namespace spoolar
