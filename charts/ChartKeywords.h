#pragma once
#include "platform/Colour.h"

#include <string_view>

namespace spoolar {

// Pen styles in the Windows order; the code is what ParsePenStyle returns.
enum class TPenStyle
{
    psSolid = 0,
    psDash = 1,
    psDot = 2,
    psDashDot = 3,
    psDashDotDot = 4,
    psClear = 5,
    psInsideFrame = 6
};

// Brush styles in the Windows order.
enum class TBrushStyle
{
    bsSolid = 0,
    bsClear = 1,
    bsHorizontal = 2,
    bsVertical = 3,
    bsFDiagonal = 4,
    bsBDiagonal = 5,
    bsCross = 6,
    bsDiagCross = 7
};

// How the bars of several series share a slot.
enum class TMultiBar
{
    mbNone = 0,      // drawn over each other
    mbSide = 1,      // side by side
    mbStacked = 2,   // stacked
    mbStacked100 = 3 // stacked to 100 %
};

enum class TLegendAlignment
{
    laLeft = 0,
    laRight = 1,
    laTop = 2,
    laBottom = 3
};

enum class TSeriesType
{
    tsBarre = 0,
    tsTorta = 1
};

// Keyword parsers of chart descriptions and Chart.ini: the keyword's code, compared without
// regard to case, or the parser's fallback for any other text.
int ParsePenStyle(std::string_view text);        // fallback 0, psSolid
int ParseMultiBar(std::string_view text);        // fallback 1, side by side
int ParseLegendAlignment(std::string_view text); // fallback 1, right
int ParseBrushStyle(std::string_view text);      // fallback 1, clear
int ParseSeriesType(std::string_view text);      // fallback 0, bar

// Colour values beyond plain 0x00BBGGRR.
constexpr TColor clNone = 0x1FFFFFFF;    // nothing is drawn
constexpr TColor clDefault = 0x20000000; // automatic: the next colour of the palette
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clSystemColour = 0xFF000000; // plus the Windows system colour index

// A colour name ("clRed", "clBtnFace", any case), else an integer as the profile functions read
// it (decimal, or hexadecimal after "$" or "0x"), else black.
TColor ParseChartColor(std::string_view text);

// The plain colour a colour value is drawn with: system colours become the Windows standard
// colours of those elements, other values keep their low 24 bits.
TColor drawingColour(TColor colour);

} // namespace spoolar
