#include "charts/ChartKeywords.h"

#include "platform/AsciiCase.h"
#include "platform/IniFile.h"

#include <array>
#include <utility>

namespace spoolar {

namespace {
template <std::size_t N>
int lookup(const std::array<std::string_view, N>& keywords, std::string_view text, int fallback)
{
    for (std::size_t i = 0; i < N; ++i) {
        if (equalsNoCase(keywords[i], text))
            return static_cast<int>(i);
    }
    return fallback;
}

struct NamedColour
{
    std::string_view name;
    TColor value;
};

constexpr std::array<NamedColour, 52> kColourNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clSystemColour | 0},
    {"clBackground", clSystemColour | 1},
    {"clActiveCaption", clSystemColour | 2},
    {"clInactiveCaption", clSystemColour | 3},
    {"clMenu", clSystemColour | 4},
    {"clWindow", clSystemColour | 5},
    {"clWindowFrame", clSystemColour | 6},
    {"clMenuText", clSystemColour | 7},
    {"clWindowText", clSystemColour | 8},
    {"clCaptionText", clSystemColour | 9},
    {"clActiveBorder", clSystemColour | 10},
    {"clInactiveBorder", clSystemColour | 11},
    {"clAppWorkSpace", clSystemColour | 12},
    {"clHighlight", clSystemColour | 13},
    {"clHighlightText", clSystemColour | 14},
    {"clBtnFace", clSystemColour | 15},
    {"clBtnShadow", clSystemColour | 16},
    {"clGrayText", clSystemColour | 17},
    {"clBtnText", clSystemColour | 18},
    {"clInactiveCaptionText", clSystemColour | 19},
    {"clBtnHighlight", clSystemColour | 20},
    {"cl3DDkShadow", clSystemColour | 21},
    {"cl3DLight", clSystemColour | 22},
    {"clInfoText", clSystemColour | 23},
    {"clInfoBk", clSystemColour | 24},
    {"clHotLight", clSystemColour | 26},
    {"clGradientActiveCaption", clSystemColour | 27},
    {"clGradientInactiveCaption", clSystemColour | 28},
    {"clMenuHighlight", clSystemColour | 29},
    {"clMenuBar", clSystemColour | 30},
}};

constexpr TColor rgb(int r, int g, int b)
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

// The standard Windows colours of the system elements, by system colour index.
constexpr std::array<TColor, 31> kSystemColours{
    rgb(200, 200, 200), rgb(0, 0, 0),       rgb(153, 180, 209), rgb(191, 205, 219),
    rgb(240, 240, 240), rgb(255, 255, 255), rgb(100, 100, 100), rgb(0, 0, 0),
    rgb(0, 0, 0),       rgb(0, 0, 0),       rgb(180, 180, 180), rgb(244, 247, 252),
    rgb(171, 171, 171), rgb(0, 120, 215),   rgb(255, 255, 255), rgb(240, 240, 240),
    rgb(160, 160, 160), rgb(109, 109, 109), rgb(0, 0, 0),       rgb(0, 0, 0),
    rgb(255, 255, 255), rgb(105, 105, 105), rgb(227, 227, 227), rgb(0, 0, 0),
    rgb(255, 255, 225), rgb(0, 0, 0),       rgb(0, 102, 204),   rgb(185, 209, 234),
    rgb(215, 228, 242), rgb(0, 120, 215),   rgb(240, 240, 240)};
} // namespace

int ParsePenStyle(std::string_view text)
{
    static constexpr std::array<std::string_view, 7> keywords{
        "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"};
    return lookup(keywords, text, 0);
}

int ParseMultiBar(std::string_view text)
{
    static constexpr std::array<std::string_view, 4> keywords{"mbNone", "mbSide", "mbStacked",
                                                              "mbStacked100"};
    return lookup(keywords, text, 1);
}

int ParseLegendAlignment(std::string_view text)
{
    static constexpr std::array<std::string_view, 4> keywords{"laLeft", "laRight", "laTop",
                                                              "laBottom"};
    return lookup(keywords, text, 1);
}

int ParseBrushStyle(std::string_view text)
{
    static constexpr std::array<std::string_view, 8> keywords{
        "bsSolid",     "bsClear",     "bsHorizontal", "bsVertical",
        "bsFDiagonal", "bsBDiagonal", "bsCross",      "bsDiagCross"};
    return lookup(keywords, text, 1);
}

int ParseSeriesType(std::string_view text)
{
    static constexpr std::array<std::string_view, 2> keywords{"tsBarre", "tsTorta"};
    return lookup(keywords, text, 0);
}

TColor ParseChartColor(std::string_view text)
{
    for (const NamedColour& named : kColourNames) {
        if (equalsNoCase(named.name, text))
            return named.value;
    }
    if (const auto number = parseProfileInteger(text))
        return static_cast<TColor>(*number);
    return clBlack;
}

TColor drawingColour(TColor colour)
{
    if ((colour & 0xFF000000) == clSystemColour) {
        const TColor index = colour & 0x00FFFFFF;
        return index < kSystemColours.size() ? kSystemColours[index] : clBlack;
    }
    return colour & 0x00FFFFFF;
}

} // namespace spoolar
