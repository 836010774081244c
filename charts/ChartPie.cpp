// Pie series: slices from twelve o'clock clockwise, flat or as a tilted disc with its rim.
#include "charts/ChartDrawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace spoolar::chartdraw {

namespace {
constexpr double kOutlinePixels = 1.0;
constexpr double kDegree = std::numbers::pi / 180.0;

struct Slice
{
    int index = 0;
    double from = 0; // degrees, counter-clockwise from three o'clock; from > to
    double to = 0;
    TColor colour = 0;
};

// The part of [lo, hi] (degrees) where the disc's rim faces the viewer: the lower half.
std::vector<std::pair<double, double>> frontParts(double lo, double hi)
{
    std::vector<std::pair<double, double>> parts;
    for (double k = std::floor(lo / 360.0) - 1; k * 360.0 <= hi; k += 1) {
        const double a = std::max(lo, 180.0 + k * 360.0);
        const double b = std::min(hi, 360.0 + k * 360.0);
        if (b > a)
            parts.emplace_back(a, b);
    }
    return parts;
}
} // namespace

void ChartDrawing::drawPie(const TChartSeries& series, TRectF area)
{
    double total = 0;
    for (const TChartPoint& p : series.points) {
        if (p.value)
            total += std::abs(*p.value);
    }
    if (!(total > 0) || !std::isfinite(total))
        return;

    // Room for marks around the disc.
    const TChartTextStyle markStyle = m_painter.style(series.marks.font);
    double markW = 0;
    double markH = 0;
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const std::string text = series.markText(static_cast<int>(i));
        if (text.empty())
            continue;
        markW = std::max(markW, m_painter.textWidth(text, markStyle) + m_painter.px(4));
        markH = std::max(markH, m_painter.textHeight(markStyle));
    }
    const double reach = std::max(0.0, m_painter.px(series.marks.arrowLength));
    const double roomX = markW > 0 ? reach + markW : m_painter.px(4);
    const double roomY = markH > 0 ? reach + markH : m_painter.px(4);

    const bool solid3D = m_chart.view3D;
    const double tilt = solid3D ? 0.6 : 1.0;
    const double thickness = solid3D ? std::clamp(m_chart.chart3DPercent, 0, 100) / 100.0 *
                                           std::min(area.width(), area.height()) * 0.5
                                     : 0.0;
    const double rx =
        std::max(m_painter.px(10), std::min((area.width() - 2 * roomX) / 2,
                                            (area.height() - 2 * roomY - thickness) / (2 * tilt)));
    const double ry = rx * tilt;
    const double cx = area.left + area.width() / 2;
    const double cy = area.top + (area.height() - thickness) / 2;
    auto at = [&](double degrees, double drop = 0) {
        return TPointF{cx + rx * std::cos(degrees * kDegree),
                       cy - ry * std::sin(degrees * kDegree) + drop};
    };
    auto arc = [&](std::vector<TPointF>& out, double a, double b, double drop) {
        const int steps = std::max(2, static_cast<int>(std::ceil(std::abs(b - a) / 2.0)));
        for (int s = 0; s <= steps; ++s)
            out.push_back(at(a + (b - a) * s / steps, drop));
    };

    std::vector<Slice> slices;
    double angle = 90;
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const auto& v = series.points[i].value;
        if (!v || *v == 0)
            continue;
        const double sweep = std::abs(*v) / total * 360.0;
        slices.push_back(
            {static_cast<int>(i), angle, angle - sweep, seriesColour(series, static_cast<int>(i))});
        angle -= sweep;
    }

    if (solid3D && thickness > 0) {
        for (const Slice& slice : slices) {
            for (const auto& [a, b] : frontParts(slice.to, slice.from)) {
                std::vector<TPointF> rim;
                arc(rim, a, b, 0);
                arc(rim, b, a, thickness);
                m_painter.fill(rim, darker(slice.colour, 0.7), TBrushStyle::bsSolid);
                m_painter.outline(rim, clBlack, kOutlinePixels);
            }
        }
    }
    for (const Slice& slice : slices) {
        std::vector<TPointF> sector{{cx, cy}};
        arc(sector, slice.from, slice.to, 0);
        m_painter.fill(sector, slice.colour, TBrushStyle::bsSolid);
        m_painter.outline(sector, clBlack, kOutlinePixels);
    }

    for (const Slice& slice : slices) {
        std::string text = series.markText(slice.index);
        if (text.empty())
            continue;
        const double middle = (slice.from + slice.to) / 2;
        PendingMark mark;
        mark.series = &series;
        mark.text = std::move(text);
        // On the front half the rim hangs below the top face: the mark starts from its edge.
        const double front = std::max(0.0, -std::sin(middle * kDegree));
        mark.anchor = at(middle, thickness * front);
        mark.direction = {std::cos(middle * kDegree), -std::sin(middle * kDegree)};
        mark.centred = series.marks.arrowLength < 0;
        m_marks.push_back(std::move(mark));
    }
}

} // namespace spoolar::chartdraw
