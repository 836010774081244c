// Chart description and Chart.ini: keywords, colours, the two-level lookup, series and points.
#include "charts/ChartFixture.h"

namespace spoolar::test {
namespace {

TEST(ChartKeywords, ColoursByNameNumberOrBlack)
{
    const std::vector<std::pair<std::string, TColor>> cases{
        {"255", 0x0000FF},          {"$FF0000", 0xFF0000},
        {"clblue", 0xFF0000},       {"blu", 0x000000},
        {"CLMONEYGREEN", 0xC0DCC0}, {"0x00FF00", 0x00FF00},
        {"clBtnFace", 0xFF00000F},  {"clDefault", 0x20000000},
        {"clNone", 0x1FFFFFFF},     {"", 0x000000},
        {"12.5", 0x000000}};
    for (const auto& [text, colour] : cases)
        EXPECT_EQ(ParseChartColor(text), colour) << text;
    EXPECT_EQ(drawingColour(ParseChartColor("clBtnFace")), 0xF0F0F0u);
    EXPECT_EQ(drawingColour(ParseChartColor("clWindowText")), 0u);
}

TEST(ChartKeywords, KeywordsIgnoreCaseAndFallBack)
{
    EXPECT_EQ(ParseSeriesType("TSTORTA"), 1);
    EXPECT_EQ(ParseSeriesType("Torta"), 0);
    EXPECT_EQ(ParseMultiBar("mbSides"), 1); // the default text of the series key is no keyword
    EXPECT_EQ(ParseMultiBar("MBSTACKED100"), 3);
    EXPECT_EQ(ParseMultiBar("mbNone"), 0);
    EXPECT_EQ(ParseBrushStyle("bsDiagCross"), 7);
    EXPECT_EQ(ParseBrushStyle("cross"), 1);
    EXPECT_EQ(ParsePenStyle("psdashdotdot"), 4);
    EXPECT_EQ(ParsePenStyle("dotted"), 0);
    EXPECT_EQ(ParseLegendAlignment("laTop"), 2);
    EXPECT_EQ(ParseLegendAlignment("laTopX"), 1);
}

class ChartSettings : public ChartFixture
{
protected:
    // Reads settings and series of the whole description, as the counting pass does.
    TChart& load(const std::string& description, int variant = 0, double fontScale = 1.0)
    {
        m_job = std::make_unique<TChartJob>(context(nullptr));
        m_job->CreateChart();
        m_job->setPageRange(0, TChartJob::kNoLimit);
        const auto file = writeDescription(description);
        m_scales = m_job->LoadChartSettings(file, variant);
        m_job->LoadChartSeries(file, variant, fontScale);
        return *m_job->chart();
    }

    std::unique_ptr<TChartJob> m_job;
    TChartJob::TChartScales m_scales;
};

TEST_F(ChartSettings, SeriesPointsMarksAndColours)
{
    TChart& chart = load(
        lines({"[Serie0]", "Value0=Gen;10;A", "Value1=Feb;12.5;", "Value2= Mar ; 7 ; x ; clRed "}));
    ASSERT_EQ(chart.series().size(), 1u);
    const TChartSeries& s = *chart.series()[0];
    EXPECT_EQ(s.type, TSeriesType::tsBarre);
    EXPECT_EQ(s.color, clBlack);
    ASSERT_EQ(s.points.size(), 3u);
    EXPECT_EQ(s.points[0].label, "Gen");
    EXPECT_EQ(*s.points[0].value, 10.0);
    EXPECT_EQ(*s.points[1].value, 12.5);
    EXPECT_EQ(*s.points[2].value, 7.0);
    EXPECT_FALSE(s.points[0].color);
    EXPECT_EQ(s.points[2].color, 0x0000FFu);
    EXPECT_EQ(m_job->markTexts(), (std::vector<std::vector<std::string>>{{"A", "", "x"}}));
    EXPECT_EQ(s.markText(0), "A");
    EXPECT_EQ(s.markText(1), "");
    EXPECT_EQ(s.markText(2), "x");
}

TEST_F(ChartSettings, EntryFieldCountsGapsAndMissingNumbers)
{
    TChart& chart = load(lines(
        {"[Serie0]", "Value0=Apr;9", "Value1=Apr", "Value2=", "Value3=a;1;b;clRed;e",
         "Value4=Mag;3;m", "Value6=Lug;5;l", "[Serie1]", "SeriesType=tsTorta", "Value0=A;1;"}));
    ASSERT_EQ(chart.series().size(), 2u);
    const auto& points = chart.series()[0]->points;
    // Two fields and five fields add nothing; Value5 is missing, so Value6 is never read.
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[0].label, "Apr");
    EXPECT_FALSE(points[0].value);
    EXPECT_EQ(points[1].label, "");
    EXPECT_FALSE(points[1].value);
    EXPECT_EQ(points[2].label, "Mag");
    EXPECT_EQ(m_job->markTexts()[0], (std::vector<std::string>{"", "", "m"}));

    // A missing Serie0 (or one without keys) ends the series before they start.
    EXPECT_TRUE(load(lines({"[Serie1]", "Value0=A;1;"})).series().empty());
    EXPECT_TRUE(load(lines({"[Serie0]", "; nothing", "[Serie1]", "Value0=A;1;"})).series().empty());
}

TEST_F(ChartSettings, ValueWithDecimalCommaEndsTheJob)
{
    EXPECT_THROW(load(lines({"[Serie0]", "Value0=Gen;12,5;"})), ChartValueError);
    EXPECT_THROW(load(lines({"[Serie0]", "Value0=Gen;;"})), ChartValueError);
    EXPECT_EQ(*load(lines({"[Serie0]", "Value0=Gen;-1.5e2;"})).series()[0]->points[0].value,
              -150.0);
}

TEST_F(ChartSettings, DescriptionOverridesChartIniPerVariantSection)
{
    writeChartIni(lines(
        {"[ChartFax]", "View3D=0", "[ChartPDF]", "Chart3DPercent=40", "[Chart]", "MarginLeft=9"}));
    const std::string description =
        lines({"[Chart]", "View3D=0", "MarginLeft=7", "[ChartPDF]", "View3D=1"});
    EXPECT_FALSE(load(description, 0).view3D);
    EXPECT_EQ(load(description, 0).marginLeft, 7);
    EXPECT_FALSE(load(description, 1).view3D); // from Chart.ini's fax section
    EXPECT_EQ(load(description, 1).marginLeft, 7);
    TChart& pdf = load(description, 2);
    EXPECT_TRUE(pdf.view3D);
    EXPECT_EQ(pdf.chart3DPercent, 40);
    EXPECT_EQ(pdf.marginLeft, 7);
    EXPECT_EQ(load("", 2).marginLeft, 9);
    EXPECT_EQ(load("", 2).marginTop, 4);
}

TEST_F(ChartSettings, BlackWhiteAndBarWidthComeFromChartIniOnly)
{
    const std::string description = lines(
        {"[Chart]", "BlackWhite=1", "BarWidthPercent=20", "[Serie0]", "Color=clRed",
         "Pattern=bsCross", "Value0=A;1;;clBlue", "[Serie1]", "Color=clRed", "BarWidthPercent=40",
         "Value0=A;1;", "[Serie2]", "SeriesType=tsTorta", "Value0=A;1;"});
    TChart& colour = load(description);
    EXPECT_EQ(colour.series()[0]->color, 0x0000FFu);
    EXPECT_EQ(colour.series()[0]->pattern, TBrushStyle::bsSolid);
    EXPECT_EQ(colour.series()[0]->points[0].color, 0xFF0000u);
    EXPECT_EQ(colour.series()[0]->barWidthPercent, 90);
    EXPECT_EQ(colour.series()[2]->color, clDefault);

    writeChartIni(lines({"[ChartFax]", "BlackWhite=1", "BarWidthPercent=70"}));
    EXPECT_EQ(load(description, 0).series()[0]->color, 0x0000FFu);
    TChart& bw = load(description, 1);
    EXPECT_EQ(bw.series()[0]->color, clBlack);
    EXPECT_EQ(bw.series()[0]->pattern, TBrushStyle::bsCross);
    EXPECT_EQ(bw.series()[0]->points[0].color, clBlack);
    EXPECT_EQ(bw.series()[0]->barWidthPercent, 70);
    EXPECT_EQ(bw.series()[1]->barWidthPercent, 40);
    EXPECT_EQ(bw.series()[1]->pattern, TBrushStyle::bsSolid);
    EXPECT_EQ(bw.series()[2]->color, clSilver);
}

TEST_F(ChartSettings, FontScaleFactorTruncatesSizes)
{
    writeChartIni(lines({"[Marks]", "MarkSize=10", "MarkArrowLength=-20", "Bold=0"}));
    TChart& big = load(lines({"[Chart]", "FontScaleFactor=1.5", "[Legend]", "Size=8", "[Serie0]",
                              "MarkBold=1", "Value0=A;1;a"}),
                       0, 1.5);
    EXPECT_EQ(m_scales.fontScaleFactor, 1.5);
    EXPECT_EQ(big.legend.font.size, 12);
    EXPECT_EQ(big.title.font.size, 12);
    EXPECT_EQ(big.leftAxis.labelsFont.size, 12);
    EXPECT_EQ(big.series()[0]->marks.font.size, 15);
    EXPECT_EQ(big.series()[0]->marks.arrowLength, -30);
    EXPECT_TRUE(big.series()[0]->marks.font.bold);

    TChart& small =
        load(lines({"[Chart]", "FontScaleFactor=0.9", "[Serie0]", "Value0=A;1;a"}), 0, 0.9);
    EXPECT_EQ(small.legend.font.size, 7);
    EXPECT_EQ(small.bottomAxis.titleFont.size, 7);
    EXPECT_EQ(small.series()[0]->marks.arrowLength, -18);
    EXPECT_FALSE(small.series()[0]->marks.font.bold);
}

TEST_F(ChartSettings, AxesLegendAndTitleKeys)
{
    TChart& chart =
        load(lines({"[LeftAxis]",   "TickVisible=0", "TickLength=7",       "[BottomAxisTitle]",
                    "Text=Mesi",    "Angle=0",       "[VerticalGrid]",     "Style=psDot",
                    "Color=clGray", "[Chart]",       "YLabelsSize=300",    "TopPercent=10",
                    "MaxPoints=0",  "[Legend]",      "Alignment=laBottom", "FontName=Courier New",
                    "[ChartTitle]", "Text=Vendite",  "[Serie0]",           "SeriesType=tsTorta",
                    "Value0=A;1;"}));
    EXPECT_EQ(chart.leftAxis.tickColor, clWhite);
    EXPECT_EQ(chart.leftAxis.tickLength, 7);
    EXPECT_EQ(chart.bottomAxis.tickColor, clBlack);
    EXPECT_EQ(chart.bottomAxis.title, "Mesi");
    EXPECT_EQ(chart.bottomAxis.titleAngle, 0);
    EXPECT_EQ(chart.leftAxis.titleAngle, 90);
    EXPECT_EQ(chart.bottomAxis.grid.style, TPenStyle::psDot);
    EXPECT_EQ(chart.bottomAxis.grid.color, 0x808080u);
    EXPECT_EQ(chart.leftAxis.labelsSize, 300);
    EXPECT_EQ(chart.legend.alignment, TLegendAlignment::laBottom);
    EXPECT_EQ(chart.legend.font.name, "Courier New");
    EXPECT_EQ(m_scales.topPercent, 10.0);
    EXPECT_EQ(m_job->maxPoints(), 1); // below 1 is taken as 1
    // A flat pie leaves an empty line under the title.
    EXPECT_EQ(chart.title.lines, (std::vector<std::string>{"Vendite"}));
    TChart& flat = load(lines({"[Chart]", "View3D=0", "[ChartTitle]", "Text=Vendite", "[Serie0]",
                               "SeriesType=tsTorta", "Value0=A;1;"}));
    EXPECT_EQ(flat.title.lines, (std::vector<std::string>{"Vendite", ""}));
}

TEST_F(ChartSettings, PageRangeFillsBarsAndAPieTakesEverything)
{
    std::string description = barSeries(0, std::vector<double>(60, 1.0)) +
                              barSeries(1, std::vector<double>(30, 2.0)) +
                              lines({"MultiBar=mbStacked"});
    m_job = std::make_unique<TChartJob>(context(nullptr));
    m_job->CreateChart();
    m_job->setPageRange(50, 100);
    const auto file = writeDescription(description);
    m_job->LoadChartSettings(file, 0);
    m_job->LoadChartSeries(file, 0, 1.0);
    TChart& page2 = *m_job->chart();
    ASSERT_EQ(page2.series().size(), 2u);
    EXPECT_EQ(page2.series()[0]->points.size(), 50u);
    EXPECT_EQ(page2.series()[0]->points[0].label, "P50");
    EXPECT_FALSE(page2.series()[0]->points[10].value);
    EXPECT_EQ(page2.series()[1]->points.size(), 50u);
    EXPECT_FALSE(page2.series()[1]->points[0].value);
    EXPECT_EQ(page2.series()[0]->multiBar, TMultiBar::mbSide);
    EXPECT_EQ(page2.series()[1]->multiBar, TMultiBar::mbStacked);
    EXPECT_EQ(m_job->markTexts()[0].size(), 50u);

    // A pie reads every point from the page's first on; series after it get none.
    std::string pie = "[Serie0]\r\nSeriesType=tsTorta\r\n";
    for (int i = 0; i < 70; ++i)
        pie += "Value" + std::to_string(i) + "=S" + std::to_string(i) + ";1;\r\n";
    pie += "Value9999=last;1;\r\n" + barSeries(1, {1, 2, 3});
    m_job->FreeChart();
    m_job->CreateChart();
    m_job->setPageRange(0, 50);
    const auto pieFile = writeDescription(pie);
    m_job->LoadChartSeries(pieFile, 0, 1.0);
    ASSERT_EQ(m_job->chart()->series().size(), 2u);
    EXPECT_EQ(m_job->chart()->series()[0]->points.size(), 70u);
    EXPECT_TRUE(m_job->chart()->series()[1]->points.empty());
}

TEST_F(ChartSettings, PointNumbersStopBeforeTheNoLimitMark)
{
    std::string description = "[Serie0]\r\n";
    for (int i = 9990; i <= 10010; ++i)
        description += "Value" + std::to_string(i) + "=N" + std::to_string(i) + ";1;\r\n";
    m_job = std::make_unique<TChartJob>(context(nullptr));
    m_job->CreateChart();
    m_job->setPageRange(9990, 10040);
    m_job->LoadChartSeries(writeDescription(description), 0, 1.0);
    const auto& points = m_job->chart()->series()[0]->points;
    // Points 9990 to 9998, then empty slots up to the page's 50.
    ASSERT_EQ(points.size(), 50u);
    EXPECT_EQ(points[8].label, "N9998");
    EXPECT_FALSE(points[9].value);
    EXPECT_EQ(points[9].label, "");
}

} // namespace
} // namespace spoolar::test
