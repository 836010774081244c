#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace spoolar {

class TIniFile;

// What the chart settings window shows of one output variant, as up-down positions: the two
// factors are tenths (FontScaleFactor 1.5 is position 15).
struct TChartVariantSettings
{
    bool blackWhite = false;
    bool view3D = true;
    bool view3DWalls = true;
    int chart3DPercent = 15;
    int maxPoints = 50;
    int fontFactor = 10;
    int yAxisFactor = 0;
    int barWidthPercent = 90;
    int xLabelsSize = 300;
    int yLabelsSize = 300;
};

// The keys of Chart.ini that the chart settings window edits: the margins, the three variant
// sections and the legend; 38 keys in all. Everything else in the file is left alone.
struct TChartWindowSettings
{
    int marginLeft = 3;
    int marginBottom = 4;
    int marginTop = 4;
    int marginRight = 3;
    std::array<TChartVariantSettings, 3> variants; // printer, fax, PDF
    bool legendVisible = true;
    int legendTopPos = 10;
    int legendColorWidth = 12;
    std::string legendAlignment = "laRight"; // as stored

    static TChartWindowSettings read(const TIniFile& chartIni);
    // Writes the 38 keys in the window's order; the legend position as the keyword of the item
    // (an empty text for none).
    void write(TIniFile& chartIni, std::optional<int> legendPosition) const;
};

// The legend position items of the window: "Alto", "Destra", "Basso", "Sinistra".
// The first item whose keyword occurs in the stored text, in that order; none when no keyword
// occurs.
std::optional<int> legendPositionOf(std::string_view alignment);
const char* legendPositionKeyword(int item);

// A stored factor as an up-down position: tenths, truncated; a value written from a position
// (2.3 for 23) reads back as that position.
int factorPosition(double value);

} // namespace spoolar
