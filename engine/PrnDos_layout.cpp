// Text layout: the four pitches measured on the target, font selection and text runs.
#include "engine/PrnDos.h"

#include "engine/PdfError.h"
#include "platform/CodePage.h"
#include "platform/PrinterDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace spoolar {

namespace {
constexpr std::array<std::size_t, 4> kPitchChars{80, 96, 136, 160};

// Windows MulDiv: a * b / c in 64 bits, rounded half away from zero.
std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0)
        return -1;
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    const std::int64_t q = (std::llabs(p) * 2 + std::llabs(c)) / (2 * std::llabs(c));
    return static_cast<std::int32_t>(((p < 0) != (c < 0)) ? -q : q);
}

bool isBlank(const std::string& run)
{
    for (char c : run) {
        if (static_cast<unsigned char>(c) > ' ')
            return false;
    }
    return true;
}
} // namespace

void TPrnDos::MeasurePitches()
{
    if (m_bPdf)
        MeasurePitchesPdf();
    else
        MeasurePitchesPrinter();
}

void TPrnDos::MeasurePitchesPdf()
{
    // One measuring document serves the four pitches: the fonts and the page are the same.
    CreatePdfDoc();
    if (m_bPdfFailed)
        return;
    // The measuring document is released however measuring ends: a libharu error (a family
    // without font files, for one) throws out of the constructor, and no destructor runs then.
    struct MeasuringDoc
    {
        TPrnDos& engine;
        ~MeasuringDoc() { engine.FreePdfDoc(); }
    } measuringDoc{*this};
    FamilyFactors factors = familyFactors(m_asFontName);
    m_PdfFonts->LoadFamily(m_pdfDoc, m_asFontName);
    const HPDF_Font font = m_PdfFonts->GetFont(m_asFontName, false, true);
    const HPDF_Page page = HPDF_AddPage(m_pdfDoc);
    HPDF_Page_Concat(page, 0.12f, 0, 0, 0.12f, 0, 0);
    HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);

    float w = HPDF_Page_GetWidth(page) * 8.333333f - 2 * m_fMargin;
    const float h = HPDF_Page_GetHeight(page) * 8.333333f - 2 * m_fMargin;
    w = w - w * 0.01f;

    for (std::size_t i = 0; i < kPitchChars.size(); ++i) {
        const std::string sample = m_asSample.substr(0, kPitchChars[i]);
        auto fits = [&](float size) {
            HPDF_Page_SetFontAndSize(page, font, size);
            return HPDF_Page_TextWidth(page, sample.c_str()) < w;
        };
        // The largest size on the 0.5 grid from 180 down whose sample is narrower than w: the
        // width grows with the size, so start at the computed size and step to the boundary.
        float size = 180;
        HPDF_Page_SetFontAndSize(page, font, 100);
        const float hundredWidth = HPDF_Page_TextWidth(page, sample.c_str());
        if (hundredWidth > 0) {
            size = std::floor(w * 100 / hundredWidth * 2) / 2;
            size = std::clamp(size, 0.5f, 180.0f);
        }
        if (fits(size)) {
            while (size + 0.5f <= 180 && fits(size + 0.5f))
                size += 0.5f;
        } else {
            while (size > 0.5f && !fits(size))
                size -= 0.5f;
        }
        HPDF_Page_SetFontAndSize(page, font, size);

        const float ascent = static_cast<float>(HPDF_Font_GetAscent(font));
        const float descent = static_cast<float>(HPDF_Font_GetDescent(font));
        const float xHeight = static_cast<float>(HPDF_Font_GetXHeight(font));
        const float lr = (ascent - descent) * size / 1000 * factors.lineFactor;
        const float xh = xHeight * size / 1000;
        const float cw = HPDF_Page_TextWidth(page, "W");
        const auto rows = static_cast<std::int32_t>(h / lr);
        const auto cols = static_cast<std::int32_t>(w / cw);
        const float l =
            rows > 0 ? lr + (h - static_cast<float>(rows) * lr) / static_cast<float>(rows) : lr;
        const float b = xh / factors.xHeightDivisor + (l - lr) / 2;

        PITCHMETRICS& m = m_Metrics[i];
        m.rows = rows;
        m.cols = cols;
        m.landRows = static_cast<std::int32_t>(std::nearbyint(w / l));
        m.landCols = static_cast<std::int32_t>(std::nearbyint(h / cw));
        m.lineHeight = l;
        m.fontSize = size;
        m.lineRaw = lr;
        m.charWidthF = cw;
        m.baseline = b;
    }
}

void TPrnDos::MeasurePitchesPrinter()
{
    m_iDpiX = 600;
    m_iDpiY = 600;
    m_iMargin = 0;
    if (const auto mode = m_Printer->defaultDeviceMode(); mode && mode->yResolution != 0) {
        m_iDpiY = mode->yResolution;
        // A negative print quality is a draft/high constant, not a resolution: take the
        // vertical resolution for both directions then.
        m_iDpiX = mode->printQuality > 0 ? mode->printQuality : mode->yResolution;
        m_iMargin = static_cast<std::int32_t>(m_iDpiX / 600.0 * 41.666664);
    }
    m_Printer->setOrientation(Orientation::Portrait);
    const std::int32_t W = m_Printer->pageWidth() - 2 * m_iMargin;
    const std::int32_t H = m_Printer->pageHeight() - 2 * m_iMargin;

    LogFont font;
    font.family = m_asFontName;
    font.italic = true;
    for (std::size_t i = 0; i < kPitchChars.size(); ++i) {
        const std::string sample = m_asSample.substr(0, kPitchChars[i]);
        auto fits = [&](int n) {
            font.height = -n;
            return measureTextWidth(font, sample) <= W;
        };
        // The largest character height from 256 down whose sample fits: widths grow with the
        // height, so a binary search finds the same height as trying each in turn.
        int lo = 0; // fits (0 stands for "none")
        int hi = 257;
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if (fits(mid))
                lo = mid;
            else
                hi = mid;
        }
        PITCHMETRICS& m = m_Metrics[i];
        m = PITCHMETRICS{};
        if (lo == 0)
            continue;
        font.height = -lo;
        m.fontHeight = -lo;
        m.textHeight = measureTextHeight(font);
        m.charWidth = measureTextWidth(font, "W");
        if (m.textHeight > 0) {
            m.rows = H / m.textHeight;
            m.landRows = W / m.textHeight;
        }
        if (m.charWidth > 0) {
            m.cols = W / m.charWidth;
            m.landCols = H / m.charWidth;
        }
    }
}

void TPrnDos::ApplyFont()
{
    if (m_bPica)
        m_iPitch = m_bCondensed ? 2 : 0;
    else if (m_bElite)
        m_iPitch = m_bCondensed ? 3 : 1;
    const PITCHMETRICS& m = m_Metrics[static_cast<std::size_t>(m_iPitch)];

    if (m_bPdf) {
        m_pdfFont = m_PdfFonts ? m_PdfFonts->GetFont(m_asFontName, m_bBold, m_bItalic) : nullptr;
        if (m_pdfPage)
            m_pdfState.setFont(m_pdfPage, m_pdfFont, m.fontSize);
        if (!m_bCentred) {
            m_fLineHeight = m.lineHeight;
            m_fLineRaw = m.lineRaw;
            m_fCharWidth = m.charWidthF;
            m_fBaseline = m.baseline;
            m_fHalfLineHeight = m.lineHeight / 2;
            // Back to the first line only while no line of the page has ended: moving the pen
            // in mid-page would print lines over each other.
            if (!m_bPageLineEnded)
                m_fY = m_fPrintableHeight + m_fMargin - m_fLineHeight;
        }
        m_fHalfCharWidth = m.charWidthF / 2;
        return;
    }

    if (m_Canvas) {
        LogFont& font = m_Canvas->fontRef();
        font.family = m_asFontName;
        font.height = m.fontHeight;
        font.width = 0;
        font.bold = m_bBold;
        font.italic = m_bItalic;
    }
    if (!m_bCentred) {
        m_iLineHeight = m.textHeight;
        m_iCharWidth = m.charWidth;
        m_iHalfLineHeight = m.textHeight / 2;
    }
    m_iHalfCharWidth = m.charWidth / 2;
}

std::int32_t TPrnDos::TallHeight(std::int32_t v) const
{
    std::int32_t percent = 0;
    if (m_pSettings) {
        if (m_asFontName == "Courier New")
            percent = m_pSettings->PercFontsizeCourier;
        else if (m_asFontName == "Bitstream Vera Sans Mono")
            percent = m_pSettings->PercFontsizeBitstream;
        else if (m_asFontName == "Consolas")
            percent = m_pSettings->PercFontsizeConsolas;
    }
    return mulDiv(std::abs(v), percent, 100);
}

std::int32_t TPrnDos::ItalicShift(std::int32_t v) const
{
    if (!m_bItalic || !m_pSettings)
        return 0;
    std::int32_t percent = 0;
    if (m_asFontName == "Courier New")
        percent = m_pSettings->PercItalicoCourier;
    else if (m_asFontName == "Bitstream Vera Sans Mono")
        percent = m_pSettings->PercItalicoBitstream;
    else if (m_asFontName == "Consolas")
        percent = m_pSettings->PercItalicoConsolas;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(std::abs(v)) * percent / 100);
}

void TPrnDos::DrawRun(std::string run, bool convert)
{
    if (convert)
        run = m_host.oem.toAnsi(run);
    const auto length = static_cast<std::int32_t>(run.size());
    m_iCol += m_bDoubleWidth ? length * 2 : length;
    const PITCHMETRICS& m = m_Metrics[static_cast<std::size_t>(m_iPitch)];

    if (m_bPdf) {
        float width = static_cast<float>(length) * m.charWidthF;
        if (m_bDoubleWidth)
            width *= 2;
        if (m_bBoxFillPending) {
            BOXES box;
            box.text = run;
            box.style = CurrentStyle();
            box.x = m_iX;
            box.y = m_iY;
            box.backColour = m_clBack;
            box.fontColour = m_clFont;
            box.fx = m_fX;
            box.fy = m_fY;
            box.frect = {m_fX, m_fY, m_fX + width, m_fY + m_fLineHeight};
            m_lBoxes.push_back(std::move(box));
            m_bBoxFillPending = false;
            m_clBack = clWhite;
        } else {
            if (!m_bRedraw && m_clBack != clWhite) {
                m_pdfState.endText(m_pdfPage);
                m_pdfState.fill(m_pdfPage, m_clBack);
                HPDF_Page_Rectangle(m_pdfPage, m_fX, m_fY, width, m_fLineHeight);
                HPDF_Page_Fill(m_pdfPage);
            }
            float offset = m_bTall ? m_fBaseline : (m_fLineHeight - m.lineHeight) / 2 + m.baseline;
            float y = m_fY + offset;
            const float hScale = m_bDoubleWidth ? 2.0f : 1.0f;
            float vScale = 1.0f;
            if (m_bSubscript)
                vScale = 0.5f;
            if (m_bSuperscript) {
                vScale = 0.5f;
                y = m_fY + m_fLineHeight / 2 + m_fBaseline / 2;
            }
            if (m_bTall && m.lineRaw > 0)
                vScale *= m_fLineRaw / m.lineRaw;
            m_pdfState.fill(m_pdfPage, m_clFont);
            m_pdfState.showText(m_pdfPage, hScale, vScale, m_fX, y, run.c_str());
        }
        m_fX += width;
        return;
    }

    std::int32_t width = length * m.charWidth;
    IntRect textRect;
    textRect.left = m_iX;
    textRect.top = m_iY + (m_iLineHeight - m.textHeight) / 2;
    textRect.right = textRect.left + width;
    textRect.bottom = textRect.top + m.textHeight;
    IntRect lineRect{m_iX, m_iY, m_iX + width, m_iY + m_iLineHeight};

    if (m_bDoubleWidth || m_bSuperscript || m_bSubscript || m_bTall) {
        DrawRunSpecial(run, width, textRect, lineRect);
    } else if (!m_bBoxFillPending) {
        const std::int32_t x = textRect.left + ItalicShift(m.textHeight);
        if (m_bRedraw)
            m_Canvas->textOut(x, textRect.top, run);
        else
            m_Canvas->textRect(textRect, x, textRect.top, run);
    }
    if (m_bBoxFillPending) {
        BOXES box;
        box.text = run;
        box.style = CurrentStyle();
        box.x = m_iX;
        box.y = m_iY;
        box.backColour = m_Canvas->brushColour();
        box.fontColour = m_Canvas->fontColour();
        box.rect = textRect;
        box.fx = m_fX;
        box.fy = m_fY;
        m_lBoxes.push_back(std::move(box));
        m_bBoxFillPending = false;
        m_Canvas->setBrushColour(clWhite);
        m_clBack = clWhite;
    }
    m_iX += width;
}

void TPrnDos::DrawRunSpecial(const std::string& run, std::int32_t& width, IntRect& textRect,
                             IntRect& lineRect)
{
    if (isBlank(run)) {
        IntRect& rect = m_bTall ? lineRect : textRect;
        if (m_bDoubleWidth) {
            width *= 2;
            rect.right = rect.left + width;
        }
        m_Canvas->fillRect(rect);
        return;
    }
    const PITCHMETRICS& m = m_Metrics[static_cast<std::size_t>(m_iPitch)];
    const LogFont saved = m_Canvas->font();
    LogFont logical = saved;
    logical.width = m.charWidth;

    if (m_bDoubleWidth) {
        logical.width *= 2;
        width *= 2;
        if (m_bTall) {
            logical.height = TallHeight(m_iLineHeight) - m_iLineHeight;
            lineRect.right = lineRect.left + width;
        } else {
            textRect.right = textRect.left + width;
        }
    }
    if (m_bSuperscript) {
        if (m_bTall) {
            logical.height = TallHeight(m_iLineHeight) - m_iLineHeight / 2;
            lineRect.bottom -= lineRect.height() / 2;
        } else {
            logical.height /= 2;
            textRect.bottom -= m_iHalfLineHeight;
        }
    }
    if (m_bSubscript) {
        if (m_bTall) {
            logical.height = TallHeight(m_iLineHeight) - m_iLineHeight / 2;
            lineRect.top += lineRect.height() / 2;
        } else {
            logical.height /= 2;
            textRect.top += m_iHalfLineHeight;
        }
    }
    if (m_bTall && !m_bDoubleWidth && !m_bSuperscript && !m_bSubscript)
        logical.height = TallHeight(m_iLineHeight) - m_iLineHeight;

    m_Canvas->setFont(logical);
    if (!m_bBoxFillPending) {
        const IntRect& rect = m_bTall ? lineRect : textRect;
        const std::int32_t x = rect.left + ItalicShift(logical.height);
        if (m_bRedraw)
            m_Canvas->textOut(x, rect.top, run);
        else
            m_Canvas->textRect(rect, x, rect.top, run);
    }
    m_Canvas->setFont(saved);
}

} // namespace spoolar
