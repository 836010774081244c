#pragma once
#include "charts/ChartKeywords.h"
#include "platform/Colour.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace spoolar {

// The chart component: a chart's settings and series, drawn by drawChart (ChartRenderer.h).
// Sizes of fonts are in points; tick length, arrow length and pen widths in chart pixels
// (1/96 inch, as on a screen); label space in device units of the page (1/600 inch on a 600-dpi
// page); margins, legend offset, colour box width, bar width and 3D depth in percent.

struct TChartFont
{
    std::string name = "Arial";
    TColor color = clBlack;
    int size = 8;
    bool bold = false;
};

struct TChartPen
{
    bool visible = true;
    TColor color = clBlack;
    TPenStyle style = TPenStyle::psSolid;
};

struct TChartLegend
{
    bool visible = true;
    TLegendAlignment alignment = TLegendAlignment::laRight;
    int topPos = 10;     // vertical offset of a side legend, percent of the chart height
    int colorWidth = 12; // colour boxes, percent of the legend's width
    bool frame = true;
    TChartFont font;
};

struct TChartTitle
{
    std::vector<std::string> lines; // CP1252
    TChartFont font{"Arial", clBlack, 8, true};

    // Sets the title from one text, split at its line breaks.
    void setText(const std::string& text);
};

struct TChartAxis
{
    bool visible = true;
    bool labels = true;
    int tickLength = 4;
    int labelsAngle = 0;
    int labelsSeparation = 10; // percent of a label's size kept free between labels
    int labelsSize = 0;        // space reserved for the labels; 0: as much as they need
    TColor tickColor = clBlack;
    bool minorTicksVisible = false;
    std::string title; // CP1252
    int titleAngle = 90;
    TChartFont titleFont{"Arial", clBlack, 8, true};
    TChartFont labelsFont{"Arial", clBlack, 8, true};
    TChartPen grid;
    // Value axis scale: automatic, or fixed from minimum to maximum.
    bool automatic = true;
    double minimum = 0;
    double maximum = 0;
};

struct TChartMarks
{
    int arrowLength = -20; // from the point to its mark; negative: towards the inside
    bool transparent = true;
    bool frame = false;
    bool arrow = false;
    TChartFont font{"Arial", clBlack, 10, true};
};

struct TChartPoint
{
    std::string label;           // CP1252, shown on the bottom axis
    std::optional<double> value; // none: a null point, an empty slot
    std::optional<TColor> color; // none: the series colour
};

class TChartSeries;
// Asks for the mark text of a point; an empty text draws no mark.
using TGetMarkTextEvent =
    std::function<void(const TChartSeries& series, int valueIndex, std::string& markText)>;

class TChartSeries
{
public:
    TSeriesType type = TSeriesType::tsBarre;
    std::string title; // CP1252
    TColor color = clBlack;
    int tag = 0;
    TMultiBar multiBar = TMultiBar::mbSide;
    int barWidthPercent = 90;
    TBrushStyle pattern = TBrushStyle::bsSolid;
    TChartMarks marks;
    std::vector<TChartPoint> points;
    TGetMarkTextEvent OnGetMarkText;

    // The mark text of a point: the handler's text, else the value; empty for a null point.
    std::string markText(int valueIndex) const;
};

class TChart
{
public:
    TColor color = clWhite;
    int marginLeft = 3;
    int marginTop = 4;
    int marginRight = 3;
    int marginBottom = 4;
    bool view3D = true;
    bool view3DWalls = true;
    int chart3DPercent = 15;
    TChartLegend legend;
    TChartTitle title;
    TChartAxis leftAxis;
    TChartAxis bottomAxis;

    const std::vector<std::unique_ptr<TChartSeries>>& series() const { return m_series; }
    TChartSeries& addSeries(std::unique_ptr<TChartSeries> series);

    // How the bars of the chart share their slots: the mode of the first bar series.
    TMultiBar multiBar() const;
    // The largest value the left axis has to show over all bar series, with stacked bars
    // counted stacked (100 for bars stacked to 100 %); 0 when there is none.
    double maxYValue() const;
    // The number of slots along the bottom axis: the most points of any bar series.
    int slotCount() const;

private:
    std::vector<std::unique_ptr<TChartSeries>> m_series;
};

} // namespace spoolar
