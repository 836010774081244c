#include "charts/MetafileChartCanvas.h"

#include <cmath>

namespace spoolar {

namespace {
int dots(double v)
{
    return static_cast<int>(std::lround(v));
}
} // namespace

MetafileChartCanvas::MetafileChartCanvas(TMetafileCanvas& canvas, int dpi)
    : m_canvas(canvas), m_dpi(dpi > 0 ? dpi : 600)
{
}

void MetafileChartCanvas::fillPolygon(const std::vector<TPointF>& points, TColor colour)
{
    std::vector<IntPoint> polygon;
    polygon.reserve(points.size());
    for (const TPointF& p : points)
        polygon.push_back({dots(p.x), dots(p.y)});
    m_canvas.setBrushColour(colour);
    m_canvas.fillPolygon(std::move(polygon));
}

void MetafileChartCanvas::line(TPointF from, TPointF to, TColor colour, double width)
{
    m_canvas.setPenColour(colour);
    m_canvas.setPenWidth(std::max(1, dots(width)));
    m_canvas.moveTo(dots(from.x), dots(from.y));
    m_canvas.lineTo(dots(to.x), dots(to.y));
}

LogFont MetafileChartCanvas::logFont(const TChartTextStyle& style)
{
    LogFont font;
    font.family = style.family;
    font.height = -std::max(1, dots(style.height));
    font.escapement = style.angle * 10;
    font.bold = style.bold;
    return font;
}

void MetafileChartCanvas::text(TPointF at, std::string_view ansi, const TChartTextStyle& style)
{
    m_canvas.setFont(logFont(style));
    m_canvas.setFontColour(style.colour);
    m_canvas.textOut(dots(at.x), dots(at.y), ansi);
}

double MetafileChartCanvas::textWidth(std::string_view ansi, const TChartTextStyle& style)
{
    return measureTextWidth(logFont(style), ansi);
}

double MetafileChartCanvas::textHeight(const TChartTextStyle& style)
{
    return measureTextHeight(logFont(style));
}

} // namespace spoolar
