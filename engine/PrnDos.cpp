// Engine object and job lifecycle: construction, RunJob, page and line changes.
#include "engine/PrnDos.h"

#include "engine/PdfError.h"
#include "platform/CodePage.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace spoolar {

namespace {
std::string makeSample()
{
    std::string block;
    for (char c = 'A'; c <= 'Z'; ++c)
        block += c;
    for (char c = 'a'; c <= 'z'; ++c)
        block += c;
    block += "\xE0\xE8\xE9\xEC\xF2\xF9"; // à è é ì ò ù
    block += '\x80';                     // €
    block += "@#";
    block += '\xA7'; // §
    block += "0123456789";
    std::string sample;
    for (int i = 0; i < 4; ++i)
        sample += block;
    return sample;
}

// Lines end at CR, LF or CR LF; a final line break adds no empty line.
std::vector<std::string> splitLines(const std::string& content)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    const std::size_t n = content.size();
    while (start < n) {
        std::size_t end = start;
        while (end < n && content[end] != '\r' && content[end] != '\n')
            ++end;
        lines.emplace_back(content, start, end - start);
        if (end < n && content[end] == '\r' && end + 1 < n && content[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}
} // namespace

TPrnDos::TPrnDos(const EngineHost& host, bool landscape, std::string fontName,
                 const FONTPERCENT* settings, int pdfType, std::string title, bool pdf,
                 std::int32_t leftOffset, TPageList* pages)
    : m_host(host)
{
    m_asSample = makeSample();
    m_bPdf = pdf;
    m_iPdfType = pdfType;
    m_pSettings = settings;
    m_iLeftOffset = leftOffset;
    m_fLeftOffset = static_cast<float>(leftOffset);
    m_asFontName = std::move(fontName);
    m_asTitle = std::move(title);
    m_bLandscape = landscape;

    LoadControlCodes();

    m_Printer = host.printer;
    if (!m_Printer && host.printers && !m_bPdf) {
        try {
            m_Printer = &host.printers->device();
        } catch (const PrinterError&) {
            m_Printer = nullptr;
        }
    }
    if (!m_Printer && !m_bPdf) {
        // No printer at all: lay the pages out for the virtual A4 printer of 600 dpi.
        m_ownPrinter = std::make_unique<VirtualPrinter>();
        m_Printer = m_ownPrinter.get();
    }
    if (m_Printer)
        m_Printer->setTitle(m_asTitle);

    MeasurePitches();

    if (!m_bPdf) {
        m_Printer->setOrientation(m_bLandscape ? Orientation::Landscape : Orientation::Portrait);
        m_lPages = pages;
        NewPageCanvas(false);
        m_iX = m_iMargin + m_iLeftOffset;
        m_iY = m_iMargin;
        ApplyFont();
    }
}

TPrnDos::~TPrnDos()
{
    FreePdfDoc();
    m_Canvas.reset();
    m_Metafile.reset();
}

void TPrnDos::LoadControlCodes()
{
    m_Codes = m_host.controlCodesFile ? ControlCodes::fromFile(*m_host.controlCodesFile)
                                      : ControlCodes::fromSearchPath();
}

bool TPrnDos::RunJob(const std::filesystem::path& jobFile, const std::filesystem::path& coverFile)
{
    std::ifstream in(jobFile, std::ios::binary);
    if (!in)
        return false;
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    in.close();

    bool printerDocOpen = false;
    try {
        if (m_bPdf) {
            StartPdfJob();
            if (m_bPdfFailed)
                return false;
        } else {
            if (!m_lPages) {
                m_Printer->beginDoc();
                printerDocOpen = true;
            }
            m_bDocStarted = true;
        }

        m_slLines = splitLines(content);
        const std::size_t count = m_slLines.size();
        for (std::size_t i = 0; i < count; ++i) {
            InterpretLine(m_slLines[i], i + 1 == count);
            EndOfLine();
        }
        FinishPage();

        if (m_bPdf) {
            SavePdfJob();
            FreePdfDoc();
        } else {
            FreeCanvas();
            if (!m_lPages) {
                m_Printer->drawPage(*m_Metafile);
                m_Metafile.reset();
                m_Printer->endDoc();
                printerDocOpen = false;
            }
            DrawFaxCover(coverFile);
        }
    } catch (...) {
        // Leave no printer document half open and no PDF document behind.
        if (printerDocOpen)
            m_Printer->abortDoc();
        FreePdfDoc();
        throw;
    }
    return true;
}

void TPrnDos::EndOfLine()
{
    if (m_bTallLine)
        m_bTall = false;
    if (m_bPdf) {
        m_fX = m_fMargin + m_fLeftOffset;
        m_fY = m_fY - m_fLineHeight;
        m_bPageLineEnded = true;
    } else {
        m_iX = m_iMargin + m_iLeftOffset;
        m_iY = m_iY + m_iLineHeight;
    }
    m_iRow += 1;
    m_iMaxCols = std::max(m_iMaxCols, m_iCol);
    m_iCol = 0;
}

void TPrnDos::NewPage()
{
    if (m_bDocStarted)
        FinishPage();
    else
        m_bDocStarted = true;

    if (m_bPdf) {
        if (m_pdfPage) {
            m_pdfState.endText(m_pdfPage);
            if (m_pdfConformance)
                m_pdfConformance->endPage(m_pdfPage);
        }
        m_pdfPage = HPDF_AddPage(m_pdfDoc);
        m_pdfState.reset();
        HPDF_Page_Concat(m_pdfPage, 0.12f, 0, 0, 0.12f, 0, 0);
        if (m_pdfConformance)
            m_pdfConformance->beginPage(m_pdfPage);
        HPDF_Page_SetSize(m_pdfPage, HPDF_PAGE_SIZE_A4,
                          m_bLandscape ? HPDF_PAGE_LANDSCAPE : HPDF_PAGE_PORTRAIT);
        HPDF_Page_SetLineWidth(m_pdfPage, 2);
        m_fPrintableHeight = HPDF_Page_GetHeight(m_pdfPage) * 8.333333f - 2 * m_fMargin;
        m_fPrintableWidth = HPDF_Page_GetWidth(m_pdfPage) * 8.333333f - 2 * m_fMargin;
        m_pdfState.fill(m_pdfPage, m_clFont);
        m_bPageLineEnded = false;
        ApplyFont();
        m_fY = m_fPrintableHeight + m_fMargin - m_fLineHeight;
        m_fX = m_fMargin + m_fLeftOffset;
        return;
    }

    m_iY = m_iMargin;
    m_iX = m_iMargin + m_iLeftOffset;
    FreeCanvas();
    if (!m_lPages) {
        m_Printer->drawPage(*m_Metafile);
        m_Metafile.reset();
        m_Printer->newPage();
    }
    NewPageCanvas(false);
    ApplyFont();
}

void TPrnDos::FinishPage()
{
    const StyleFlags saved = CurrentStyle();
    if (m_bHeaderOn)
        DrawLetterhead();
    m_bRedraw = true;
    DrawBoxLines();
    FillBoxes();
    SetStyle(saved);
    ApplyFont();
    m_lTopLeft.clear();
    m_lBottomRight.clear();
    m_bRedraw = false;
}

StyleFlags TPrnDos::CurrentStyle() const
{
    StyleFlags s;
    s.bold = m_bBold;
    s.condensed = m_bCondensed;
    s.elite = m_bElite;
    s.doubleWidth = m_bDoubleWidth;
    s.italic = m_bItalic;
    s.pica = m_bPica;
    s.subscript = m_bSubscript;
    s.superscript = m_bSuperscript;
    s.tall = m_bTall;
    return s;
}

void TPrnDos::SetStyle(const StyleFlags& s)
{
    m_bBold = s.bold;
    m_bCondensed = s.condensed;
    m_bElite = s.elite;
    m_bDoubleWidth = s.doubleWidth;
    m_bItalic = s.italic;
    m_bPica = s.pica;
    m_bSubscript = s.subscript;
    m_bSuperscript = s.superscript;
    m_bTall = s.tall;
}

TMetafileCanvas* TPrnDos::NewPageCanvas(bool insertFirst)
{
    auto page = std::make_unique<TMetafile>(m_Printer->pageWidth(), m_Printer->pageHeight(),
                                            m_iDpiX, m_iDpiY);
    TMetafile* target = page.get();
    if (m_lPages) {
        if (insertFirst)
            m_lPages->insert(m_lPages->begin(), std::move(page));
        else
            m_lPages->push_back(std::move(page));
    } else {
        m_Metafile = std::move(page);
    }
    m_Canvas = std::make_unique<TMetafileCanvas>(*target);
    m_Canvas->setBrushColour(clWhite);
    m_Canvas->setFontColour(m_clFont);
    m_Canvas->fillRect(m_Canvas->clipRect());
    // The text background set by the job carries over to the new page, as on the PDF target.
    m_Canvas->setBrushColour(m_clBack);
    m_Canvas->fontRef().family = m_asFontName;
    m_iPrintableWidth = m_Printer->pageWidth() - 2 * m_iMargin;
    m_iPrintableHeight = m_Printer->pageHeight() - 2 * m_iMargin;
    return m_Canvas.get();
}

void TPrnDos::FreeCanvas()
{
    m_Canvas.reset();
}

std::filesystem::path TPrnDos::pdfHostPath() const
{
    if (m_asPdfPath.empty())
        return {};
    return m_host.paths.toHost(ansiToUtf8(m_asPdfPath));
}

} // namespace spoolar
