#include "charts/ChartSettingsFile.h"

#include "charts/ChartJob.h"
#include "platform/IniFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace spoolar {

namespace {
constexpr std::array<const char*, 4> kPositionKeywords{"laTop", "laRight", "laBottom", "laLeft"};
} // namespace

std::optional<int> legendPositionOf(std::string_view alignment)
{
    for (std::size_t i = 0; i < kPositionKeywords.size(); ++i) {
        if (alignment.find(kPositionKeywords[i]) != std::string_view::npos)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

const char* legendPositionKeyword(int item)
{
    return item >= 0 && item < static_cast<int>(kPositionKeywords.size())
               ? kPositionKeywords[static_cast<std::size_t>(item)]
               : "";
}

int factorPosition(double value)
{
    // Tenths, truncated toward zero; the small allowance keeps 2.3 (22.999999999999996 tenths
    // in binary) at 23, where it was written from.
    const double tenths = value * 10.0;
    const double truncated = std::trunc(tenths + (tenths >= 0 ? 1e-9 : -1e-9));
    if (!std::isfinite(truncated))
        return 0;
    return static_cast<int>(std::clamp(truncated, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

TChartWindowSettings TChartWindowSettings::read(const TIniFile& ini)
{
    TChartWindowSettings s;
    s.marginLeft = ini.ReadInteger("Chart", "MarginLeft", 3);
    s.marginBottom = ini.ReadInteger("Chart", "MarginBottom", 4);
    s.marginTop = ini.ReadInteger("Chart", "MarginTop", 4);
    s.marginRight = ini.ReadInteger("Chart", "MarginRight", 3);
    for (int v = 0; v < 3; ++v) {
        const char* section = chartVariantSection(v);
        TChartVariantSettings& c = s.variants[static_cast<std::size_t>(v)];
        c.blackWhite = ini.ReadBool(section, "BlackWhite", false);
        c.view3D = ini.ReadBool(section, "View3D", true);
        c.view3DWalls = ini.ReadBool(section, "View3DWalls", true);
        c.chart3DPercent = ini.ReadInteger(section, "Chart3DPercent", 15);
        c.maxPoints = ini.ReadInteger(section, "MaxPoints", 50);
        c.fontFactor = factorPosition(ini.ReadFloat(section, "FontScaleFactor", 1.0));
        c.yAxisFactor = factorPosition(ini.ReadFloat(section, "TopPercent", 0.0));
        c.barWidthPercent = ini.ReadInteger(section, "BarWidthPercent", 90);
        c.xLabelsSize = ini.ReadInteger(section, "XLabelsSize", 300);
        c.yLabelsSize = ini.ReadInteger(section, "YLabelsSize", 300);
    }
    s.legendVisible = ini.ReadBool("Legend", "Visible", true);
    s.legendTopPos = ini.ReadInteger("Legend", "TopPos", 10);
    s.legendColorWidth = ini.ReadInteger("Legend", "ColorWidth", 12);
    s.legendAlignment = ini.ReadString("Legend", "Alignment", "laRight");
    return s;
}

void TChartWindowSettings::write(TIniFile& ini, std::optional<int> legendPosition) const
{
    ini.WriteInteger("Chart", "MarginLeft", marginLeft);
    ini.WriteInteger("Chart", "MarginBottom", marginBottom);
    ini.WriteInteger("Chart", "MarginTop", marginTop);
    ini.WriteInteger("Chart", "MarginRight", marginRight);
    for (int v = 0; v < 3; ++v) {
        const char* section = chartVariantSection(v);
        const TChartVariantSettings& c = variants[static_cast<std::size_t>(v)];
        ini.WriteBool(section, "BlackWhite", c.blackWhite);
        ini.WriteBool(section, "View3D", c.view3D);
        ini.WriteBool(section, "View3DWalls", c.view3DWalls);
        ini.WriteInteger(section, "Chart3DPercent", c.chart3DPercent);
        ini.WriteInteger(section, "MaxPoints", c.maxPoints);
        ini.WriteFloat(section, "FontScaleFactor", c.fontFactor / 10.0);
        ini.WriteFloat(section, "TopPercent", c.yAxisFactor / 10.0);
        ini.WriteInteger(section, "BarWidthPercent", c.barWidthPercent);
        ini.WriteInteger(section, "XLabelsSize", c.xLabelsSize);
        ini.WriteInteger(section, "YLabelsSize", c.yLabelsSize);
    }
    ini.WriteBool("Legend", "Visible", legendVisible);
    ini.WriteInteger("Legend", "TopPos", legendTopPos);
    ini.WriteInteger("Legend", "ColorWidth", legendColorWidth);
    ini.WriteString("Legend", "Alignment",
                    legendPosition ? legendPositionKeyword(*legendPosition) : "");
}

} // namespace spoolar
