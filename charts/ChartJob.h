#pragma once
#include "charts/Chart.h"
#include "engine/EngineHost.h"
#include "engine/PrnDos.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace spoolar {

class ChartPdfDocument;
class IPrinterDevice;
class TIniFile;

// Output variants of a chart job, as the dispatch numbers them.
enum class TChartVariant
{
    Printer = 0,
    Fax = 1,
    Pdf = 2
};

// The settings section of a variant: "Chart", "ChartFax" or "ChartPDF".
const char* chartVariantSection(int variant);

// What the fax cover operation gets at the end of a chart job on the printer target: the job's
// cover file (empty when it has none), the page list the cover goes in front of (null when
// printing directly) and the printer the pages are laid out for.
struct TFaxCoverRequest
{
    std::filesystem::path coverFile;
    TPageList* pages = nullptr;
    IPrinterDevice& printer;
};
using TFaxCoverHook = std::function<void(const TFaxCoverRequest&)>;

// Everything a chart job needs of the program around it.
struct TChartJobContext
{
    const EngineHost& host;
    std::string title;          // job title, Windows code page
    TPageList* pages = nullptr; // printer target: record pages here (preview, fax cover)
    int pdfType = 0;            // PDF target: 0 PDF, 1 PDF/A-1a, 2 PDF/A-1b
    TFaxCoverHook faxCover;     // draws the fax cover; none: no cover page
};

// A point value that is not a number: ends the chart job.
class ChartValueError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One chart job: reads the chart description with Chart.ini and draws its bar and pie charts
// over as many pages as the points need, on the printer (landscape pages recorded as
// metafiles, played directly or kept in the page list) or into a PDF (A4 landscape, written
// under the usual name and announced in Pdf.ok).
class TChartJob
{
public:
    explicit TChartJob(TChartJobContext context);
    ~TChartJob();
    TChartJob(const TChartJob&) = delete;
    TChartJob& operator=(const TChartJob&) = delete;

    // Runs the whole job for variant 0 (printer), 1 (fax) or 2 (PDF). Errors of the job (a
    // point value that is not a number, a libharu or printer error) are raised to the caller
    // after the printer document has been aborted and the PDF document released.
    void PrintChart(const std::filesystem::path& description,
                    const std::filesystem::path& coverFile, int variant);

    // The chart of the page being built.
    void CreateChart();
    void FreeChart();
    void GetChartMarkText(const TChartSeries& series, int valueIndex, std::string& markText) const;

    struct TChartScales
    {
        double fontScaleFactor = 1.0;
        double topPercent = 0.0;
    };
    // Applies the chart-wide settings of the description and Chart.ini to the current chart.
    TChartScales LoadChartSettings(const std::filesystem::path& description, int variant);
    // Adds the series of the current page (points m_iChartFirst up to m_iChartEnd).
    void LoadChartSeries(const std::filesystem::path& description, int variant,
                         double fontScaleFactor);

    // For the command line, the dispatch and tests.
    TChart* chart() const { return m_pChart.get(); }
    const std::vector<std::vector<std::string>>& markTexts() const { return m_lstMarkTexts; }
    void setPageRange(std::int32_t first, std::int32_t end)
    {
        m_iChartFirst = first;
        m_iChartEnd = end;
    }
    std::int32_t maxPoints() const { return m_iMaxPoints; }
    // The Windows path of the PDF the job wrote, empty when none.
    const std::string& pdfWindowsPath() const { return m_asPdfPath; }
    std::filesystem::path pdfHostPath() const;

    // Highest point number plus one that is ever read, and the page end that means no limit.
    static constexpr std::int32_t kNoLimit = 9999;

private:
    std::filesystem::path chartIniPath() const;
    void addPoint(TChartSeries& series, std::vector<std::string>& marks, const std::string& entry,
                  bool blackWhite) const;

    // The printer target.
    void SelectPrinter();
    void NewPageCanvas();
    void CompletePrinterPage();

    TChartJobContext m_context;
    std::unique_ptr<TChart> m_pChart;
    std::vector<std::vector<std::string>> m_lstMarkTexts;
    std::int32_t m_iChartFirst = 0;
    std::int32_t m_iChartEnd = 0;
    std::int32_t m_iChartPoints = 0;
    std::int32_t m_iMaxPoints = 0;

    IPrinterDevice* m_Printer = nullptr;
    std::unique_ptr<IPrinterDevice> m_ownPrinter;
    std::unique_ptr<TMetafile> m_Metafile;
    std::unique_ptr<TMetafileCanvas> m_Canvas;
    TMetafile* m_page = nullptr; // the page m_Canvas draws on
    int m_iDpi = 600;
    std::unique_ptr<ChartPdfDocument> m_pdf;
    std::string m_asPdfPath;
};

// The entry of the job dispatch: one chart job for a data file, variant and cover file.
void PrintChart(const TChartJobContext& context, const std::filesystem::path& description,
                const std::filesystem::path& coverFile, int variant);

} // namespace spoolar
