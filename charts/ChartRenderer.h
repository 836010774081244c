#pragma once
#include "charts/Chart.h"
#include "charts/ChartCanvas.h"

namespace spoolar {

// What a drawn chart looked like, for the caller and for tests.
struct TChartDrawInfo
{
    TRectF plot;            // the plot area on the front plane
    double axisMinimum = 0; // value axis range as drawn
    double axisMaximum = 0;
    int slotCount = 0; // bar slots along the bottom axis
};

// Draws a chart (background, title, legend, axes and grids, walls, bars, pies and marks) within
// a rectangle of a canvas.
TChartDrawInfo drawChart(const TChart& chart, IChartCanvas& canvas, const TRectF& rect);

// The automatic colour of the n-th pie slice.
TColor chartPaletteColour(int index);

} // namespace spoolar
