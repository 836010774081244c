#include "charts/ChartPdfDocument.h"

#include "charts/PdfChartCanvas.h"
#include "engine/PdfConformance.h"
#include "engine/PdfError.h"
#include "engine/PdfFonts.h"
#include "engine/PdfJobFile.h"
#include "platform/Prompts.h"

namespace spoolar {

namespace {
// User space in 1/600 inch: 72 points are 600 units.
constexpr double kUnitsPerPoint = 600.0 / 72.0;
constexpr double kMargin = 41.666664;
} // namespace

ChartPdfDocument::ChartPdfDocument(const EngineHost& host, int pdfType, std::string title)
    : m_host(host), m_title(std::move(title))
{
    m_fonts = std::make_unique<TPdfFonts>(m_host.fonts);
    m_doc = HPDF_New(&pdfErrorHandler, nullptr);
    if (!m_doc) {
        m_host.prompts.show(PromptKind::Error, PromptButtons::Ok,
                            "ERRORE: Impossibile creare l'oggetto PDF");
        return;
    }
    try {
        m_conformance = std::make_unique<PdfConformance>(m_doc, pdfType == 1   ? PdfType::PdfA1a
                                                                : pdfType == 2 ? PdfType::PdfA1b
                                                                               : PdfType::Plain);
        m_fonts->setFontLoaded([this](HPDF_Font font) { m_conformance->registerFont(font); });
        HPDF_SetCompressionMode(m_doc, HPDF_COMP_ALL);
        setPdfJobInfo(m_doc, m_host.clock, m_title);
    } catch (...) {
        m_canvas.reset();
        m_conformance.reset();
        m_fonts.reset();
        HPDF_SetErrorHandler(m_doc, nullptr);
        HPDF_Free(m_doc);
        m_doc = nullptr;
        throw;
    }
}

ChartPdfDocument::~ChartPdfDocument()
{
    m_canvas.reset();
    m_conformance.reset();
    m_fonts.reset();
    if (m_doc) {
        // Nothing may throw while the document is released.
        HPDF_SetErrorHandler(m_doc, nullptr);
        HPDF_Free(m_doc);
    }
}

void ChartPdfDocument::endPage()
{
    if (m_page && m_conformance)
        m_conformance->endPage(m_page);
    m_canvas.reset();
}

void ChartPdfDocument::addPage()
{
    if (!m_doc)
        return;
    endPage();
    m_page = HPDF_AddPage(m_doc);
    HPDF_Page_Concat(m_page, 0.12f, 0, 0, 0.12f, 0, 0);
    m_conformance->beginPage(m_page);
    HPDF_Page_SetSize(m_page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_LANDSCAPE);
    HPDF_Page_SetLineWidth(m_page, 2);
    m_width = HPDF_Page_GetWidth(m_page) * kUnitsPerPoint;
    m_height = HPDF_Page_GetHeight(m_page) * kUnitsPerPoint;
    m_canvas = std::make_unique<PdfChartCanvas>(m_doc, m_page, *m_fonts, m_height);
}

IChartCanvas& ChartPdfDocument::canvas()
{
    return *m_canvas;
}

TRectF ChartPdfDocument::printableRect() const
{
    return {kMargin, kMargin, m_width - kMargin, m_height - kMargin};
}

std::string ChartPdfDocument::save()
{
    if (!m_doc)
        return {};
    endPage();
    m_conformance->finish();
    return savePdfJobFile(m_doc, m_host.paths, m_host.clock, m_title);
}

} // namespace spoolar
