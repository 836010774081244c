// Chart description and Chart.ini: the two-level lookup of the chart-wide settings, the series
// sections and their point entries.
#include "charts/ChartJob.h"

#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "platform/SplitString.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace spoolar {

namespace {

// A value of the description when it has one, else of Chart.ini, else the default.
class SettingsLookup
{
public:
    SettingsLookup(const TIniFile& description, const TIniFile& chartIni)
        : m_description(description), m_chartIni(chartIni)
    {
    }

    std::int32_t integer(const char* section, const char* key, std::int32_t defaultValue) const
    {
        return m_description.ReadInteger(section, key,
                                         m_chartIni.ReadInteger(section, key, defaultValue));
    }
    bool boolean(const char* section, const char* key, bool defaultValue) const
    {
        return m_description.ReadBool(section, key,
                                      m_chartIni.ReadBool(section, key, defaultValue));
    }
    double real(const char* section, const char* key, double defaultValue) const
    {
        return m_description.ReadFloat(section, key,
                                       m_chartIni.ReadFloat(section, key, defaultValue));
    }
    std::string text(const char* section, const char* key, const char* defaultValue) const
    {
        return m_description.ReadString(section, key,
                                        m_chartIni.ReadString(section, key, defaultValue));
    }
    TColor colour(const char* section, const char* key) const
    {
        return ParseChartColor(text(section, key, "clBlack"));
    }

private:
    const TIniFile& m_description;
    const TIniFile& m_chartIni;
};

// A size from the settings times the font scale factor, truncated toward zero.
int scaled(int size, double factor)
{
    const double value = size * factor;
    if (!std::isfinite(value))
        return size;
    return static_cast<int>(std::clamp(std::trunc(value), -1.0e6, 1.0e6));
}

void loadFont(const SettingsLookup& lookup, const char* section, TChartFont& font, int size,
              bool bold, double factor)
{
    font.color = lookup.colour(section, "Color");
    font.size = scaled(lookup.integer(section, "Size", size), factor);
    font.bold = lookup.boolean(section, "Bold", bold);
}

void loadAxis(const SettingsLookup& lookup, const char* variantSection, TChartAxis& axis,
              const char* axisSection, const char* labelsSizeKey, const char* titleSection,
              const char* labelsSection, const char* gridSection, double factor)
{
    axis.visible = lookup.boolean(axisSection, "Visible", true);
    axis.labels = lookup.boolean(axisSection, "Labels", true);
    axis.tickLength = lookup.integer(axisSection, "TickLength", 4);
    axis.labelsAngle = lookup.integer(axisSection, "LabelsAngle", 0);
    axis.labelsSeparation = lookup.integer(axisSection, "LabelsSeparation", 10);
    axis.labelsSize = lookup.integer(variantSection, labelsSizeKey, 0);
    // Hidden ticks stay on the page in white.
    if (!lookup.boolean(axisSection, "TickVisible", true))
        axis.tickColor = clWhite;
    axis.minorTicksVisible = false;

    axis.title = lookup.text(titleSection, "Text", "");
    axis.titleAngle = lookup.integer(titleSection, "Angle", 90);
    loadFont(lookup, titleSection, axis.titleFont, 8, true, factor);
    loadFont(lookup, labelsSection, axis.labelsFont, 8, true, factor);

    axis.grid.visible = lookup.boolean(gridSection, "Visible", true);
    axis.grid.color = lookup.colour(gridSection, "Color");
    axis.grid.style =
        static_cast<TPenStyle>(ParsePenStyle(lookup.text(gridSection, "Style", "psSolid")));
}

// A decimal number with "." as separator, as the float conversion of the chart job reads it.
double pointValue(const std::string& field)
{
    std::string_view text(field);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '+' || ec != std::errc() ||
        end != text.data() + text.size() || !std::isfinite(value))
        throw ChartValueError("'" + ansiToUtf8(field) + "' non è un valore numerico valido");
    return value;
}

} // namespace

std::filesystem::path TChartJob::chartIniPath() const
{
    return resolveCaseInsensitive(m_context.host.paths.programHome() / "Chart.ini");
}

TChartJob::TChartScales TChartJob::LoadChartSettings(const std::filesystem::path& description,
                                                     int variant)
{
    // Both files are read afresh on every call: a description written a moment ago counts.
    const TIniFile chartIni(chartIniPath());
    const TIniFile descriptionIni(description);
    const SettingsLookup lookup(descriptionIni, chartIni);
    const char* var = chartVariantSection(variant);
    TChart& chart = *m_pChart;

    chart.marginLeft = lookup.integer("Chart", "MarginLeft", 3);
    chart.marginBottom = lookup.integer("Chart", "MarginBottom", 4);
    chart.marginTop = lookup.integer("Chart", "MarginTop", 4);
    chart.marginRight = lookup.integer("Chart", "MarginRight", 3);
    chart.view3D = lookup.boolean(var, "View3D", true);
    chart.view3DWalls = lookup.boolean(var, "View3DWalls", true);
    chart.chart3DPercent = lookup.integer(var, "Chart3DPercent", 15);
    // At least one point per page, so the pages advance; never more than can be read.
    m_iMaxPoints = std::clamp(lookup.integer(var, "MaxPoints", 50), 1, kNoLimit);
    TChartScales scales;
    scales.fontScaleFactor = lookup.real(var, "FontScaleFactor", 1.0);
    scales.topPercent = lookup.real(var, "TopPercent", 0.0);
    const double factor = scales.fontScaleFactor;

    TChartLegend& legend = chart.legend;
    legend.visible = lookup.boolean("Legend", "Visible", true);
    legend.alignment = static_cast<TLegendAlignment>(
        ParseLegendAlignment(lookup.text("Legend", "Alignment", "laRight")));
    legend.topPos = lookup.integer("Legend", "TopPos", 10);
    legend.colorWidth = lookup.integer("Legend", "ColorWidth", 12);
    legend.frame = lookup.boolean("Legend", "Frame", true);
    legend.font.name = lookup.text("Legend", "FontName", "Arial");
    loadFont(lookup, "Legend", legend.font, 8, false, factor);

    chart.title.setText(lookup.text("ChartTitle", "Text", ""));
    loadFont(lookup, "ChartTitle", chart.title.font, 8, true, factor);

    loadAxis(lookup, var, chart.leftAxis, "LeftAxis", "YLabelsSize", "LeftAxisTitle",
             "LeftAxisLabels", "HorizontalGrid", factor);
    loadAxis(lookup, var, chart.bottomAxis, "BottomAxis", "XLabelsSize", "BottomAxisTitle",
             "BottomAxisLabels", "VerticalGrid", factor);
    return scales;
}

void TChartJob::addPoint(TChartSeries& series, std::vector<std::string>& marks,
                         const std::string& entry, bool blackWhite) const
{
    const std::vector<std::string> fields = SplitString(entry, ";", SplitTrim::Trim);
    switch (fields.size()) {
    case 0:
        series.points.push_back({});
        marks.emplace_back();
        break;
    case 1:
        series.points.push_back({fields[0], std::nullopt, std::nullopt});
        marks.emplace_back();
        break;
    case 3:
        series.points.push_back({fields[0], pointValue(fields[1]), std::nullopt});
        marks.push_back(fields[2]);
        break;
    case 4: {
        const TColor colour = blackWhite ? clBlack : ParseChartColor(fields[3]);
        series.points.push_back({fields[0], pointValue(fields[1]), colour});
        marks.push_back(fields[2]);
        break;
    }
    default: // two fields, or five and more: no point
        break;
    }
}

void TChartJob::LoadChartSeries(const std::filesystem::path& description, int variant,
                                double fontScaleFactor)
{
    const TIniFile chartIni(chartIniPath());
    const TIniFile descriptionIni(description);
    const char* var = chartVariantSection(variant);
    TChart& chart = *m_pChart;
    const bool blackWhite = chartIni.ReadInteger(var, "BlackWhite", 0) != 0;

    for (int n = 0;; ++n) {
        const std::string section = "Serie" + std::to_string(n);
        // A section without keys counts as missing, and the numbers must follow each other.
        if (descriptionIni.ReadSection(section).empty())
            break;
        const char* s = section.c_str();
        auto series = std::make_unique<TChartSeries>();
        const TColor colour =
            blackWhite ? clBlack
                       : ParseChartColor(descriptionIni.ReadString(s, "Color", "clBlack"));
        const std::int32_t first = m_iChartFirst;

        series->type = static_cast<TSeriesType>(
            ParseSeriesType(descriptionIni.ReadString(s, "SeriesType", "tsBarre")));
        if (series->type == TSeriesType::tsBarre) {
            series->multiBar = static_cast<TMultiBar>(
                ParseMultiBar(descriptionIni.ReadString(s, "MultiBar", "mbSides")));
            series->barWidthPercent = descriptionIni.ReadInteger(
                s, "BarWidthPercent", chartIni.ReadInteger(var, "BarWidthPercent", 90));
            series->pattern = blackWhite ? static_cast<TBrushStyle>(ParseBrushStyle(
                                               descriptionIni.ReadString(s, "Pattern", "bsSolid")))
                                         : TBrushStyle::bsSolid;
            series->color = colour;
        } else {
            // A pie takes every point and ends the paging after this page.
            m_iChartFirst = kNoLimit;
            m_iChartEnd = kNoLimit;
            series->color = blackWhite ? clSilver : clDefault;
            if (!chart.view3D)
                chart.title.lines.emplace_back();
        }
        series->title = descriptionIni.ReadString(s, "Title", "");
        series->tag = n;
        series->OnGetMarkText = [this](const TChartSeries& owner, int index, std::string& text) {
            GetChartMarkText(owner, index, text);
        };

        TChartMarks& marks = series->marks;
        auto markInteger = [&](const char* iniKey, const char* seriesKey, int defaultValue) {
            return descriptionIni.ReadInteger(s, seriesKey,
                                              chartIni.ReadInteger("Marks", iniKey, defaultValue));
        };
        auto markBool = [&](const char* iniKey, const char* seriesKey, bool defaultValue) {
            return descriptionIni.ReadBool(s, seriesKey,
                                           chartIni.ReadBool("Marks", iniKey, defaultValue));
        };
        marks.arrowLength = markInteger("MarkArrowLength", "MarkArrowLength", -20);
        marks.transparent = markBool("MarkTransparent", "MarkTransparent", true);
        marks.frame = markBool("MarkFrame", "MarkFrame", false);
        marks.arrow = markBool("MarkArrow", "MarkArrow", false);
        marks.font.color = ParseChartColor(descriptionIni.ReadString(
            s, "MarkColor", chartIni.ReadString("Marks", "MarkColor", "clBlack")));
        marks.font.size = markInteger("MarkSize", "MarkSize", 10);
        marks.font.bold = markBool("Bold", "MarkBold", true);
        marks.font.size = scaled(marks.font.size, fontScaleFactor);
        marks.arrowLength = scaled(marks.arrowLength, fontScaleFactor);

        std::vector<std::string> markTexts;
        std::int32_t i = first;
        // The end is read afresh each time: a pie has just lifted it.
        while (i != m_iChartEnd && i < kNoLimit) {
            const std::string key = "Value" + std::to_string(i);
            if (!descriptionIni.ValueExists(s, key))
                break;
            addPoint(*series, markTexts, descriptionIni.ReadString(s, key, ""), blackWhite);
            ++i;
        }
        // Every bar series of a page has exactly MaxPoints slots, the last page too.
        if (m_iChartEnd != kNoLimit) {
            for (; i < m_iChartEnd; ++i) {
                series->points.push_back({});
                markTexts.emplace_back();
            }
        }
        m_lstMarkTexts.push_back(std::move(markTexts));
        chart.addSeries(std::move(series));
    }
}

} // namespace spoolar
