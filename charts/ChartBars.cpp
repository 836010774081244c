// Bar series: side by side, over each other, stacked and stacked to 100 %, flat or in 3D.
#include "charts/ChartDrawing.h"

#include <algorithm>
#include <cmath>

namespace spoolar::chartdraw {

namespace {
constexpr double kOutlinePixels = 1.0;
}

void ChartDrawing::drawBars()
{
    std::vector<const TChartSeries*> bars;
    for (const auto& s : m_chart.series()) {
        if (s->type == TSeriesType::tsBarre)
            bars.push_back(s.get());
    }
    if (bars.empty())
        return;
    const TMultiBar mode = m_chart.multiBar();
    const double slot = m_plot.width() / m_slots;
    const double count = static_cast<double>(bars.size());
    auto valueAt = [](const TChartSeries& s, int i) -> std::optional<double> {
        if (static_cast<std::size_t>(i) >= s.points.size())
            return std::nullopt;
        return s.points[static_cast<std::size_t>(i)].value;
    };
    auto width = [&](const TChartSeries& s, double space) {
        return space * std::clamp(s.barWidthPercent, 1, 100) / 100.0;
    };

    if (mode == TMultiBar::mbNone) {
        // Each series on its own, the later ones over the earlier: in 3D each series a row of
        // its own, the first at the back.
        for (std::size_t k = 0; k < bars.size(); ++k) {
            const TChartSeries& s = *bars[k];
            const double row = static_cast<double>(bars.size() - 1 - k);
            const double zFront = m_chart.view3D ? row / count : 0;
            const double zBack = m_chart.view3D ? (row + 1) / count : 0;
            for (int i = 0; i < m_slots; ++i) {
                const auto v = valueAt(s, i);
                if (!v)
                    continue;
                const double w = width(s, slot);
                const double left = m_plot.left + slot * i + (slot - w) / 2;
                drawBar(s, i, left, left + w, 0, *v, zFront, zBack, seriesColour(s, i));
            }
        }
        return;
    }

    const double depth = m_chart.view3D ? 1.0 : 0.0;
    for (int i = 0; i < m_slots; ++i) {
        if (mode == TMultiBar::mbSide) {
            const double space = slot / count;
            for (std::size_t k = 0; k < bars.size(); ++k) {
                const TChartSeries& s = *bars[k];
                const auto v = valueAt(s, i);
                if (!v)
                    continue;
                const double w = width(s, space);
                const double left = m_plot.left + slot * i + space * k + (space - w) / 2;
                drawBar(s, i, left, left + w, 0, *v, 0, depth, seriesColour(s, i));
            }
            continue;
        }
        // Stacked: each series from where the previous one ended; to 100 %, as shares.
        double total = 0;
        for (const TChartSeries* s : bars) {
            if (const auto v = valueAt(*s, i))
                total += std::abs(*v);
        }
        double base = 0;
        for (const TChartSeries* s : bars) {
            auto v = valueAt(*s, i);
            if (!v)
                continue;
            double value = *v;
            if (mode == TMultiBar::mbStacked100)
                value = total > 0 ? std::abs(value) * 100.0 / total : 0.0;
            const double w = width(*bars.front(), slot);
            const double left = m_plot.left + slot * i + (slot - w) / 2;
            drawBar(*s, i, left, left + w, base, base + value, 0, depth, seriesColour(*s, i));
            base += value;
        }
    }
}

void ChartDrawing::drawBar(const TChartSeries& series, int index, double left, double right,
                           double from, double to, double zFront, double zBack, TColor colour)
{
    const double yFrom = yOf(from);
    const double yTo = yOf(to);
    const double top = std::min(yFrom, yTo);
    const double bottom = std::max(yFrom, yTo);
    const double fx = m_dx * zFront;
    const double fy = -m_dy * zFront;
    const double bx = m_dx * zBack;
    const double by = -m_dy * zBack;
    const TBrushStyle brush = series.pattern;
    const bool solid = brush == TBrushStyle::bsSolid;

    if (bottom - top > 0 || zBack > zFront) {
        if (zBack > zFront) {
            const std::vector<TPointF> side{{right + fx, top + fy},
                                            {right + bx, top + by},
                                            {right + bx, bottom + by},
                                            {right + fx, bottom + fy}};
            const std::vector<TPointF> lid{{left + fx, top + fy},
                                           {right + fx, top + fy},
                                           {right + bx, top + by},
                                           {left + bx, top + by}};
            m_painter.fill(side, solid ? darker(colour, 0.62) : colour, brush);
            m_painter.outline(side, clBlack, kOutlinePixels);
            m_painter.fill(lid, solid ? darker(colour, 0.82) : colour, brush);
            m_painter.outline(lid, clBlack, kOutlinePixels);
        }
        const std::vector<TPointF> front{{left + fx, top + fy},
                                         {right + fx, top + fy},
                                         {right + fx, bottom + fy},
                                         {left + fx, bottom + fy}};
        m_painter.fill(front, colour, brush);
        m_painter.outline(front, clBlack, kOutlinePixels);
    }

    // The point's mark: above the end of a rising bar, below the end of a falling one.
    std::string text = series.markText(index);
    if (text.empty())
        return;
    const bool rising = to >= from;
    PendingMark mark;
    mark.series = &series;
    mark.text = std::move(text);
    mark.anchor = {(left + right) / 2 + (fx + bx) / 2, (rising ? top : bottom) + (fy + by) / 2};
    mark.direction = {0, rising ? -1.0 : 1.0};
    m_marks.push_back(std::move(mark));
}

} // namespace spoolar::chartdraw
