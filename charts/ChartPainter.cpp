#include "charts/ChartPainter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace spoolar {

namespace {
// Dash patterns of the Windows pen styles, on and off lengths in chart pixels.
std::vector<double> dashPattern(TPenStyle style)
{
    switch (style) {
    case TPenStyle::psDash:
        return {18, 6};
    case TPenStyle::psDot:
        return {3, 3};
    case TPenStyle::psDashDot:
        return {9, 6, 3, 6};
    case TPenStyle::psDashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

double cross(TPointF a, TPointF b)
{
    return a.x * b.y - a.y * b.x;
}
} // namespace

std::vector<TPointF> rectPolygon(const TRectF& r)
{
    return {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

TColor darker(TColor colour, double share)
{
    auto part = [&](int c) { return static_cast<TColor>(std::clamp(c * share, 0.0, 255.0)); };
    return part(redOf(colour)) | (part(greenOf(colour)) << 8) | (part(blueOf(colour)) << 16);
}

ChartPainter::ChartPainter(IChartCanvas& canvas) : m_canvas(canvas), m_dpi(canvas.dpi()) {}

void ChartPainter::line(TPointF from, TPointF to, TColor colour, double widthPixels,
                        TPenStyle style)
{
    if (style == TPenStyle::psClear)
        return;
    const double width = px(widthPixels);
    const std::vector<double> pattern = dashPattern(style);
    if (pattern.empty()) {
        m_canvas.line(from, to, colour, width);
        return;
    }
    const double length = std::hypot(to.x - from.x, to.y - from.y);
    if (length <= 0)
        return;
    const double ux = (to.x - from.x) / length;
    const double uy = (to.y - from.y) / length;
    // Dashes grow with a wide pen, as Windows' geometric pens do.
    const double unit = px(std::max(1.0, widthPixels));
    double at = 0;
    for (std::size_t i = 0; at < length; i = (i + 1) % pattern.size()) {
        const double end = std::min(length, at + pattern[i] * unit);
        if (i % 2 == 0)
            m_canvas.line({from.x + ux * at, from.y + uy * at},
                          {from.x + ux * end, from.y + uy * end}, colour, width);
        at = end;
    }
}

void ChartPainter::outline(const std::vector<TPointF>& polygon, TColor colour, double widthPixels)
{
    for (std::size_t i = 0; i < polygon.size(); ++i)
        m_canvas.line(polygon[i], polygon[(i + 1) % polygon.size()], colour, px(widthPixels));
}

void ChartPainter::fill(const TRectF& rect, TColor colour, TBrushStyle style)
{
    fill(rectPolygon(rect), colour, style);
}

void ChartPainter::fill(const std::vector<TPointF>& polygon, TColor colour, TBrushStyle style)
{
    if (polygon.size() < 3 || style == TBrushStyle::bsClear)
        return;
    if (style == TBrushStyle::bsSolid) {
        m_canvas.fillPolygon(polygon, colour);
        return;
    }
    m_canvas.fillPolygon(polygon, clWhite);
    const bool horizontal = style == TBrushStyle::bsHorizontal || style == TBrushStyle::bsCross;
    const bool vertical = style == TBrushStyle::bsVertical || style == TBrushStyle::bsCross;
    const bool forward = style == TBrushStyle::bsFDiagonal || style == TBrushStyle::bsDiagCross;
    const bool backward = style == TBrushStyle::bsBDiagonal || style == TBrushStyle::bsDiagCross;
    if (horizontal)
        hatch(polygon, colour, 1, 0);
    if (vertical)
        hatch(polygon, colour, 0, 1);
    if (forward) // \\\ from top left to bottom right
        hatch(polygon, colour, 1, 1);
    if (backward) // /// from bottom left to top right
        hatch(polygon, colour, 1, -1);
}

// Parallel lines of one direction, spaced 8 chart pixels on the page grid, each clipped to the
// convex polygon.
void ChartPainter::hatch(const std::vector<TPointF>& polygon, TColor colour, double dirX,
                         double dirY)
{
    const double norm = std::hypot(dirX, dirY);
    const TPointF dir{dirX / norm, dirY / norm};
    const TPointF normal{-dir.y, dir.x};
    const double spacing = px(8) * (dirX != 0 && dirY != 0 ? std::numbers::sqrt2 / 2 : 1.0);
    double lo = INFINITY;
    double hi = -INFINITY;
    for (const TPointF& p : polygon) {
        const double d = p.x * normal.x + p.y * normal.y;
        lo = std::min(lo, d);
        hi = std::max(hi, d);
    }
    // Orientation of the polygon, so that "inside" is on the same side of every edge.
    double area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i)
        area += cross(polygon[i], polygon[(i + 1) % polygon.size()]);
    const double sign = area >= 0 ? 1.0 : -1.0;

    for (double d = std::ceil(lo / spacing) * spacing; d <= hi; d += spacing) {
        const TPointF origin{normal.x * d, normal.y * d};
        double tMin = -INFINITY;
        double tMax = INFINITY;
        bool empty = false;
        for (std::size_t i = 0; i < polygon.size() && !empty; ++i) {
            const TPointF a = polygon[i];
            const TPointF b = polygon[(i + 1) % polygon.size()];
            const TPointF edge{b.x - a.x, b.y - a.y};
            // Inside when sign * cross(edge, point - a) >= 0.
            const double base = sign * cross(edge, {origin.x - a.x, origin.y - a.y});
            const double slope = sign * cross(edge, dir);
            if (std::abs(slope) < 1e-12) {
                if (base < 0)
                    empty = true;
                continue;
            }
            const double t = -base / slope;
            if (slope > 0)
                tMin = std::max(tMin, t);
            else
                tMax = std::min(tMax, t);
        }
        if (empty || tMin >= tMax || !std::isfinite(tMin) || !std::isfinite(tMax))
            continue;
        m_canvas.line({origin.x + dir.x * tMin, origin.y + dir.y * tMin},
                      {origin.x + dir.x * tMax, origin.y + dir.y * tMax}, colour, px(1));
    }
}

TChartTextStyle ChartPainter::style(const TChartFont& font, int angle, double scale) const
{
    TChartTextStyle s;
    s.family = font.name.empty() ? std::string("Arial") : font.name;
    s.height = pt(std::max(1, font.size)) * scale;
    s.bold = font.bold;
    s.angle = angle;
    s.colour = font.color;
    return s;
}

double ChartPainter::textWidth(std::string_view ansi, const TChartTextStyle& style)
{
    return m_canvas.textWidth(ansi, style);
}

double ChartPainter::textHeight(const TChartTextStyle& style)
{
    return m_canvas.textHeight(style);
}

TRectF ChartPainter::textBounds(std::string_view ansi, const TChartTextStyle& style)
{
    const double w = textWidth(ansi, style);
    const double h = textHeight(style);
    const double a = style.angle * std::numbers::pi / 180.0;
    const double c = std::cos(a);
    const double s = std::sin(a);
    // Turning counter-clockwise on a page whose y grows downwards.
    const std::array<TPointF, 4> corners{TPointF{0, 0}, TPointF{w, 0}, TPointF{w, h},
                                         TPointF{0, h}};
    TRectF box{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const TPointF& p : corners) {
        const double x = p.x * c + p.y * s;
        const double y = -p.x * s + p.y * c;
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
    }
    return box;
}

void ChartPainter::textInBox(TPointF boxTopLeft, std::string_view ansi,
                             const TChartTextStyle& style)
{
    if (ansi.empty())
        return;
    const TRectF bounds = textBounds(ansi, style);
    m_canvas.text({boxTopLeft.x - bounds.left, boxTopLeft.y - bounds.top}, ansi, style);
}

} // namespace spoolar
