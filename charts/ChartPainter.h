#pragma once
#include "charts/Chart.h"
#include "charts/ChartCanvas.h"

#include <string_view>
#include <vector>

namespace spoolar {

// Pens, brushes and text boxes on a chart canvas: what the two surfaces share, built from
// their few primitives so that dashes and hatches look the same on paper and in a PDF.
class ChartPainter
{
public:
    explicit ChartPainter(IChartCanvas& canvas);

    IChartCanvas& canvas() { return m_canvas; }
    // Chart pixels (1/96 inch) and points in canvas units.
    double px(double pixels) const { return pixels * m_dpi / 96.0; }
    double pt(double points) const { return points * m_dpi / 72.0; }

    // A line in a pen style (dashes and dots as Windows draws them); psClear draws nothing.
    void line(TPointF from, TPointF to, TColor colour, double widthPixels,
              TPenStyle style = TPenStyle::psSolid);
    void outline(const std::vector<TPointF>& polygon, TColor colour, double widthPixels);
    // Fills a convex polygon with a brush: solid, nothing (bsClear), or white under hatch
    // lines of the colour, 8 chart pixels apart and aligned on the page.
    void fill(const std::vector<TPointF>& polygon, TColor colour, TBrushStyle style);
    void fill(const TRectF& rect, TColor colour, TBrushStyle style = TBrushStyle::bsSolid);

    TChartTextStyle style(const TChartFont& font, int angle = 0, double scale = 1.0) const;
    double textWidth(std::string_view ansi, const TChartTextStyle& style);
    double textHeight(const TChartTextStyle& style);
    // The box a turned text covers, relative to its anchor (the top-left of its unturned cell).
    TRectF textBounds(std::string_view ansi, const TChartTextStyle& style);
    // Draws a text so that the box it covers has its top-left corner at `boxTopLeft`.
    void textInBox(TPointF boxTopLeft, std::string_view ansi, const TChartTextStyle& style);

private:
    void hatch(const std::vector<TPointF>& polygon, TColor colour, double dirX, double dirY);

    IChartCanvas& m_canvas;
    double m_dpi;
};

std::vector<TPointF> rectPolygon(const TRectF& r);
// A colour darkened to a share of its brightness (0..1).
TColor darker(TColor colour, double share);

} // namespace spoolar
