// Chart jobs on real output: pages, the shared value scale, pies, marks, black and white, the
// PDF target, direct printing and its clean-up.
#include "charts/ChartFixture.h"
#include "charts/ChartPainter.h"
#include "charts/ChartRenderer.h"
#include "engine/PdfJobFile.h"

#include <QColor>
#include <QImage>

#include <algorithm>
#include <tuple>

namespace spoolar::test {
namespace {

constexpr TColor kRed = 0x0000FF;

// Flat bars without legend: each bar is one red polygon. More keys of section Chart may follow.
std::string flat(const std::string& chartKeys = "")
{
    return "[Chart]\r\nView3D=0\r\n" + chartKeys + "[Legend]\r\nVisible=0\r\n";
}

// The value axis line of a page: the vertical line drawn with the axis pen.
Extent valueAxis(const TMetafile& page)
{
    for (const auto& l : opsOf<mfop::Line>(page)) {
        if (l.x0 == l.x1 && l.width == 9)
            return {l.x0, std::min(l.y0, l.y1), l.x0, std::max(l.y0, l.y1)};
    }
    ADD_FAILURE() << "no value axis";
    return {};
}

class PrintChart : public ChartFixture
{
};

TEST_F(PrintChart, PagesOfMaxPointsShareOneValueScale)
{
    std::vector<double> values(120, 50.0);
    values[0] = 200;
    values[50] = 100;
    values[100] = 100;
    const TPageList pages = printChart(flat() + barSeries(0, values));
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(polygonsOf(*pages[0], kRed).size(), 50u);
    EXPECT_EQ(polygonsOf(*pages[1], kRed).size(), 50u);
    const auto last = polygonsOf(*pages[2], kRed);
    ASSERT_EQ(last.size(), 20u);

    // The last page keeps 50 slots: its 20 bars fill the left two fifths of the plot.
    const Extent axis = valueAxis(*pages[2]);
    const Extent bottomAxisLine = [&] {
        for (const auto& l : opsOf<mfop::Line>(*pages[2]))
            if (l.y0 == l.y1 && l.width == 9)
                return Extent{std::min(l.x0, l.x1), l.y0, std::max(l.x0, l.x1), l.y0};
        return Extent{};
    }();
    const double plotWidth = bottomAxisLine.right - bottomAxisLine.left;
    int rightmost = 0;
    for (const auto& p : last)
        rightmost = std::max(rightmost, extentOf(p).right);
    EXPECT_NEAR((rightmost - axis.left) / plotWidth, 20.0 / 50.0, 0.01);

    // One scale on every page: 100 is half of 200 wherever it stands.
    const int h200 = extentOf(polygonsOf(*pages[0], kRed)[0]).height();
    EXPECT_NEAR(extentOf(polygonsOf(*pages[1], kRed)[0]).height(), h200 / 2.0, 2);
    EXPECT_NEAR(extentOf(last[0]).height(), h200 / 2.0, 2);
    for (const auto& page : pages)
        EXPECT_EQ(valueAxis(*page).height(), axis.height());

    // Replayed, the bar shows in its colour.
    const QImage image = pages[0]->render(60);
    const Extent bar = extentOf(polygonsOf(*pages[0], kRed)[0]);
    EXPECT_EQ(image.pixelColor((bar.left + bar.right) / 20, (bar.top + bar.bottom) / 20),
              QColor(255, 0, 0));
}

TEST_F(PrintChart, PageCountFollowsTheFirstSeries)
{
    const std::vector<std::tuple<int, std::string, std::size_t>> cases{
        {50, "", 1}, {51, "", 2}, {3, "MaxPoints=0\r\n", 3}};
    for (const auto& [points, settings, count] : cases) {
        const TPageList pages =
            printChart("[Chart]\r\n" + settings + barSeries(0, std::vector<double>(points, 1.0)));
        EXPECT_EQ(pages.size(), count) << points << " points";
    }
    // No points: no chart, only the blank page the job starts with.
    const TPageList none = printChart(barSeries(0, {}));
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(polygonsOf(*none[0], kRed).empty());

    // Page 2 of series 0 shows none of the 30 points of series 1.
    const TPageList pages = printChart(flat() + barSeries(0, std::vector<double>(60, 1.0)) +
                                       barSeries(1, std::vector<double>(30, 1.0), "clBlue"));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(polygonsOf(*pages[0], 0xFF0000).size(), 30u);
    EXPECT_EQ(polygonsOf(*pages[1], 0xFF0000).size(), 0u);
    EXPECT_EQ(polygonsOf(*pages[1], kRed).size(), 10u);
}

TEST_F(PrintChart, TopPercentLiftsTheAxisAboveTheLargestValue)
{
    for (const auto& [topPercent, ratio] : {std::pair{"10", 200.0 / 220.0}, {"0", 1.0}}) {
        const TPageList pages = printChart(flat(std::string("TopPercent=") + topPercent + "\r\n") +
                                           barSeries(0, {200, -50, 100}));
        ASSERT_EQ(pages.size(), 1u);
        const Extent axis = valueAxis(*pages[0]);
        const auto bars = polygonsOf(*pages[0], kRed);
        // The axis starts at 0: the falling bar lies below it and is cut away.
        ASSERT_EQ(bars.size(), 2u);
        EXPECT_NEAR(double(extentOf(bars[0]).height()) / axis.height(), ratio, 0.005);
        EXPECT_EQ(extentOf(bars[0]).bottom, axis.bottom);
    }
}

TEST_F(PrintChart, PieIsOnePageWithEverySlice)
{
    std::string description = flat() + "[Serie0]\r\nSeriesType=tsTorta\r\n";
    for (int i = 0; i < 70; ++i)
        description += "Value" + std::to_string(i) + "=S" + std::to_string(i) + ";" +
                       std::to_string(1 + i % 5) + ";\r\n";
    const TPageList pages = printChart(description);
    ASSERT_EQ(pages.size(), 1u);
    // 70 slices in the palette's colours (it has 20), none of them cut into pages.
    std::size_t slices = 0;
    for (int i = 0; i < 20; ++i)
        slices += polygonsOf(*pages[0], chartPaletteColour(i)).size();
    EXPECT_EQ(slices, 70u);
}

TEST_F(PrintChart, MarksShowWhereGivenAndReachThePdf)
{
    const std::string description =
        lines({"[ChartTitle]", "Text=Fatturato 2026", "[Serie0]", "Title=Fatturato", "Color=clNavy",
               "MarkArrow=1", "MarkArrowLength=10", "Value0=Gen;10;dieci", "Value1=Feb;20;",
               "Value2=Mar;30;trenta;clRed"});
    const TPageList pages = printChart(description);
    ASSERT_EQ(pages.size(), 1u);
    const std::string text = textOf(*pages[0]);
    EXPECT_NE(text.find("dieci"), std::string::npos) << text;
    EXPECT_NE(text.find("trenta"), std::string::npos);
    // Marks (10 points, 83 dots high) only where a text is given.
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                            [](const mfop::Text& t) { return t.font.height == -83; }),
              2);

    TChartJob job(context(nullptr));
    job.PrintChart(writeDescription(description), {}, 2);
    const auto pdf = job.pdfHostPath();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    const std::string pdfText = capture("pdftotext -layout " + quoted(pdf) + " -");
    EXPECT_NE(pdfText.find("dieci"), std::string::npos) << pdfText;
    EXPECT_NE(pdfText.find("trenta"), std::string::npos);
    EXPECT_NE(pdfText.find("Fatturato 2026"), std::string::npos);
    const std::string info = capture("pdfinfo " + quoted(pdf));
    EXPECT_NE(info.find("841.89 x 595.276"), std::string::npos) << info;
    EXPECT_NE(info.find("Title:           GRAFICO"), std::string::npos);
    std::ifstream ok(spool("Pdf.ok"), std::ios::binary);
    std::string okText((std::istreambuf_iterator<char>(ok)), std::istreambuf_iterator<char>());
    EXPECT_EQ(okText, job.pdfWindowsPath());
    EXPECT_EQ(capture("qpdf --check " + quoted(pdf) + " >/dev/null 2>&1; echo $?"), "0\n");
}

TEST_F(PrintChart, BlackAndWhiteBarsAreHatchedInBlack)
{
    writeChartIni(lines({"[Chart]", "BlackWhite=1"}));
    const std::string description = flat() + lines({"[Serie0]", "Color=clRed", "Pattern=bsCross",
                                                    "Value0=A;100;", "Value1=B;80;;clBlue"});
    const TPageList pages = printChart(description);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(polygonsOf(*pages[0], kRed).empty());
    EXPECT_TRUE(polygonsOf(*pages[0], 0xFF0000).empty());
    const auto white = polygonsOf(*pages[0], clWhite);
    ASSERT_GE(white.size(), 2u);
    // Hatch lines: one pixel wide, black, inside the bars, both directions.
    int horizontal = 0;
    int vertical = 0;
    for (const auto& l : opsOf<mfop::Line>(*pages[0])) {
        if (l.colour != clBlack || l.width != 6)
            continue;
        horizontal += l.y0 == l.y1;
        vertical += l.x0 == l.x1;
    }
    EXPECT_GT(horizontal, 20);
    EXPECT_GT(vertical, 20);
    // The fax variant is not black and white.
    const TPageList fax = printChart(description, 1);
    EXPECT_FALSE(polygonsOf(*fax[0], kRed).empty());
}

TEST_F(PrintChart, DescriptionChartSectionFlattensPrinterOutputOnly)
{
    const std::string description =
        lines({"[Chart]", "View3D=0", "[Legend]", "Visible=0"}) + barSeries(0, {10});
    // Flat: the front of the bar; in 3D also its top and side.
    const TPageList printer = printChart(description, 0);
    const TPageList fax = printChart(description, 1);
    auto redShapes = [](const TMetafile& page) {
        std::size_t n = 0;
        for (const auto& p : opsOf<mfop::Polygon>(page))
            n += p.colour == kRed || p.colour == darker(kRed, 0.62) ||
                 p.colour == darker(kRed, 0.82);
        return n;
    };
    EXPECT_EQ(redShapes(*printer[0]), 1u);
    EXPECT_EQ(redShapes(*fax[0]), 3u);
}

TEST_F(PrintChart, DirectPrintingAndItsCleanUp)
{
    {
        TChartJob job(context(nullptr));
        job.PrintChart(writeDescription(flat() + barSeries(0, std::vector<double>(70, 3.0))), {},
                       0);
    }
    ASSERT_EQ(m_printer.documents().size(), 1u);
    const auto& printed = m_printer.documents()[0];
    EXPECT_TRUE(printed.finished);
    EXPECT_EQ(printed.title, "GRAFICO");
    ASSERT_EQ(printed.pages.size(), 2u);
    EXPECT_EQ(polygonsOf(printed.pages[1], kRed).size(), 20u);
    EXPECT_EQ(m_printer.orientation(), Orientation::Landscape);
    EXPECT_GT(printed.pages[0].width(), printed.pages[0].height());

    // A value that is not a number ends the job and leaves no document open.
    TChartJob broken(context(nullptr));
    EXPECT_THROW(
        broken.PrintChart(writeDescription(barSeries(0, {1}) + "Value1=X;1,5;\r\n"), {}, 0),
        ChartValueError);
    ASSERT_EQ(m_printer.documents().size(), 2u);
    EXPECT_TRUE(m_printer.documents()[1].aborted);
    EXPECT_EQ(broken.chart(), nullptr);
}

TEST_F(PrintChart, FaxCoverComesAfterTheChartPages)
{
    std::vector<std::size_t> pagesSeen;
    std::filesystem::path coverSeen;
    TPageList pages;
    TChartJob job(context(&pages, [&](const TFaxCoverRequest& request) {
        coverSeen = request.coverFile;
        pagesSeen.push_back(request.pages ? request.pages->size() : 0);
    }));
    job.PrintChart(writeDescription(barSeries(0, std::vector<double>(60, 1.0))),
                   m_root / "cover.dat", 1);
    EXPECT_EQ(pagesSeen, std::vector<std::size_t>{2});
    EXPECT_EQ(coverSeen, m_root / "cover.dat");
}

} // namespace
} // namespace spoolar::test
