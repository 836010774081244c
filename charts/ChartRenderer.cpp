// The frame of a chart: background, margins, title, legend, walls, grids, axes and marks.
#include "charts/ChartDrawing.h"
#include "charts/ChartFormat.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace spoolar {

namespace {
constexpr TColor rgb(int r, int g, int b)
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

// The automatic colours of pie slices, in order: ten strong colours, then their light companions.
constexpr std::array<TColor, 20> kPalette{
    rgb(31, 119, 180),  rgb(255, 127, 14),  rgb(44, 160, 44),   rgb(214, 39, 40),
    rgb(148, 103, 189), rgb(140, 86, 75),   rgb(227, 119, 194), rgb(127, 127, 127),
    rgb(188, 189, 34),  rgb(23, 190, 207),  rgb(174, 199, 232), rgb(255, 187, 120),
    rgb(152, 223, 138), rgb(255, 152, 150), rgb(197, 176, 213), rgb(196, 156, 148),
    rgb(247, 182, 210), rgb(199, 199, 199), rgb(219, 219, 141), rgb(158, 218, 229)};

constexpr TColor kWallColour = rgb(236, 236, 236);
constexpr TColor kFloorColour = rgb(220, 220, 220);
constexpr double kOutlinePixels = 1.0;
constexpr double kAxisPixels = 1.5;
constexpr double kGridPixels = 0.5;

bool visibleColour(TColor c)
{
    return c != clNone;
}
} // namespace

TColor chartPaletteColour(int index)
{
    return kPalette[static_cast<std::size_t>(std::abs(index)) % kPalette.size()];
}

TChartDrawInfo drawChart(const TChart& chart, IChartCanvas& canvas, const TRectF& rect)
{
    chartdraw::ChartDrawing drawing(chart, canvas);
    return drawing.draw(rect);
}

namespace chartdraw {

ChartDrawing::ChartDrawing(const TChart& chart, IChartCanvas& canvas)
    : m_chart(chart), m_painter(canvas)
{
}

TChartDrawInfo ChartDrawing::draw(const TRectF& rect)
{
    if (visibleColour(m_chart.color))
        m_painter.fill(rect, drawingColour(m_chart.color));

    TRectF area{rect.left + rect.width() * m_chart.marginLeft / 100.0,
                rect.top + rect.height() * m_chart.marginTop / 100.0,
                rect.right - rect.width() * m_chart.marginRight / 100.0,
                rect.bottom - rect.height() * m_chart.marginBottom / 100.0};
    if (area.width() <= 0 || area.height() <= 0)
        return {};
    area = drawTitle(area);
    area = placeLegend(area);

    bool anyBars = false;
    for (const auto& s : m_chart.series())
        anyBars = anyBars || s->type == TSeriesType::tsBarre;
    m_axes = anyBars;
    if (m_axes) {
        layOutAxes(area);
        drawWalls();
        drawGrids();
        drawBars();
        drawAxes();
    } else {
        m_plot = area;
    }
    for (const auto& s : m_chart.series()) {
        if (s->type == TSeriesType::tsTorta)
            drawPie(*s, m_plot);
    }
    drawMarks();
    drawLegend();
    return {m_plot, m_axes ? m_min : 0, m_axes ? m_max : 0, m_slots};
}

TRectF ChartDrawing::drawTitle(TRectF area)
{
    const TChartTitle& title = m_chart.title;
    if (title.lines.empty())
        return area;
    const TChartTextStyle style = m_painter.style(title.font);
    const double lineHeight = m_painter.textHeight(style);
    double y = area.top;
    for (const std::string& line : title.lines) {
        const double w = m_painter.textWidth(line, style);
        m_painter.textInBox({area.left + (area.width() - w) / 2, y}, line, style);
        y += lineHeight;
    }
    area.top = y + m_painter.px(4);
    return area;
}

TColor ChartDrawing::seriesColour(const TChartSeries& series, int index) const
{
    if (index >= 0 && static_cast<std::size_t>(index) < series.points.size()) {
        if (const auto& c = series.points[static_cast<std::size_t>(index)].color)
            return *c == clDefault ? chartPaletteColour(index) : drawingColour(*c);
    }
    if (series.color == clDefault)
        return chartPaletteColour(std::max(0, index));
    return drawingColour(series.color);
}

TRectF ChartDrawing::placeLegend(TRectF area)
{
    const TChartLegend& legend = m_chart.legend;
    m_legendShown = legend.visible && !m_chart.series().empty();
    if (!m_legendShown)
        return area;
    const TChartTextStyle style = m_painter.style(legend.font);
    const double entryHeight = m_painter.textHeight(style) * 1.15;
    const double pad = m_painter.px(4);
    double widest = 0;
    for (const auto& s : m_chart.series())
        widest = std::max(widest, m_painter.textWidth(s->title, style));
    const double share = std::clamp(legend.colorWidth, 1, 90) / 100.0;
    const double symbol = std::max(m_painter.px(6), share * (widest + 3 * pad) / (1 - share));
    const double count = static_cast<double>(m_chart.series().size());
    const double gap = m_painter.px(8);

    if (legend.alignment == TLegendAlignment::laLeft ||
        legend.alignment == TLegendAlignment::laRight) {
        const double w = std::min(pad + symbol + pad + widest + pad, area.width() / 2);
        const double h = std::min(2 * pad + count * entryHeight, area.height());
        double top = area.top + area.height() * legend.topPos / 100.0;
        top = std::clamp(top, area.top, area.bottom - h);
        if (legend.alignment == TLegendAlignment::laRight) {
            m_legendBox = {area.right - w, top, area.right, top + h};
            area.right -= w + gap;
        } else {
            m_legendBox = {area.left, top, area.left + w, top + h};
            area.left += w + gap;
        }
        return area;
    }
    // Top or bottom: the entries in rows, centred.
    double rowWidth = 0;
    double widestRow = 0;
    int rows = 1;
    for (const auto& s : m_chart.series()) {
        const double entry = symbol + pad + m_painter.textWidth(s->title, style) + 2 * pad;
        if (rowWidth > 0 && rowWidth + entry > area.width()) {
            ++rows;
            rowWidth = 0;
        }
        rowWidth += entry;
        widestRow = std::max(widestRow, rowWidth);
    }
    const double w = std::min(widestRow + pad, area.width());
    const double h = std::min(2 * pad + rows * entryHeight, area.height() / 2);
    const double left = area.left + (area.width() - w) / 2;
    if (legend.alignment == TLegendAlignment::laTop) {
        m_legendBox = {left, area.top, left + w, area.top + h};
        area.top += h + gap;
    } else {
        m_legendBox = {left, area.bottom - h, left + w, area.bottom};
        area.bottom -= h + gap;
    }
    return area;
}

void ChartDrawing::drawLegend()
{
    if (!m_legendShown)
        return;
    const TChartLegend& legend = m_chart.legend;
    const TChartTextStyle style = m_painter.style(legend.font);
    const double textHeight = m_painter.textHeight(style);
    const double entryHeight = textHeight * 1.15;
    const double pad = m_painter.px(4);
    double widest = 0;
    for (const auto& s : m_chart.series())
        widest = std::max(widest, m_painter.textWidth(s->title, style));
    const double share = std::clamp(legend.colorWidth, 1, 90) / 100.0;
    const double symbol = std::max(m_painter.px(6), share * (widest + 3 * pad) / (1 - share));

    m_painter.fill(m_legendBox, clWhite);
    if (legend.frame)
        m_painter.outline(rectPolygon(m_legendBox), clBlack, kOutlinePixels);

    const bool vertical = legend.alignment == TLegendAlignment::laLeft ||
                          legend.alignment == TLegendAlignment::laRight;
    double x = m_legendBox.left + pad;
    double y = m_legendBox.top + pad;
    for (const auto& s : m_chart.series()) {
        const double textW = m_painter.textWidth(s->title, style);
        const double entryW = symbol + pad + textW + 2 * pad;
        if (!vertical && x > m_legendBox.left + pad && x + entryW > m_legendBox.right) {
            x = m_legendBox.left + pad;
            y += entryHeight;
        }
        const double boxH = textHeight * 0.7;
        const TRectF box{x, y + (entryHeight - boxH) / 2, x + symbol, y + (entryHeight + boxH) / 2};
        const TColor colour = seriesColour(*s, -1);
        m_painter.fill(box, colour,
                       s->type == TSeriesType::tsBarre ? s->pattern : TBrushStyle::bsSolid);
        m_painter.outline(rectPolygon(box), clBlack, kOutlinePixels);
        m_painter.textInBox({x + symbol + pad, y + (entryHeight - textHeight) / 2}, s->title,
                            style);
        if (vertical)
            y += entryHeight;
        else
            x += entryW;
    }
}

double ChartDrawing::yOf(double value) const
{
    const double v = std::clamp(value, m_min, m_max);
    return m_plot.bottom - (v - m_min) / (m_max - m_min) * m_plot.height();
}

std::vector<double> ChartDrawing::axisValues() const
{
    std::vector<double> values;
    const double first = std::ceil(m_min / m_increment - 1e-9);
    for (double k = first;; k += 1) {
        const double v = k * m_increment;
        if (v > m_max + m_increment * 1e-9 || values.size() > 1000)
            break;
        values.push_back(std::abs(v) < m_increment * 1e-9 ? 0.0 : v);
    }
    return values;
}

std::string ChartDrawing::slotLabel(int slot) const
{
    for (const auto& s : m_chart.series()) {
        if (s->type != TSeriesType::tsBarre || static_cast<std::size_t>(slot) >= s->points.size())
            continue;
        const std::string& label = s->points[static_cast<std::size_t>(slot)].label;
        if (!label.empty())
            return label;
    }
    return {};
}

void ChartDrawing::chooseIncrement()
{
    const TChartAxis& axis = m_chart.leftAxis;
    const TChartTextStyle style = m_painter.style(axis.labelsFont, axis.labelsAngle);
    const TRectF sample = m_painter.textBounds(formatChartValue(m_max), style);
    // The separation is a minimum: a page-sized plot gets at most a dozen steps, so that the
    // grid stays readable.
    const double spacing = std::max(
        {m_painter.px(4), sample.height() * (1 + std::max(0, axis.labelsSeparation) / 100.0),
         m_plot.height() / 12});
    const double most = std::max(1.0, std::floor(m_plot.height() / spacing));
    const double raw = (m_max - m_min) / most;
    double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (;;) {
        for (const double step : {1.0, 2.0, 5.0, 10.0}) {
            if (step * magnitude >= raw * (1 - 1e-9)) {
                m_increment = step * magnitude;
                return;
            }
        }
        magnitude *= 10;
    }
}

double ChartDrawing::valueLabelsWidth()
{
    const TChartAxis& axis = m_chart.leftAxis;
    if (!axis.labels)
        return 0;
    if (axis.labelsSize > 0)
        return axis.labelsSize;
    const TChartTextStyle style = m_painter.style(axis.labelsFont, axis.labelsAngle);
    double widest = 0;
    for (const double v : axisValues())
        widest = std::max(widest, m_painter.textBounds(formatChartValue(v), style).width());
    return widest;
}

double ChartDrawing::bottomLabelsHeight()
{
    const TChartAxis& axis = m_chart.bottomAxis;
    if (!axis.labels)
        return 0;
    if (axis.labelsSize > 0)
        return axis.labelsSize;
    const TChartTextStyle style = m_painter.style(axis.labelsFont, axis.labelsAngle);
    double tallest = m_painter.textBounds("0", style).height();
    for (int i = 0; i < m_slots; ++i) {
        const std::string label = slotLabel(i);
        if (!label.empty())
            tallest = std::max(tallest, m_painter.textBounds(label, style).height());
    }
    return tallest;
}

void ChartDrawing::layOutAxes(TRectF area)
{
    const TChartAxis& left = m_chart.leftAxis;
    const TChartAxis& bottom = m_chart.bottomAxis;
    m_slots = std::max(1, m_chart.slotCount());
    if (left.automatic) {
        double lowest = 0;
        for (const auto& s : m_chart.series()) {
            for (const TChartPoint& p : s->points) {
                if (s->type == TSeriesType::tsBarre && p.value)
                    lowest = std::min(lowest, *p.value);
            }
        }
        m_min = lowest;
        m_max = m_chart.maxYValue();
    } else {
        m_min = left.minimum;
        m_max = left.maximum;
    }
    if (!std::isfinite(m_min) || !std::isfinite(m_max))
        m_min = 0, m_max = 1;
    if (m_max <= m_min)
        m_max = m_min + 1;

    const double gap = m_painter.px(3);
    if (m_chart.view3D) {
        const double depth = std::clamp(m_chart.chart3DPercent, 0, 100) / 100.0 *
                             std::min(area.width(), area.height()) * 0.25;
        m_dx = depth * 0.85;
        m_dy = depth * 0.65;
    }

    double bottomSpace = 0;
    if (bottom.visible) {
        bottomSpace = std::max(0.0, m_painter.px(bottom.tickLength)) + gap + bottomLabelsHeight();
        if (!bottom.title.empty()) {
            const TChartTextStyle style = m_painter.style(bottom.titleFont, bottom.titleAngle);
            bottomSpace += gap + m_painter.textBounds(bottom.title, style).height();
        }
    }
    const TChartTextStyle leftLabelStyle = m_painter.style(left.labelsFont, left.labelsAngle);
    const double topRoom =
        left.visible && left.labels ? m_painter.textBounds("0", leftLabelStyle).height() / 2 : 0.0;
    m_plot = {area.left, area.top + m_dy + topRoom, area.right - m_dx - m_painter.px(4),
              area.bottom - bottomSpace};
    if (m_plot.height() < 1)
        m_plot.bottom = m_plot.top + 1;
    chooseIncrement();

    double leftSpace = 0;
    if (left.visible) {
        leftSpace = std::max(0.0, m_painter.px(left.tickLength)) + gap + valueLabelsWidth();
        if (!left.title.empty()) {
            const TChartTextStyle style = m_painter.style(left.titleFont, left.titleAngle);
            leftSpace += gap + m_painter.textBounds(left.title, style).width();
        }
    }
    m_plot.left = area.left + leftSpace;
    if (m_plot.width() < 1)
        m_plot.right = m_plot.left + 1;
}

void ChartDrawing::drawWalls()
{
    const TRectF& p = m_plot;
    if (!m_chart.view3D) {
        m_painter.fill(p, clWhite);
        return;
    }
    if (!m_chart.view3DWalls)
        return;
    const TRectF back{p.left + m_dx, p.top - m_dy, p.right + m_dx, p.bottom - m_dy};
    m_painter.fill(back, clWhite);
    m_painter.outline(rectPolygon(back), clBlack, kOutlinePixels);
    const std::vector<TPointF> leftWall{{p.left, p.top},
                                        {p.left + m_dx, p.top - m_dy},
                                        {p.left + m_dx, p.bottom - m_dy},
                                        {p.left, p.bottom}};
    m_painter.fill(leftWall, kWallColour, TBrushStyle::bsSolid);
    m_painter.outline(leftWall, clBlack, kOutlinePixels);
    const std::vector<TPointF> floor{{p.left, p.bottom},
                                     {p.left + m_dx, p.bottom - m_dy},
                                     {p.right + m_dx, p.bottom - m_dy},
                                     {p.right, p.bottom}};
    m_painter.fill(floor, kFloorColour, TBrushStyle::bsSolid);
    m_painter.outline(floor, clBlack, kOutlinePixels);
}

void ChartDrawing::drawGrids()
{
    const TRectF& p = m_plot;
    const bool walls = m_chart.view3D && m_chart.view3DWalls;
    const TChartPen& horizontal = m_chart.leftAxis.grid;
    if (horizontal.visible && visibleColour(horizontal.color)) {
        const TColor c = drawingColour(horizontal.color);
        for (const double v : axisValues()) {
            const double y = yOf(v);
            m_painter.line({p.left + m_dx, y - m_dy}, {p.right + m_dx, y - m_dy}, c, kGridPixels,
                           horizontal.style);
            if (walls)
                m_painter.line({p.left, y}, {p.left + m_dx, y - m_dy}, c, kGridPixels,
                               horizontal.style);
        }
    }
    const TChartPen& vertical = m_chart.bottomAxis.grid;
    if (vertical.visible && visibleColour(vertical.color)) {
        const TColor c = drawingColour(vertical.color);
        const double slot = p.width() / m_slots;
        for (int i = 0; i < m_slots; ++i) {
            const double x = p.left + slot * (i + 0.5);
            m_painter.line({x + m_dx, p.top - m_dy}, {x + m_dx, p.bottom - m_dy}, c, kGridPixels,
                           vertical.style);
            if (walls)
                m_painter.line({x, p.bottom}, {x + m_dx, p.bottom - m_dy}, c, kGridPixels,
                               vertical.style);
        }
    }
}

void ChartDrawing::drawAxes()
{
    const TRectF& p = m_plot;
    const double gap = m_painter.px(3);
    if (!m_chart.view3D)
        m_painter.outline(rectPolygon(p), clBlack, kOutlinePixels);

    const TChartAxis& left = m_chart.leftAxis;
    if (left.visible) {
        m_painter.line({p.left, p.top}, {p.left, p.bottom}, clBlack, kAxisPixels);
        const double tick = m_painter.px(left.tickLength);
        const TChartTextStyle style = m_painter.style(left.labelsFont, left.labelsAngle);
        double labelsLeft = p.left - std::max(0.0, tick) - gap;
        for (const double v : axisValues()) {
            const double y = yOf(v);
            if (tick != 0)
                m_painter.line({p.left - tick, y}, {p.left, y}, drawingColour(left.tickColor),
                               kOutlinePixels);
            if (!left.labels)
                continue;
            const std::string text = formatChartValue(v);
            const TRectF b = m_painter.textBounds(text, style);
            const double right = p.left - std::max(0.0, tick) - gap;
            m_painter.textInBox({right - b.width(), y - b.height() / 2}, text, style);
        }
        if (left.labels)
            labelsLeft -= valueLabelsWidth();
        if (!left.title.empty()) {
            const TChartTextStyle titleStyle = m_painter.style(left.titleFont, left.titleAngle);
            const TRectF b = m_painter.textBounds(left.title, titleStyle);
            m_painter.textInBox(
                {labelsLeft - gap - b.width(), p.top + (p.height() - b.height()) / 2}, left.title,
                titleStyle);
        }
    }

    const TChartAxis& bottom = m_chart.bottomAxis;
    if (bottom.visible) {
        m_painter.line({p.left, p.bottom}, {p.right, p.bottom}, clBlack, kAxisPixels);
        const double tick = m_painter.px(bottom.tickLength);
        const double slot = p.width() / m_slots;
        const TChartTextStyle style = m_painter.style(bottom.labelsFont, bottom.labelsAngle);
        const double labelsTop = p.bottom + std::max(0.0, tick) + gap;
        double lastRight = -INFINITY;
        for (int i = 0; i < m_slots; ++i) {
            const double x = p.left + slot * (i + 0.5);
            if (tick != 0)
                m_painter.line({x, p.bottom}, {x, p.bottom + tick}, drawingColour(bottom.tickColor),
                               kOutlinePixels);
            const std::string label = bottom.labels ? slotLabel(i) : std::string();
            if (label.empty())
                continue;
            const TRectF b = m_painter.textBounds(label, style);
            const double boxLeft = x - b.width() / 2;
            // A label that would crowd the previous one is left out.
            if (boxLeft < lastRight + b.width() * std::max(0, bottom.labelsSeparation) / 100.0)
                continue;
            m_painter.textInBox({boxLeft, labelsTop}, label, style);
            lastRight = boxLeft + b.width();
        }
        if (!bottom.title.empty()) {
            const TChartTextStyle titleStyle = m_painter.style(bottom.titleFont, bottom.titleAngle);
            const TRectF b = m_painter.textBounds(bottom.title, titleStyle);
            m_painter.textInBox(
                {p.left + (p.width() - b.width()) / 2, labelsTop + bottomLabelsHeight() + gap},
                bottom.title, titleStyle);
        }
    }
}

void ChartDrawing::drawMarks()
{
    for (const PendingMark& mark : m_marks) {
        const TChartMarks& marks = mark.series->marks;
        const TChartTextStyle style = m_painter.style(marks.font);
        const double pad = m_painter.px(2);
        const double w = m_painter.textWidth(mark.text, style) + 2 * pad;
        const double h = m_painter.textHeight(style);
        const double length = m_painter.px(marks.arrowLength);
        const TPointF end{mark.anchor.x + mark.direction.x * length,
                          mark.anchor.y + mark.direction.y * length};
        if (marks.arrow && length != 0)
            m_painter.line(mark.anchor, end, drawingColour(marks.font.color), kOutlinePixels);
        TPointF centre = end;
        if (!mark.centred) {
            const double clear = m_painter.px(2);
            centre.x += mark.direction.x * (w / 2 + clear);
            centre.y += mark.direction.y * (h / 2 + clear);
        }
        const TRectF box{centre.x - w / 2, centre.y - h / 2, centre.x + w / 2, centre.y + h / 2};
        if (!marks.transparent)
            m_painter.fill(box, clWhite);
        if (marks.frame)
            m_painter.outline(rectPolygon(box), clBlack, kOutlinePixels);
        m_painter.textInBox({box.left + pad, box.top}, mark.text, style);
    }
}

} // namespace chartdraw
} // namespace spoolar
