#pragma once
#include "engine/PdfRawContent.h"
#include "platform/Colour.h"

#include <hpdf.h>

#include <optional>
#include <string>

namespace spoolar {

// What the current PDF page has been given already (font and size, fill and stroke colour, an
// open text object), so that what is repeated before every text run or line is written only
// when it changes. Runs follow each other in one text object; anything that draws a path must
// call endText() first.
class PdfPageState
{
public:
    // A new page starts with nothing set.
    void reset() { *this = PdfPageState{}; }

    void setFont(HPDF_Page page, HPDF_Font font, float size)
    {
        if (m_fontSet && font == m_font && size == m_size)
            return;
        HPDF_Page_SetFontAndSize(page, font, size);
        m_font = font;
        m_size = size;
        m_fontSet = true;
    }
    void fill(HPDF_Page page, TColor colour)
    {
        if (m_fill == colour)
            return;
        HPDF_Page_SetRGBFill(page, component(redOf(colour)), component(greenOf(colour)),
                             component(blueOf(colour)));
        m_fill = colour;
    }
    void stroke(HPDF_Page page, TColor colour)
    {
        if (m_stroke == colour)
            return;
        HPDF_Page_SetRGBStroke(page, component(redOf(colour)), component(greenOf(colour)),
                               component(blueOf(colour)));
        m_stroke = colour;
    }

    // Shows a run with its baseline start at (x, y), scaled horizontally and vertically.
    void showText(HPDF_Page page, float hScale, float vScale, float x, float y, const char* text)
    {
        if (!m_textOpen) {
            HPDF_Page_BeginText(page);
            m_textOpen = true;
            m_identity = true;
            m_lineX = 0;
            m_lineY = 0;
        }
        if (hScale == 1.0f && vScale == 1.0f) {
            // Unscaled: a move relative to the start of the previous run is enough.
            if (m_identity) {
                std::string move;
                PdfRawContent::appendNumber(move, x - m_lineX);
                move += ' ';
                PdfRawContent::appendNumber(move, y - m_lineY);
                move += " Td\n";
                PdfRawContent::write(page, move);
            } else
                HPDF_Page_SetTextMatrix(page, 1, 0, 0, 1, x, y);
            m_identity = true;
        } else {
            HPDF_Page_SetTextMatrix(page, hScale, 0, 0, vScale, x, y);
            m_identity = false;
        }
        m_lineX = x;
        m_lineY = y;
        HPDF_Page_ShowText(page, text);
    }
    void endText(HPDF_Page page)
    {
        if (!m_textOpen)
            return;
        HPDF_Page_EndText(page);
        m_textOpen = false;
    }

private:
    static HPDF_REAL component(int value) { return static_cast<HPDF_REAL>(value / 255.0); }

    bool m_fontSet = false;
    HPDF_Font m_font = nullptr;
    float m_size = 0;
    std::optional<TColor> m_fill;
    std::optional<TColor> m_stroke;
    bool m_textOpen = false;
    bool m_identity = true;
    float m_lineX = 0;
    float m_lineY = 0;
};

} // namespace spoolar
