#pragma once
#include <cstdint>
#include <vector>

namespace spoolar {

// One cell of the box grid: a box-drawing character and where it stands. All zero = empty.
// Only the fields of the engine's target are filled.
struct CELL
{
    std::uint8_t character = 0;
    std::int32_t x = 0;    // left edge, dots
    std::int32_t half = 0; // half the character width, dots
    std::int32_t y = 0;    // top of the line, dots
    float fx = 0;          // left edge, PDF units
    float fhalf = 0;       // half the character width, PDF units
    float fy = 0;          // bottom of the line, PDF units
};

// The box characters of one page by printed line and character column. It behaves as a grid
// of 2048 x 2048 cells but only holds the rows a page uses, and clearing costs what was used.
class BoxGrid
{
public:
    static constexpr int kRows = 2048;
    static constexpr int kColumns = 2048;

    // Cells beyond the grid are ignored (returns false).
    bool store(int row, int column, const CELL& cell);
    // The cell, or nullptr when empty or outside the grid.
    const CELL* at(int row, int column) const
    {
        if (row < 0 || column < 0 || static_cast<std::size_t>(row) >= m_usedRows)
            return nullptr;
        const std::vector<CELL>& cells = m_rows[static_cast<std::size_t>(row)];
        if (static_cast<std::size_t>(column) >= cells.size())
            return nullptr;
        const CELL& cell = cells[static_cast<std::size_t>(column)];
        return cell.character == 0 ? nullptr : &cell;
    }
    void clear();

    // The columns of a row that hold a cell, ascending.
    const std::vector<int>& rowColumns(int row) const;
    // The columns that hold at least one cell, in ascending order.
    std::vector<int> usedColumns() const;

private:
    std::vector<std::vector<CELL>> m_rows;
    std::vector<std::vector<int>> m_rowColumns;
    std::size_t m_usedRows = 0;
    std::vector<bool> m_columnUsed = std::vector<bool>(kColumns, false);
    std::vector<int> m_usedColumns; // in the order first used
};

} // namespace spoolar

namespace spoolar {

enum class BoxPass
{
    Horizontal,
    Vertical
};

// What a box character contributes to a pass across its cell. The points are 0 = the start
// edge (left, or upper), 1 = the centre, 2 = the end edge (right, or lower).
struct BoxRule
{
    bool interrupts = false; // draw the pending segment and add nothing
    int from = 0;
    int to = 0;
    bool drawAfter = false; // draw the pending segment once this part is added
};

// The rule of a single-line box character (code page 437/850) for a pass; an empty cell or
// another byte interrupts.
BoxRule boxRule(std::uint8_t character, BoxPass pass);

bool isBoxCharacter(std::uint8_t character);

// The pending segment of a pass: a run of joined parts along one row or column.
template <typename T> class PendingSegment
{
public:
    void add(T from, T to)
    {
        if (!m_set)
            m_start = from;
        m_end = to;
        m_set = true;
    }
    // Calls draw(start, end) when a segment is pending, then forgets it.
    template <typename Draw> void flush(Draw&& draw)
    {
        if (m_set)
            draw(m_start, m_end);
        m_set = false;
    }

private:
    bool m_set = false;
    T m_start{};
    T m_end{};
};

} // namespace spoolar

#include <algorithm>
#include <array>

namespace spoolar {

// Where the parts of a cell lie on a target, in its units: the row centre of a horizontal
// pass, the start/centre/end points across a cell in each pass, and a column's x.
template <typename T> struct BoxGeometry
{
    virtual ~BoxGeometry() = default;
    virtual T rowCentre(int row) const = 0;
    virtual std::array<T, 3> acrossRow(const CELL& cell) const = 0;
    virtual T columnX(const CELL& cell) const = 0;
    virtual std::array<T, 3> downColumn(const CELL& cell) const = 0;
};

// The two passes over the first rows x columns of the grid: horizontal(x0, x1, y) for each
// joined run along a row, vertical(x, y0, y1) for each joined run down a column.
template <typename T, typename Horizontal, typename Vertical>
void traceBoxLines(const BoxGrid& grid, int rows, int columns, const BoxGeometry<T>& geometry,
                   Horizontal&& horizontal, Vertical&& vertical)
{
    // Cells past a row's length and columns without any cell are empty: they would only end
    // segments, so neither pass needs to visit them.
    for (int i = 0; i < rows; ++i) {
        const T y = geometry.rowCentre(i);
        auto draw = [&](T x0, T x1) { horizontal(x0, x1, y); };
        PendingSegment<T> segment;
        int previous = -2;
        for (const int j : grid.rowColumns(i)) {
            if (j >= columns)
                break;
            if (j != previous + 1)
                segment.flush(draw); // the empty cells between end the segment
            previous = j;
            const CELL* cell = grid.at(i, j);
            const BoxRule rule = boxRule(cell->character, BoxPass::Horizontal);
            if (rule.interrupts) {
                segment.flush(draw);
                continue;
            }
            const std::array<T, 3> points = geometry.acrossRow(*cell);
            segment.add(points[static_cast<std::size_t>(rule.from)],
                        points[static_cast<std::size_t>(rule.to)]);
            if (rule.drawAfter)
                segment.flush(draw);
        }
        segment.flush(draw);
    }
    for (const int j : grid.usedColumns()) {
        if (j >= columns)
            break;
        T x{};
        auto draw = [&](T y0, T y1) { vertical(x, y0, y1); };
        PendingSegment<T> segment;
        for (int i = 0; i < rows; ++i) {
            const CELL* cell = grid.at(i, j);
            if (!cell) {
                // An empty cell ends the run, drawn at the last x taken.
                segment.flush(draw);
                continue;
            }
            x = geometry.columnX(*cell);
            const BoxRule rule = boxRule(cell->character, BoxPass::Vertical);
            if (rule.interrupts) {
                segment.flush(draw);
                continue;
            }
            const std::array<T, 3> points = geometry.downColumn(*cell);
            segment.add(points[static_cast<std::size_t>(rule.from)],
                        points[static_cast<std::size_t>(rule.to)]);
            if (rule.drawAfter)
                segment.flush(draw);
        }
        segment.flush(draw);
    }
}

} // namespace spoolar
