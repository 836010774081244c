#pragma once
#include "platform/Colour.h"

#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

struct TPointF
{
    double x = 0;
    double y = 0;
};

struct TRectF
{
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};

// A font as the drawing surface takes it: em height in the surface's units, rotation in degrees
// counter-clockwise.
struct TChartTextStyle
{
    std::string family;
    double height = 0;
    bool bold = false;
    int angle = 0;
    TColor colour = 0;
};

// What a chart needs of a page: filled polygons, straight lines and text, in units of 1/dpi()
// inch with the origin at the top left of the page and y growing downwards. The printer page
// and the PDF page each implement it, so a chart is vector output on both.
class IChartCanvas
{
public:
    virtual ~IChartCanvas() = default;

    virtual double dpi() const = 0;
    virtual void fillPolygon(const std::vector<TPointF>& points, TColor colour) = 0;
    // A solid line; widths below one unit draw the thinnest line of the surface.
    virtual void line(TPointF from, TPointF to, TColor colour, double width) = 0;
    // Text whose unturned character cell has its top-left corner at `at`, turned around it.
    virtual void text(TPointF at, std::string_view ansi, const TChartTextStyle& style) = 0;
    virtual double textWidth(std::string_view ansi, const TChartTextStyle& style) = 0;
    // Height of the character cell (ascent plus descent).
    virtual double textHeight(const TChartTextStyle& style) = 0;
};

} // namespace spoolar
