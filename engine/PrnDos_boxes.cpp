// Box drawing and box fills: box characters become joined lines at the page end, and the runs
// of B commands fill the frame around them.
#include "engine/PrnDos.h"
#include "platform/WinPath.h"

#include <cstdio>

namespace spoolar {

void TPrnDos::RecordCorner(std::uint8_t character)
{
    CORNER corner;
    if (m_bPdf) {
        corner.fx = m_fX + m_fHalfCharWidth;
        corner.fy = m_fY + m_fHalfLineHeight;
    } else {
        corner.x = m_iX + m_iHalfCharWidth;
        corner.y = m_iY + m_iHalfLineHeight;
    }
    switch (character) {
    case 0xDA: // ┌
    case 0xC2: // ┬
    case 0xC3: // ├
        m_lTopLeft.push_back(corner);
        break;
    case 0xB4: // ┤
    case 0xC1: // ┴
    case 0xD9: // ┘
        m_lBottomRight.push_back(corner);
        break;
    case 0xC5: // ┼
        m_lTopLeft.push_back(corner);
        m_lBottomRight.push_back(corner);
        break;
    default:
        break;
    }
}

void TPrnDos::StoreCell(std::uint8_t character)
{
    const PITCHMETRICS& m = m_Metrics[static_cast<std::size_t>(m_iPitch)];
    CELL cell;
    cell.character = character;
    if (m_bPdf) {
        cell.fx = m_fX;
        cell.fy = m_fY;
        cell.fhalf = m.charWidthF / 2;
        m_fX += m.charWidthF;
    } else {
        cell.x = m_iX;
        cell.y = m_iY;
        cell.half = m.charWidth / 2;
        m_iX += m.charWidth;
    }
    m_Cells.store(m_iRow, m_iCol, cell);
    m_iCol += 1;
}

void TPrnDos::DrawBoxLines()
{
    // Box characters on a line that a form feed interrupted belong to this page too.
    if (m_iCol > 0) {
        m_iMaxCols = std::max(m_iMaxCols, m_iCol);
        m_iRow += 1;
    }
    if (m_host.debugMap)
        WriteDebugMap();
    if (m_bPdf)
        DrawBoxLinesPdf();
    else
        DrawBoxLinesPrinter();
    m_iCol = 0;
    m_iRow = 0;
    m_iMaxCols = 0;
    m_Cells.clear();
}

void TPrnDos::WriteDebugMap()
{
    std::FILE* out = std::fopen(m_host.paths.toHost("C:\\SPOOL\\DebugMappa.txt").c_str(), "wb");
    if (!out)
        return;
    std::string line;
    for (std::int32_t row = 0; row < m_iRow; ++row) {
        line.assign(static_cast<std::size_t>(m_iMaxCols), ' ');
        for (std::int32_t col = 0; col < m_iMaxCols && col < BoxGrid::kColumns; ++col) {
            if (const CELL* cell = m_Cells.at(row, col))
                line[static_cast<std::size_t>(col)] = static_cast<char>(cell->character);
        }
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), out);
    }
    std::fclose(out);
}

void TPrnDos::DrawBoxLinesPrinter()
{
    const std::int32_t rows = std::min(m_iRow, BoxGrid::kRows);
    const std::int32_t cols = std::min(m_iMaxCols, BoxGrid::kColumns);
    m_Canvas->setPenColour(clBlack);

    for (std::int32_t i = 0; i < rows; ++i) {
        const std::int32_t y = i * m_iLineHeight + m_iMargin + m_iHalfLineHeight;
        auto draw = [&](std::int32_t x0, std::int32_t x1) {
            m_Canvas->moveTo(x0, y);
            m_Canvas->lineTo(x1, y);
        };
        PendingSegment<std::int32_t> segment;
        for (std::int32_t j = 0; j < cols; ++j) {
            const CELL* cell = m_Cells.at(i, j);
            const BoxRule rule = boxRule(cell ? cell->character : 0, BoxPass::Horizontal);
            if (rule.interrupts) {
                segment.flush(draw);
                continue;
            }
            const std::int32_t points[3] = {cell->x, cell->x + cell->half,
                                            cell->x + 2 * cell->half};
            segment.add(points[rule.from], points[rule.to]);
            if (rule.drawAfter)
                segment.flush(draw);
        }
        segment.flush(draw);
    }

    for (std::int32_t j = 0; j < cols; ++j) {
        std::int32_t x = 0;
        auto draw = [&](std::int32_t y0, std::int32_t y1) {
            m_Canvas->moveTo(x, y0);
            m_Canvas->lineTo(x, y1);
        };
        PendingSegment<std::int32_t> segment;
        for (std::int32_t i = 0; i < rows; ++i) {
            const CELL* cell = m_Cells.at(i, j);
            if (!cell) {
                segment.flush(draw);
                continue;
            }
            x = cell->x + cell->half;
            const BoxRule rule = boxRule(cell->character, BoxPass::Vertical);
            if (rule.interrupts) {
                segment.flush(draw);
                continue;
            }
            const std::int32_t points[3] = {cell->y, cell->y + m_iHalfLineHeight,
                                            cell->y + 2 * m_iHalfLineHeight};
            segment.add(points[rule.from], points[rule.to]);
            if (rule.drawAfter)
                segment.flush(draw);
        }
        segment.flush(draw);
    }
}

void TPrnDos::DrawBoxLinesPdf()
{
    const std::int32_t rows = std::min(m_iRow, BoxGrid::kRows);
    const std::int32_t cols = std::min(m_iMaxCols, BoxGrid::kColumns);
    auto line = [&](float x0, float y0, float x1, float y1) {
        TPdfFonts::SetStrokeColor(m_pdfPage, clBlack);
        HPDF_Page_MoveTo(m_pdfPage, x0, y0);
        HPDF_Page_LineTo(m_pdfPage, x1, y1);
        HPDF_Page_Stroke(m_pdfPage);
    };

    for (std::int32_t i = 0; i < rows; ++i) {
        const float y = m_fPrintableHeight + m_fMargin - static_cast<float>(i) * m_fLineHeight -
                        m_fHalfLineHeight;
        auto draw = [&](float x0, float x1) { line(x0, y, x1, y); };
        PendingSegment<float> segment;
        for (std::int32_t j = 0; j < cols; ++j) {
            const CELL* cell = m_Cells.at(i, j);
            const BoxRule rule = boxRule(cell ? cell->character : 0, BoxPass::Horizontal);
            if (rule.interrupts) {
                segment.flush(draw);
                continue;
            }
            const float points[3] = {cell->fx, cell->fx + cell->fhalf, cell->fx + 2 * cell->fhalf};
            segment.add(points[rule.from], points[rule.to]);
            if (rule.drawAfter)
                segment.flush(draw);
        }
        segment.flush(draw);
    }

    for (std::int32_t j = 0; j < cols; ++j) {
        float x = 0;
        auto draw = [&](float y0, float y1) { line(x, y0, x, y1); };
        PendingSegment<float> segment;
        for (std::int32_t i = 0; i < rows; ++i) {
            const CELL* cell = m_Cells.at(i, j);
            if (!cell) {
                segment.flush(draw);
                continue;
            }
            x = cell->fx + cell->fhalf;
            const BoxRule rule = boxRule(cell->character, BoxPass::Vertical);
            if (rule.interrupts) {
                segment.flush(draw);
                continue;
            }
            const float points[3] = {cell->fy + 2 * m_fHalfLineHeight, cell->fy + m_fHalfLineHeight,
                                     cell->fy};
            segment.add(points[rule.from], points[rule.to]);
            if (rule.drawAfter)
                segment.flush(draw);
        }
        segment.flush(draw);
    }
}

bool TPrnDos::FindBoxPrinter(std::int32_t left, std::int32_t top, IntRect& box) const
{
    const CORNER* topLeft = nullptr;
    for (auto it = m_lTopLeft.rbegin(); it != m_lTopLeft.rend(); ++it) {
        if (it->y < top && it->x < left) {
            topLeft = &*it;
            break;
        }
    }
    const CORNER* bottomRight = nullptr;
    for (const CORNER& c : m_lBottomRight) {
        if (c.y > top && c.x > left) {
            bottomRight = &c;
            break;
        }
    }
    if (!topLeft || !bottomRight)
        return false;
    box = {topLeft->x, topLeft->y, bottomRight->x + 1, bottomRight->y + 1};
    return true;
}

bool TPrnDos::FindBoxPdf(float left, float top, FloatRect& box) const
{
    const CORNER* topLeft = nullptr;
    for (auto it = m_lTopLeft.rbegin(); it != m_lTopLeft.rend(); ++it) {
        if (it->fy > top && it->fx < left) {
            topLeft = &*it;
            break;
        }
    }
    const CORNER* bottomRight = nullptr;
    for (const CORNER& c : m_lBottomRight) {
        if (c.fy < top && c.fx > left) {
            bottomRight = &c;
            break;
        }
    }
    if (!topLeft || !bottomRight)
        return false;
    box = {topLeft->fx, bottomRight->fy, bottomRight->fx, topLeft->fy};
    return true;
}

void TPrnDos::FillBoxes()
{
    const TColor savedBack = m_clBack;
    const TColor savedFont = m_clFont;
    const TColor savedBrush = m_Canvas ? m_Canvas->brushColour() : clWhite;
    const TColor savedFontColour = m_Canvas ? m_Canvas->fontColour() : clBlack;

    while (!m_lBoxes.empty()) {
        const BOXES q = m_lBoxes.front();
        bool found = false;
        IntRect box;
        FloatRect fbox;
        if (m_bPdf) {
            found = FindBoxPdf(q.frect.left, q.frect.top, fbox);
        } else {
            found = FindBoxPrinter(q.rect.left, q.rect.top, box);
        }
        if (!found) {
            m_lBoxes.erase(m_lBoxes.begin());
            continue;
        }
        if (m_bPdf) {
            TPdfFonts::SetFillColor(m_pdfPage, q.backColour);
            TPdfFonts::SetStrokeColor(m_pdfPage, clBlack);
            HPDF_Page_Rectangle(m_pdfPage, fbox.left, fbox.bottom, fbox.right - fbox.left,
                                fbox.top - fbox.bottom);
            HPDF_Page_FillStroke(m_pdfPage);
        } else {
            m_Canvas->setBrushColour(q.backColour);
            m_Canvas->setPenColour(clBlack);
            m_Canvas->rectangle(box);
        }

        // q comes first among the runs drawn in this frame; a run that sticks out of the frame
        // is dropped, and the frame is filled once.
        m_lBoxes.erase(m_lBoxes.begin());
        auto drawIfInside = [&](const BOXES& r) {
            const bool inside = m_bPdf
                                    ? (r.frect.left > fbox.left && r.frect.bottom > fbox.bottom &&
                                       r.frect.right < fbox.right && r.frect.top < fbox.top)
                                    : (r.rect.left > box.left && r.rect.top > box.top &&
                                       r.rect.right < box.right && r.rect.bottom < box.bottom);
            if (!inside)
                return false;
            m_clBack = r.backColour;
            m_clFont = r.fontColour;
            if (m_Canvas) {
                m_Canvas->setBrushColour(r.backColour);
                m_Canvas->setFontColour(r.fontColour);
            }
            SetStyle(r.style);
            ApplyFont();
            m_iX = r.x;
            m_iY = r.y;
            m_fX = r.fx;
            m_fY = r.fy;
            DrawRun(r.text, false);
            return true;
        };
        drawIfInside(q);
        for (auto it = m_lBoxes.begin(); it != m_lBoxes.end();) {
            if (drawIfInside(*it))
                it = m_lBoxes.erase(it);
            else
                ++it;
        }
    }

    m_clBack = savedBack;
    m_clFont = savedFont;
    if (m_Canvas) {
        m_Canvas->setBrushColour(savedBrush);
        m_Canvas->setFontColour(savedFontColour);
    }
}

} // namespace spoolar
