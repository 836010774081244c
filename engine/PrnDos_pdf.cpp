// PDF output: the libharu document of a job, its metadata, PDF/A, file name and Pdf.ok.
#include "engine/PdfError.h"
#include "engine/PdfJobFile.h"
#include "engine/PrnDos.h"
#include "platform/CodePage.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"

namespace spoolar {

void TPrnDos::CreatePdfDoc()
{
    m_PdfFonts = std::make_unique<TPdfFonts>(m_host.fonts);
    m_pdfDoc = HPDF_New(&pdfErrorHandler, nullptr);
    if (!m_pdfDoc) {
        m_host.prompts.show(PromptKind::Error, PromptButtons::Ok,
                            "ERRORE: Impossibile creare l'oggetto PDF");
        m_bPdfFailed = true;
    }
}

void TPrnDos::FreePdfDoc()
{
    m_pdfConformance.reset();
    m_PdfFonts.reset();
    if (m_pdfDoc) {
        // Nothing may throw while the document is released.
        HPDF_SetErrorHandler(m_pdfDoc, nullptr);
        HPDF_Free(m_pdfDoc);
    }
    m_pdfDoc = nullptr;
    m_pdfPage = nullptr;
    m_pdfFont = nullptr;
}

void TPrnDos::StartPdfJob()
{
    CreatePdfDoc();
    if (m_bPdfFailed)
        return;
    m_pdfConformance =
        std::make_unique<PdfConformance>(m_pdfDoc, m_iPdfType == 1   ? PdfType::PdfA1a
                                                   : m_iPdfType == 2 ? PdfType::PdfA1b
                                                                     : PdfType::Plain);
    HPDF_SetCompressionMode(m_pdfDoc, HPDF_COMP_ALL);
    m_PdfFonts->setFontLoaded([this](HPDF_Font font) { m_pdfConformance->registerFont(font); });
    m_PdfFonts->LoadFamily(m_pdfDoc, m_asFontName);

    setPdfJobInfo(m_pdfDoc, m_host.clock, m_asTitle);
    NewPage();
}

void TPrnDos::SavePdfJob()
{
    if (m_pdfPage) {
        m_pdfState.endText(m_pdfPage);
        if (m_pdfConformance)
            m_pdfConformance->endPage(m_pdfPage);
    }

    if (m_pdfConformance)
        m_pdfConformance->finish();

    m_asPdfPath = savePdfJobFile(m_pdfDoc, m_host.paths, m_host.clock, m_asTitle);
}

void TPrnDos::WriteSpoolFileAtomically(const std::filesystem::path& file, std::string_view content)
{
    writeSpoolFileAtomically(file, content);
}

} // namespace spoolar
