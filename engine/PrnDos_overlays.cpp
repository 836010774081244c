// Overlays on the page: the letterhead at every page end, barcodes, labels, pictures and bands
// of the in-band commands, and the fax cover page in front of a job's pages.
#include "engine/PrnDos.h"

#include "overlays/BarcodeCommand.h"
#include "overlays/CommandFields.h"
#include "overlays/FaxCover.h"
#include "overlays/LabelCommand.h"
#include "overlays/LetterheadResolver.h"
#include "overlays/PdfImages.h"
#include "overlays/PictureCommand.h"
#include "overlays/PictureFiles.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"

#include <ctime>
#include <memory>
#include <system_error>

namespace spoolar {

namespace {
constexpr std::int32_t kPdfDpi = 600;
// Height of a barcode whose height field is 0, in device units.
constexpr std::int32_t kDefaultBarcodeHeight = 50;
} // namespace

std::filesystem::path TPrnDos::WorkingFolder() const
{
    if (!m_host.workingFolder.empty())
        return m_host.workingFolder;
    std::error_code ec;
    std::filesystem::path here = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : here;
}

std::int32_t TPrnDos::PdfPageHeight() const
{
    return static_cast<std::int32_t>(m_fPrintableHeight + 2 * m_fMargin);
}

// After overlays have drawn with their own fonts and colours: the page's font and text colour
// again, and the state cache told that it no longer knows what the page has.
void TPrnDos::RestorePdfPageState()
{
    m_pdfState.reset();
    m_pdfState.fill(m_pdfPage, m_clFont);
    if (m_pdfFont)
        m_pdfState.setFont(m_pdfPage, m_pdfFont,
                           m_Metrics[static_cast<std::size_t>(m_iPitch)].fontSize);
}

void TPrnDos::SelectLetterhead(std::string_view name)
{
    const LetterheadResolution found = resolveLetterhead(m_host.paths, name, WorkingFolder());
    m_asFileHeader = found.windowsPath;
    if (found.found) {
        m_bHeaderLoaded = true;
        m_bHeaderOn = true;
    }
}

void TPrnDos::DrawLetterhead()
{
    if (m_asFileHeader.empty())
        return;
    // The definition is read afresh for every page.
    const LetterheadFile definition =
        LetterheadFile::read(hostPathOf(m_host.paths, m_asFileHeader, WorkingFolder()));
    if (!m_bPdf) {
        if (!m_Canvas)
            return;
        if (!m_HeaderPrinter)
            m_HeaderPrinter = std::make_unique<LetterheadPrinterPainter>(m_host.screenDpi);
        const LetterheadPage page{m_iPrintableWidth + 2 * m_iMargin,
                                  m_iPrintableHeight + 2 * m_iMargin,
                                  static_cast<float>(m_iMargin)};
        m_HeaderPrinter->draw(*m_Canvas, definition, page);
        return;
    }
    if (!m_pdfPage || !m_pdfDoc)
        return;
    if (!m_HeaderPdf) {
        auto fonts = [this](const std::string& face, bool bold, bool italic) -> HPDF_Font {
            m_PdfFonts->LoadFamily(m_pdfDoc, face);
            if (const HPDF_Font font = m_PdfFonts->GetFont(face, bold, italic))
                return font;
            // A face without font files on this system: the job's own family.
            return m_PdfFonts->GetFont(m_asFontName, bold, italic);
        };
        m_HeaderPdf = std::make_unique<LetterheadPdfPainter>(m_host.screenDpi, fonts);
    }
    m_pdfState.endText(m_pdfPage);
    const LetterheadPage page{static_cast<std::int32_t>(m_fPrintableWidth + 2 * m_fMargin),
                              PdfPageHeight(), m_fMargin};
    m_HeaderPdf->draw(m_pdfDoc, m_pdfPage, definition, page);
    RestorePdfPageState();
}

void TPrnDos::DrawBarcode(std::string_view parameter)
{
    const auto request = parseBarcodeCommand(parameter);
    if (!request)
        return;
    const std::int32_t ppmX = unitsPerMillimetre(m_bPdf ? kPdfDpi : m_iDpiX);
    const std::int32_t ppmY = unitsPerMillimetre(m_bPdf ? kPdfDpi : m_iDpiY);
    const std::int32_t height =
        request->heightMm == 0 ? kDefaultBarcodeHeight : request->heightMm * ppmY;

    BarcodeKindCache& kinds = m_host.barcodeKinds ? *m_host.barcodeKinds : m_OwnBarcodeKinds;
    const auto kind = kinds.find(request->kindKey);
    if (!kind) {
        m_host.prompts.show(PromptKind::Error, PromptButtons::Ok,
                            "Tipologia di Barcode (" + ansiToUtf8(request->kindKey) +
                                ") non trovata");
        return;
    }
    const BarcodeRendering symbol =
        renderBarcode(*kind, request->data, request->scale, height, request->showText);
    if (!symbol.error.empty()) {
        m_host.prompts.show(PromptKind::Error, PromptButtons::Ok, symbol.error);
        return;
    }
    const std::int32_t wb = symbol.image.width();
    const std::int32_t hb = symbol.image.height();
    const std::int32_t x = request->positioned ? request->xMm : -1;
    try {
        if (!m_bPdf) {
            std::int32_t left = m_iX;
            std::int32_t top = m_iY - (hb - m_iLineHeight) / 2;
            if (x >= 0) {
                left = x * ppmX;
                top = request->yMm * ppmY;
            }
            m_Canvas->draw({left, top, left + wb, top + hb},
                           std::make_shared<const QImage>(symbol.image));
            m_iX += wb;
            return;
        }
        std::int32_t left = static_cast<std::int32_t>(m_fX);
        std::int32_t bottom =
            static_cast<std::int32_t>(m_fY) - (hb - static_cast<std::int32_t>(m_fLineHeight)) / 2;
        if (x >= 0) {
            left = x * ppmX;
            bottom = PdfPageHeight() - request->yMm * ppmY - hb;
        }
        // Lossless, one bitmap pixel per 1/600 inch: a JPEG would smear the module edges.
        m_pdfState.endText(m_pdfPage);
        const HPDF_Image image = loadLosslessImage(m_pdfDoc, symbol.image);
        HPDF_Page_DrawImage(m_pdfPage, image, static_cast<HPDF_REAL>(left),
                            static_cast<HPDF_REAL>(bottom), static_cast<HPDF_REAL>(wb),
                            static_cast<HPDF_REAL>(hb));
        m_fX += static_cast<float>(wb);
    } catch (const std::exception& e) {
        // The barcode is left out and the job goes on.
        if (m_bPdf && m_pdfDoc)
            HPDF_ResetError(m_pdfDoc);
        m_host.prompts.show(PromptKind::Error, PromptButtons::Ok, e.what());
    }
}

void TPrnDos::DrawLabel(std::string_view parameter)
{
    const auto request = parseLabelCommand(parameter);
    if (!request)
        return;
    const std::int32_t dpiX = m_bPdf ? kPdfDpi : m_iDpiX;
    const std::int32_t dpiY = m_bPdf ? kPdfDpi : m_iDpiY;
    const LabelBitmap label = renderLabel(*request, dpiX, m_host.screenDpi);
    if (label.bitmap.isNull())
        return;
    const std::int32_t x = request->xMm * unitsPerMillimetre(dpiX);
    const std::int32_t y = request->yMm * unitsPerMillimetre(dpiY);
    const std::int32_t w = label.width;
    const std::int32_t h = label.height;
    if (!m_bPdf) {
        if (w > 0 && h > 0)
            m_Canvas->draw({x, y, x + w, y + h},
                           std::make_shared<const QImage>(label.bitmap.copy(0, 0, w, h)));
        return;
    }
    // Label.jpg stays in the working folder until the next label overwrites it.
    const std::filesystem::path jpeg = WorkingFolder() / "Label.jpg";
    const HPDF_Image image = saveJpeg(label.bitmap, jpeg, 100)
                                 ? HPDF_LoadJpegImageFromFile(m_pdfDoc, jpeg.c_str())
                                 : loadLosslessImage(m_pdfDoc, label.bitmap);
    m_pdfState.endText(m_pdfPage);
    HPDF_Page_DrawImage(m_pdfPage, image, static_cast<HPDF_REAL>(x),
                        static_cast<HPDF_REAL>(PdfPageHeight() - y - h),
                        static_cast<HPDF_REAL>(label.bitmap.width()),
                        static_cast<HPDF_REAL>(label.bitmap.height()));
}

void TPrnDos::DrawPicture(std::string_view parameter)
{
    const auto request = parsePictureCommand(parameter, m_host.paths, WorkingFolder());
    if (!request)
        return;
    if (!m_bPdf) {
        const QImage picture = decodeJpegPicture(request->file);
        const PicturePlacement p = placePicture(*request, m_iPrintableWidth, m_iPrintableHeight,
                                                picture.width(), picture.height());
        if (p.width <= 0 || p.height <= 0)
            return;
        const LanczosResampler resampler(KernelLookup::Linear);
        m_Canvas->draw(
            {p.x, p.y, p.x + p.width, p.y + p.height},
            std::make_shared<const QImage>(resampler.resample(picture, p.width, p.height)));
        return;
    }
    const HPDF_Image image = HPDF_LoadJpegImageFromFile(m_pdfDoc, request->file.c_str());
    const PicturePlacement p = placePicture(*request, static_cast<std::int32_t>(m_fPrintableWidth),
                                            static_cast<std::int32_t>(m_fPrintableHeight),
                                            static_cast<std::int32_t>(HPDF_Image_GetWidth(image)),
                                            static_cast<std::int32_t>(HPDF_Image_GetHeight(image)));
    if (p.width <= 0 || p.height <= 0)
        return;
    m_pdfState.endText(m_pdfPage);
    HPDF_Page_DrawImage(m_pdfPage, image, static_cast<HPDF_REAL>(p.x),
                        static_cast<HPDF_REAL>(PdfPageHeight() - p.y - p.height),
                        static_cast<HPDF_REAL>(p.width), static_cast<HPDF_REAL>(p.height));
}

void TPrnDos::DrawBand()
{
    if (m_bBoxFillPending)
        return;
    if (!m_bPdf) {
        if (!m_Canvas || m_Canvas->brushColour() == clWhite)
            return;
        m_Canvas->fillRect({m_iX, m_iY, m_iX + m_iWidestLine, m_iY + m_iLineHeight});
        return;
    }
    if (!m_pdfPage || m_clBack == clWhite)
        return;
    m_pdfState.endText(m_pdfPage);
    m_pdfState.fill(m_pdfPage, m_clBack);
    HPDF_Page_Rectangle(m_pdfPage, m_fX, m_fY, m_fWidestLine, m_fLineHeight);
    HPDF_Page_Fill(m_pdfPage);
}

void TPrnDos::DrawFaxCover(const std::filesystem::path& coverFile)
{
    // The cover goes in front of the recorded pages: the printer target with a page list only.
    if (coverFile.empty() || m_bPdf || !m_lPages)
        return;
    FaxCoverTarget target;
    target.pageWidth = m_Printer->pageWidth();
    target.pageHeight = m_Printer->pageHeight();
    target.dpiX = m_iDpiX;
    target.dpiY = m_iDpiY;
    target.margin = m_iMargin;
    target.landscape = m_bLandscape;
    const std::time_t now = std::chrono::system_clock::to_time_t(m_host.clock.now());
    std::tm local{};
    localtime_r(&now, &local);
    addFaxCoverPage(*m_lPages, target,
                    resolveCaseInsensitive(m_host.paths.programHome() / "FaxCover.ini"), coverFile,
                    m_asFontName, local, m_host.screenDpi);
    m_iPrintableWidth = target.pageWidth - 2 * m_iMargin;
    m_iPrintableHeight = target.pageHeight - 2 * m_iMargin;
}

} // namespace spoolar
