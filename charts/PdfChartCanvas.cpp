#include "charts/PdfChartCanvas.h"

#include "engine/PdfFonts.h"

#include <cmath>
#include <numbers>
#include <string>

namespace spoolar {

namespace {
HPDF_REAL real(double v)
{
    return static_cast<HPDF_REAL>(v);
}
HPDF_REAL part(int component)
{
    return static_cast<HPDF_REAL>(component / 255.0);
}
} // namespace

PdfChartCanvas::PdfChartCanvas(HPDF_Doc doc, HPDF_Page page, TPdfFonts& fonts, double pageHeight)
    : m_doc(doc), m_page(page), m_fonts(fonts), m_pageHeight(pageHeight)
{
    HPDF_Page_SetLineCap(m_page, HPDF_ROUND_END);
    HPDF_Page_SetLineJoin(m_page, HPDF_ROUND_JOIN);
}

void PdfChartCanvas::fillPolygon(const std::vector<TPointF>& points, TColor colour)
{
    if (points.size() < 3)
        return;
    HPDF_Page_SetRGBFill(m_page, part(redOf(colour)), part(greenOf(colour)), part(blueOf(colour)));
    HPDF_Page_MoveTo(m_page, real(points.front().x), y(points.front().y));
    for (std::size_t i = 1; i < points.size(); ++i)
        HPDF_Page_LineTo(m_page, real(points[i].x), y(points[i].y));
    HPDF_Page_ClosePath(m_page);
    HPDF_Page_Eofill(m_page);
}

void PdfChartCanvas::line(TPointF from, TPointF to, TColor colour, double width)
{
    HPDF_Page_SetRGBStroke(m_page, part(redOf(colour)), part(greenOf(colour)),
                           part(blueOf(colour)));
    HPDF_Page_SetLineWidth(m_page, real(std::max(1.0, width)));
    HPDF_Page_MoveTo(m_page, real(from.x), y(from.y));
    HPDF_Page_LineTo(m_page, real(to.x), y(to.y));
    HPDF_Page_Stroke(m_page);
}

HPDF_Font PdfChartCanvas::font(const TChartTextStyle& style)
{
    m_fonts.LoadFamily(m_doc, style.family);
    if (HPDF_Font f = m_fonts.GetFont(style.family, style.bold, false))
        return f;
    // A family that is not installed: the chart's standard family instead.
    m_fonts.LoadFamily(m_doc, "Arial");
    return m_fonts.GetFont("Arial", style.bold, false);
}

void PdfChartCanvas::text(TPointF at, std::string_view ansi, const TChartTextStyle& style)
{
    HPDF_Font f = font(style);
    const double size = style.height;
    const double ascent = HPDF_Font_GetAscent(f) * size / 1000.0;
    const double a = style.angle * std::numbers::pi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    // The baseline starts one ascent below the cell's top-left corner, turned with the text.
    const double baseX = at.x + s * ascent;
    const double baseY = at.y + c * ascent;
    const std::string text(ansi);
    HPDF_Page_BeginText(m_page);
    HPDF_Page_SetFontAndSize(m_page, f, real(size));
    HPDF_Page_SetRGBFill(m_page, part(redOf(style.colour)), part(greenOf(style.colour)),
                         part(blueOf(style.colour)));
    HPDF_Page_SetTextMatrix(m_page, real(c), real(s), real(-s), real(c), real(baseX), y(baseY));
    HPDF_Page_ShowText(m_page, text.c_str());
    HPDF_Page_EndText(m_page);
}

double PdfChartCanvas::textWidth(std::string_view ansi, const TChartTextStyle& style)
{
    HPDF_Font f = font(style);
    const std::string text(ansi);
    const HPDF_TextWidth width = HPDF_Font_TextWidth(
        f, reinterpret_cast<const HPDF_BYTE*>(text.data()), static_cast<HPDF_UINT>(text.size()));
    return width.width * style.height / 1000.0;
}

double PdfChartCanvas::textHeight(const TChartTextStyle& style)
{
    HPDF_Font f = font(style);
    return (HPDF_Font_GetAscent(f) - HPDF_Font_GetDescent(f)) * style.height / 1000.0;
}

} // namespace spoolar
