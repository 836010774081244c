#include "engine/BoxGrid.h"

#include <algorithm>

namespace spoolar {

bool BoxGrid::store(int row, int column, const CELL& cell)
{
    if (row < 0 || row >= kRows || column < 0 || column >= kColumns)
        return false;
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    if (m_rows.size() <= r) {
        m_rows.resize(r + 1);
        m_rowColumns.resize(r + 1);
    }
    if (m_usedRows <= r)
        m_usedRows = r + 1;
    auto& cells = m_rows[r];
    if (cells.size() <= c)
        cells.resize(c + 1);
    if (cells[c].character == 0) {
        std::vector<int>& columns = m_rowColumns[r];
        columns.insert(std::upper_bound(columns.begin(), columns.end(), column), column);
    }
    cells[c] = cell;
    if (!m_columnUsed[c]) {
        m_columnUsed[c] = true;
        m_usedColumns.push_back(column);
    }
    return true;
}

void BoxGrid::clear()
{
    // Keep each row's storage for the next page; only what was used is cleared.
    for (std::size_t r = 0; r < m_usedRows; ++r) {
        m_rows[r].clear();
        m_rowColumns[r].clear();
    }
    m_usedRows = 0;
    for (const int c : m_usedColumns)
        m_columnUsed[static_cast<std::size_t>(c)] = false;
    m_usedColumns.clear();
}

const std::vector<int>& BoxGrid::rowColumns(int row) const
{
    static const std::vector<int> none;
    if (row < 0 || static_cast<std::size_t>(row) >= m_usedRows)
        return none;
    return m_rowColumns[static_cast<std::size_t>(row)];
}

std::vector<int> BoxGrid::usedColumns() const
{
    std::vector<int> sorted = m_usedColumns;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace spoolar

namespace spoolar {

bool isBoxCharacter(std::uint8_t c)
{
    switch (c) {
    case 0xB3:
    case 0xB4:
    case 0xBF:
    case 0xC0:
    case 0xC1:
    case 0xC2:
    case 0xC3:
    case 0xC4:
    case 0xC5:
    case 0xD9:
    case 0xDA:
        return true;
    default:
        return false;
    }
}

BoxRule boxRule(std::uint8_t c, BoxPass pass)
{
    constexpr BoxRule interrupt{true, 0, 0, false};
    constexpr BoxRule full{false, 0, 2, false};
    constexpr BoxRule centreToEnd{false, 1, 2, false};
    constexpr BoxRule startToCentreDraw{false, 0, 1, true};
    if (pass == BoxPass::Horizontal) {
        switch (c) {
        case 0xDA: // ┌
        case 0xC0: // └
        case 0xC3: // ├
            return centreToEnd;
        case 0xBF: // ┐
        case 0xD9: // ┘
        case 0xB4: // ┤
            return startToCentreDraw;
        case 0xC2: // ┬
        case 0xC1: // ┴
        case 0xC5: // ┼
        case 0xC4: // ─
            return full;
        default: // │, empty
            return interrupt;
        }
    }
    switch (c) {
    case 0xDA: // ┌
    case 0xBF: // ┐
    case 0xC2: // ┬
        return centreToEnd;
    case 0xC0: // └
    case 0xD9: // ┘
    case 0xC1: // ┴
        return startToCentreDraw;
    case 0xC3: // ├
    case 0xB4: // ┤
    case 0xC5: // ┼
    case 0xB3: // │
        return full;
    default: // ─, empty
        return interrupt;
    }
}

} // namespace spoolar
