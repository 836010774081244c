// The chart job: counting pass, pages of MaxPoints slots with one value scale, printer or PDF.
#include "charts/ChartJob.h"

#include "charts/ChartPdfDocument.h"
#include "charts/ChartRenderer.h"
#include "charts/MetafileChartCanvas.h"
#include "engine/PdfError.h"
#include "platform/CodePage.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"

namespace spoolar {

const char* chartVariantSection(int variant)
{
    switch (variant) {
    case 1:
        return "ChartFax";
    case 2:
        return "ChartPDF";
    default:
        return "Chart";
    }
}

TChartJob::TChartJob(TChartJobContext context) : m_context(std::move(context)) {}

TChartJob::~TChartJob() = default;

std::filesystem::path TChartJob::pdfHostPath() const
{
    if (m_asPdfPath.empty())
        return {};
    return m_context.host.paths.toHost(ansiToUtf8(m_asPdfPath));
}

void TChartJob::CreateChart()
{
    m_pChart = std::make_unique<TChart>();
    m_lstMarkTexts.clear();
}

void TChartJob::FreeChart()
{
    m_pChart.reset();
    m_lstMarkTexts.clear();
}

void TChartJob::GetChartMarkText(const TChartSeries& series, int valueIndex,
                                 std::string& markText) const
{
    if (series.tag < 0 || static_cast<std::size_t>(series.tag) >= m_lstMarkTexts.size())
        return;
    const std::vector<std::string>& texts = m_lstMarkTexts[static_cast<std::size_t>(series.tag)];
    if (valueIndex < 0 || static_cast<std::size_t>(valueIndex) >= texts.size())
        return;
    markText = texts[static_cast<std::size_t>(valueIndex)];
}

// The printer of the job, as the engine chooses it: the host's printer, else the selected
// printer of the program, else an A4 printer of 600 dpi that keeps the pages.
void TChartJob::SelectPrinter()
{
    const EngineHost& host = m_context.host;
    m_Printer = host.printer;
    if (!m_Printer && host.printers) {
        try {
            m_Printer = &host.printers->device();
        } catch (const PrinterError&) {
            m_Printer = nullptr;
        }
    }
    if (!m_Printer) {
        m_ownPrinter = std::make_unique<VirtualPrinter>();
        m_Printer = m_ownPrinter.get();
    }
    m_Printer->setTitle(m_context.title);
    // Chart pages are always landscape.
    m_Printer->setOrientation(Orientation::Landscape);
    m_iDpi = 600;
    if (const auto mode = m_Printer->defaultDeviceMode(); mode && mode->yResolution > 0)
        m_iDpi = mode->yResolution;
}

// A new recorded page, white, in the page list or as the page to play directly.
void TChartJob::NewPageCanvas()
{
    int dpiX = m_iDpi;
    if (const auto mode = m_Printer->defaultDeviceMode(); mode && mode->printQuality > 0)
        dpiX = mode->printQuality;
    auto page =
        std::make_unique<TMetafile>(m_Printer->pageWidth(), m_Printer->pageHeight(), dpiX, m_iDpi);
    m_page = page.get();
    if (m_context.pages)
        m_context.pages->push_back(std::move(page));
    else
        m_Metafile = std::move(page);
    m_Canvas = std::make_unique<TMetafileCanvas>(*m_page);
    m_Canvas->setBrushColour(clWhite);
    m_Canvas->fillRect(m_Canvas->clipRect());
}

void TChartJob::CompletePrinterPage()
{
    m_Canvas.reset();
    m_page = nullptr;
    if (!m_context.pages && m_Metafile) {
        m_Printer->drawPage(*m_Metafile);
        m_Metafile.reset();
    }
}

void TChartJob::PrintChart(const std::filesystem::path& description,
                           const std::filesystem::path& coverFile, int variant)
{
    const bool pdf = variant == static_cast<int>(TChartVariant::Pdf);
    bool printerDocOpen = false;
    try {
        // The first page exists before the first chart is drawn, as an engine's first page.
        if (pdf) {
            m_pdf = std::make_unique<ChartPdfDocument>(m_context.host, m_context.pdfType,
                                                       m_context.title);
            if (m_pdf->failed()) {
                m_pdf.reset();
                return;
            }
            m_pdf->addPage();
        } else {
            SelectPrinter();
            NewPageCanvas();
            if (!m_context.pages) {
                m_Printer->beginDoc();
                printerDocOpen = true;
            }
        }

        // Counting pass: how many points, and one value scale for every page.
        CreateChart();
        m_iChartFirst = 0;
        m_iChartEnd = kNoLimit;
        const TChartScales scales = LoadChartSettings(description, variant);
        LoadChartSeries(description, variant, 1.0);
        if (!m_pChart->series().empty())
            m_iChartPoints = static_cast<std::int32_t>(m_pChart->series().front()->points.size());
        double maximum = m_pChart->maxYValue();
        maximum = maximum + maximum * scales.topPercent / 100.0;
        FreeChart();

        m_iChartFirst = 0;
        m_iChartEnd = kNoLimit;
        while (m_iChartFirst < m_iChartPoints) {
            if (m_iChartFirst != 0) {
                if (pdf) {
                    m_pdf->addPage();
                } else {
                    NewPageCanvas();
                    if (!m_context.pages)
                        m_Printer->newPage();
                }
            }
            m_iChartEnd = m_iChartFirst + m_iMaxPoints;

            CreateChart();
            m_pChart->leftAxis.automatic = false;
            m_pChart->leftAxis.minimum = 0;
            m_pChart->leftAxis.maximum = maximum;
            const TChartScales pageScales = LoadChartSettings(description, variant);
            LoadChartSeries(description, variant, pageScales.fontScaleFactor);

            try {
                if (pdf) {
                    drawChart(*m_pChart, m_pdf->canvas(), m_pdf->printableRect());
                } else {
                    MetafileChartCanvas canvas(*m_Canvas, m_iDpi);
                    const IntRect clip = m_Canvas->clipRect();
                    drawChart(*m_pChart, canvas,
                              {double(clip.left), double(clip.top), double(clip.right),
                               double(clip.bottom)});
                }
            } catch (const PdfError&) {
                throw;
            } catch (const std::exception& e) {
                m_context.host.prompts.show(PromptKind::Information, PromptButtons::Ok,
                                            std::string("Errore durante copia del grafico: ") +
                                                e.what());
            }
            FreeChart();
            if (!pdf)
                CompletePrinterPage();
            m_iChartFirst = m_iChartFirst + m_iMaxPoints;
        }

        if (pdf) {
            m_asPdfPath = m_pdf->save();
            m_pdf.reset();
        } else {
            // A page begun but never drawn stays out of a direct print.
            m_Canvas.reset();
            m_Metafile.reset();
            if (m_context.faxCover)
                m_context.faxCover(TFaxCoverRequest{coverFile, m_context.pages, *m_Printer});
            if (printerDocOpen) {
                printerDocOpen = false;
                m_Printer->endDoc();
            }
        }
    } catch (...) {
        // Leave no printer document open, no chart and no PDF document behind.
        FreeChart();
        m_Canvas.reset();
        m_Metafile.reset();
        m_pdf.reset();
        if (printerDocOpen)
            m_Printer->abortDoc();
        throw;
    }
}

void PrintChart(const TChartJobContext& context, const std::filesystem::path& description,
                const std::filesystem::path& coverFile, int variant)
{
    TChartJob job(context);
    job.PrintChart(description, coverFile, variant);
}

} // namespace spoolar
