#pragma once
// Internal to the chart renderer: one drawing of one chart, split over ChartRenderer.cpp (frame,
// title, legend, axes), ChartBars.cpp and ChartPie.cpp.
#include "charts/ChartPainter.h"
#include "charts/ChartRenderer.h"

#include <optional>
#include <string>
#include <vector>

namespace spoolar::chartdraw {

// A mark waiting to be drawn once every series is on the page.
struct PendingMark
{
    const TChartSeries* series = nullptr;
    std::string text;
    TPointF anchor;       // the point the mark belongs to
    TPointF direction;    // unit vector from the point towards the mark
    bool centred = false; // the mark is centred where the arrow ends (inside a shape)
};

class ChartDrawing
{
public:
    ChartDrawing(const TChart& chart, IChartCanvas& canvas);
    TChartDrawInfo draw(const TRectF& rect);

private:
    // ChartRenderer.cpp
    TRectF drawTitle(TRectF area);
    TRectF placeLegend(TRectF area);
    void drawLegend();
    void layOutAxes(TRectF area);
    void chooseIncrement();
    double valueLabelsWidth();
    double bottomLabelsHeight();
    void drawWalls();
    void drawGrids();
    void drawAxes();
    void drawMarks();
    double yOf(double value) const;
    TColor seriesColour(const TChartSeries& series, int index) const;
    std::vector<double> axisValues() const;
    std::string slotLabel(int slot) const;

    // ChartBars.cpp
    void drawBars();
    void drawBar(const TChartSeries& series, int index, double left, double right, double from,
                 double to, double zFront, double zBack, TColor colour);

    // ChartPie.cpp
    void drawPie(const TChartSeries& series, TRectF area);

    const TChart& m_chart;
    ChartPainter m_painter;
    TRectF m_plot;   // front plane of the plot
    double m_dx = 0; // offset of the back plane, right
    double m_dy = 0; // offset of the back plane, up
    double m_min = 0;
    double m_max = 1;
    double m_increment = 1;
    int m_slots = 0;
    bool m_axes = false;
    TRectF m_legendBox;
    bool m_legendShown = false;
    std::vector<PendingMark> m_marks;
};

} // namespace spoolar::chartdraw
