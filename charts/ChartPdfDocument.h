#pragma once
#include "charts/ChartCanvas.h"
#include "engine/EngineHost.h"

#include <hpdf.h>

#include <memory>
#include <string>

namespace spoolar {

class PdfChartCanvas;
class PdfConformance;
class TPdfFonts;

// The PDF of a chart job: a libharu document with the job's information, A4 landscape pages in
// 1/600 inch, the PDF type's conformance, saved as every job PDF is (name, Pdf.ok).
class ChartPdfDocument
{
public:
    ChartPdfDocument(const EngineHost& host, int pdfType, std::string title);
    ~ChartPdfDocument();
    ChartPdfDocument(const ChartPdfDocument&) = delete;
    ChartPdfDocument& operator=(const ChartPdfDocument&) = delete;

    // The document could not be created (the error box has been shown).
    bool failed() const { return m_doc == nullptr; }

    void addPage();
    IChartCanvas& canvas();
    // The page inside its 5-point margin, in the canvas's units.
    TRectF printableRect() const;

    // Completes the last page and saves the document; returns the PDF's Windows path.
    std::string save();

private:
    void endPage();

    const EngineHost& m_host;
    std::string m_title;
    HPDF_Doc m_doc = nullptr;
    HPDF_Page m_page = nullptr;
    double m_width = 0;
    double m_height = 0;
    std::unique_ptr<TPdfFonts> m_fonts;
    std::unique_ptr<PdfConformance> m_conformance;
    std::unique_ptr<PdfChartCanvas> m_canvas;
};

} // namespace spoolar
