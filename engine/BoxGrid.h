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
    const CELL* at(int row, int column) const;
    void clear();

private:
    std::vector<std::vector<CELL>> m_rows;
    std::size_t m_usedRows = 0;
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
