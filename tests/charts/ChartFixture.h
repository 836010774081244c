#pragma once
// Chart jobs in a test: a description and Chart.ini written from lines, a chart job on the
// fixture's engine host, and the recorded pages read back.
#include "charts/ChartJob.h"
#include "support/EngineFixture.h"

#include <string>
#include <vector>

namespace spoolar::test {

class ChartFixture : public EngineFixture
{
protected:
    ChartFixture()
    {
        std::filesystem::create_directories(m_paths.programHome());
        m_chartHost = std::make_unique<EngineHost>(host());
    }

    static std::string lines(std::initializer_list<std::string> text)
    {
        std::string out;
        for (const std::string& line : text)
            out += line + "\r\n";
        return out;
    }

    std::filesystem::path writeDescription(const std::string& content)
    {
        return writeJob(content, "chart.dat");
    }
    void writeChartIni(const std::string& content)
    {
        std::ofstream(m_paths.programHome() / "Chart.ini", std::ios::binary) << content;
    }

    // A bar series section of values, each point "P<i>;<value>;" (no mark).
    static std::string barSeries(int number, const std::vector<double>& values,
                                 const std::string& colour = "clRed")
    {
        std::string out = "[Serie" + std::to_string(number) + "]\r\nColor=" + colour + "\r\n";
        for (std::size_t i = 0; i < values.size(); ++i) {
            char value[64];
            std::snprintf(value, sizeof value, "%g", values[i]);
            out += "Value" + std::to_string(i) + "=P" + std::to_string(i) + ";" + value + ";\r\n";
        }
        return out;
    }

    TChartJobContext context(TPageList* pages, TFaxCoverHook cover = {})
    {
        return TChartJobContext{*m_chartHost, "GRAFICO", pages, 0, std::move(cover)};
    }

    // Runs a chart job on the printer target into a page list.
    TPageList printChart(const std::string& description, int variant = 0)
    {
        TPageList pages;
        TChartJob job(context(&pages));
        job.PrintChart(writeDescription(description), {}, variant);
        return pages;
    }

    std::unique_ptr<EngineHost> m_chartHost;
};

// Polygons of one colour on a page (bars and slices; legend boxes too when the legend shows).
inline std::vector<mfop::Polygon> polygonsOf(const TMetafile& page, TColor colour)
{
    std::vector<mfop::Polygon> out;
    for (const auto& p : opsOf<mfop::Polygon>(page)) {
        if (p.colour == colour)
            out.push_back(p);
    }
    return out;
}

struct Extent
{
    int left = 0, top = 0, right = 0, bottom = 0;
    int height() const { return bottom - top; }
};

inline Extent extentOf(const mfop::Polygon& p)
{
    Extent e{p.points.front().x, p.points.front().y, p.points.front().x, p.points.front().y};
    for (const IntPoint& q : p.points) {
        e.left = std::min(e.left, q.x);
        e.right = std::max(e.right, q.x);
        e.top = std::min(e.top, q.y);
        e.bottom = std::max(e.bottom, q.y);
    }
    return e;
}

} // namespace spoolar::test
