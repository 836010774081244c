#pragma once
#include "charts/ChartCanvas.h"

#include <hpdf.h>

namespace spoolar {

class TPdfFonts;

// A chart drawn on a PDF page whose user space is in 1/600 inch (y upwards): paths and text
// objects of libharu, the fonts embedded through the job's font cache. Coordinates arrive with
// y downwards from the page's top and are turned over here.
class PdfChartCanvas : public IChartCanvas
{
public:
    PdfChartCanvas(HPDF_Doc doc, HPDF_Page page, TPdfFonts& fonts, double pageHeight);

    double dpi() const override { return 600; }
    void fillPolygon(const std::vector<TPointF>& points, TColor colour) override;
    void line(TPointF from, TPointF to, TColor colour, double width) override;
    void text(TPointF at, std::string_view ansi, const TChartTextStyle& style) override;
    double textWidth(std::string_view ansi, const TChartTextStyle& style) override;
    double textHeight(const TChartTextStyle& style) override;

private:
    HPDF_Font font(const TChartTextStyle& style);
    HPDF_REAL y(double top) const { return static_cast<HPDF_REAL>(m_pageHeight - top); }

    HPDF_Doc m_doc;
    HPDF_Page m_page;
    TPdfFonts& m_fonts;
    double m_pageHeight;
};

} // namespace spoolar
