// Box drawing and box fills: box characters become joined lines at the page end, and the runs
// of B commands fill the frame around them.
#include "engine/PdfRawContent.h"
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
    // Printer dots, y downwards: rows are counted from the top margin.
    struct Geometry : BoxGeometry<std::int32_t>
    {
        std::int32_t margin, lineHeight, halfLine;
        Geometry(std::int32_t m, std::int32_t l, std::int32_t h)
            : margin(m), lineHeight(l), halfLine(h)
        {
        }
        std::int32_t rowCentre(int row) const override
        {
            return row * lineHeight + margin + halfLine;
        }
        std::array<std::int32_t, 3> acrossRow(const CELL& c) const override
        {
            return {c.x, c.x + c.half, c.x + 2 * c.half};
        }
        std::int32_t columnX(const CELL& c) const override { return c.x + c.half; }
        std::array<std::int32_t, 3> downColumn(const CELL& c) const override
        {
            return {c.y, c.y + halfLine, c.y + 2 * halfLine};
        }
    } geometry(m_iMargin, m_iLineHeight, m_iHalfLineHeight);

    m_Canvas->setPenColour(clBlack);
    traceBoxLines<std::int32_t>(
        m_Cells, std::min(m_iRow, BoxGrid::kRows), std::min(m_iMaxCols, BoxGrid::kColumns),
        geometry,
        [&](std::int32_t x0, std::int32_t x1, std::int32_t y) {
            m_Canvas->moveTo(x0, y);
            m_Canvas->lineTo(x1, y);
        },
        [&](std::int32_t x, std::int32_t y0, std::int32_t y1) {
            m_Canvas->moveTo(x, y0);
            m_Canvas->lineTo(x, y1);
        });
}

void TPrnDos::DrawBoxLinesPdf()
{
    // PDF units, y upwards: rows are counted down from the top of the printable area, and a
    // cell's y is the bottom of its line.
    struct Geometry : BoxGeometry<float>
    {
        float top, lineHeight, halfLine;
        Geometry(float t, float l, float h) : top(t), lineHeight(l), halfLine(h) {}
        float rowCentre(int row) const override
        {
            return top - static_cast<float>(row) * lineHeight - halfLine;
        }
        std::array<float, 3> acrossRow(const CELL& c) const override
        {
            return {c.fx, c.fx + c.fhalf, c.fx + 2 * c.fhalf};
        }
        float columnX(const CELL& c) const override { return c.fx + c.fhalf; }
        std::array<float, 3> downColumn(const CELL& c) const override
        {
            return {c.fy + 2 * halfLine, c.fy + halfLine, c.fy};
        }
    } geometry(m_fPrintableHeight + m_fMargin, m_fLineHeight, m_fHalfLineHeight);

    // All segments of the page go to the content stream at once, black, as separate strokes.
    m_pdfState.endText(m_pdfPage);
    std::string path;
    auto line = [&](float x0, float y0, float x1, float y1) {
        PdfRawContent::appendNumber(path, x0);
        path += ' ';
        PdfRawContent::appendNumber(path, y0);
        path += " m ";
        PdfRawContent::appendNumber(path, x1);
        path += ' ';
        PdfRawContent::appendNumber(path, y1);
        path += " l S\n";
    };
    traceBoxLines<float>(
        m_Cells, std::min(m_iRow, BoxGrid::kRows), std::min(m_iMaxCols, BoxGrid::kColumns),
        geometry, [&](float x0, float x1, float y) { line(x0, y, x1, y); },
        [&](float x, float y0, float y1) { line(x, y0, x, y1); });
    if (!path.empty()) {
        m_pdfState.stroke(m_pdfPage, clBlack);
        PdfRawContent::write(m_pdfPage, path);
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
            m_pdfState.endText(m_pdfPage);
            m_pdfState.fill(m_pdfPage, q.backColour);
            m_pdfState.stroke(m_pdfPage, clBlack);
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
