#pragma once
#include "engine/BoxGrid.h"
#include "engine/ControlCodes.h"
#include "engine/EngineHost.h"
#include "engine/FontPercent.h"
#include "engine/PdfConformance.h"
#include "engine/PdfFonts.h"
#include "engine/PdfPageState.h"
#include "overlays/BarcodeKinds.h"
#include "overlays/LetterheadPainter.h"
#include "platform/Colour.h"
#include "platform/Metafile.h"

#include <hpdf.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

// The recorded pages of a job, for the preview: one metafile per page, owned by the list.
using TPageList = std::vector<std::unique_ptr<TMetafile>>;

// Geometry of one pitch. The printer target fills the dot fields, the PDF target the float
// fields; both fill the line and column counts.
struct PITCHMETRICS
{
    std::int32_t fontHeight = 0; // printer: negative character height
    std::int32_t textHeight = 0; // printer: text height = line height
    std::int32_t charWidth = 0;  // printer: width of "W"
    std::int32_t rows = 0;       // lines per portrait page
    std::int32_t cols = 0;       // columns per portrait line
    std::int32_t landRows = 0;   // lines per landscape page
    std::int32_t landCols = 0;   // columns per landscape line
    float lineHeight = 0;        // PDF: stretched line height
    float fontSize = 0;          // PDF: font size
    float lineRaw = 0;           // PDF: unstretched line height
    float charWidthF = 0;        // PDF: character width
    float baseline = 0;          // PDF: baseline offset
};

struct CORNER
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    float fx = 0;
    float fy = 0;
};

// The nine style flags saved around the page end and stored with deferred runs.
struct StyleFlags
{
    bool bold = false, condensed = false, elite = false, doubleWidth = false, italic = false,
         pica = true, subscript = false, superscript = false, tall = false;
};

struct FloatRect
{
    float left = 0, bottom = 0, right = 0, top = 0;
};

// A text run whose frame is to be filled (in-band command B), drawn at the page end.
struct BOXES
{
    std::string text;
    StyleFlags style;
    std::int32_t x = 0, y = 0;
    TColor backColour = clWhite;
    TColor fontColour = clBlack;
    IntRect rect;
    float fx = 0, fy = 0;
    FloatRect frect; // x, y, x + width, y + line height
};

// The print emulation engine: one job of an Epson dot-matrix byte stream becomes pages on the
// printer target (recorded pages) or in a PDF document.
class TPrnDos
{
public:
    TPrnDos(const EngineHost& host, bool landscape, std::string fontName,
            const FONTPERCENT* settings, int pdfType, std::string title, bool pdf,
            std::int32_t leftOffset, TPageList* pages);
    ~TPrnDos();
    TPrnDos(const TPrnDos&) = delete;
    TPrnDos& operator=(const TPrnDos&) = delete;

    // Renders a text job. A job file that cannot be read produces nothing and returns false.
    bool RunJob(const std::filesystem::path& jobFile, const std::filesystem::path& coverFile = {});

    // Sends a text job to the selected printer as it is (raw), all copies in one document.
    // Sends nothing when the file or the printer cannot be opened. True once the spooler has
    // accepted the document, so the caller keeps the job when it is false.
    bool PassThrough(const std::filesystem::path& jobFile);

    // Writes C:\SPOOL\PRINTERS.LST: the named printers with their line counts per pitch, then
    // the PDF target. Leaves the engine on the PDF target.
    void WritePrinterList();

    // For tests and the tools around the engine.
    const std::array<PITCHMETRICS, 4>& metrics() const { return m_Metrics; }
    // The Windows path of the PDF the last RunJob wrote, empty when none.
    const std::string& pdfWindowsPath() const { return m_asPdfPath; }
    std::filesystem::path pdfHostPath() const;
    bool pdfFailed() const { return m_bPdfFailed; }

    // Line interpreter entry, public so that a single line can be driven by tests and fuzzing.
    void InterpretLine(std::string_view line, bool lastLine);
    void EndOfLine();
    void FinishPage();
    void NewPage();

private:
    friend class TPrnDosTestAccess;

    // Control-code interpreter.
    void LoadControlCodes();
    int MatchControl(std::string_view line, std::size_t& pos);
    void ApplyInBandCommand(std::string_view command);
    void ApplyControl(int index, bool endsJob);
    static bool IsPrintable(std::uint8_t byte);
    float CentreOffsetPdf(float& widestLine);
    std::int32_t CentreOffsetPrinter(std::int32_t& widestLine);
    double ScanWidestLine();

    // Text layout.
    void MeasurePitches();
    void MeasurePitchesPdf();
    void MeasurePitchesPrinter();
    void ApplyFont();
    void DrawRun(std::string run, bool convert);
    void DrawRunSpecial(const std::string& run, std::int32_t& width, IntRect& textRect,
                        IntRect& lineRect);
    std::int32_t TallHeight(std::int32_t v) const;
    std::int32_t ItalicShift(std::int32_t v) const;
    StyleFlags CurrentStyle() const;
    void SetStyle(const StyleFlags& style);

    // Printer output.
    TMetafileCanvas* NewPageCanvas(bool insertFirst);
    std::string PrinterListLine(const std::string& comment, const std::string& name,
                                char kind) const;
    void FreeCanvas();

    // PDF output.
    void CreatePdfDoc();
    void FreePdfDoc();
    void StartPdfJob();
    void SavePdfJob();
    void WriteSpoolFileAtomically(const std::filesystem::path& file, std::string_view content);

    // Box drawing and box fills.
    void StoreCell(std::uint8_t character);
    void RecordCorner(std::uint8_t character);
    void DrawBoxLines();
    void DrawBoxLinesPrinter();
    void DrawBoxLinesPdf();
    void WriteDebugMap();
    bool FindBoxPrinter(std::int32_t left, std::int32_t top, IntRect& box) const;
    bool FindBoxPdf(float left, float top, FloatRect& box) const;
    void FillBoxes();

    // Overlays: letterhead, barcodes, labels, pictures, bands and the fax cover page.
    void SelectLetterhead(std::string_view name);
    void DrawLetterhead();
    void DrawBarcode(std::string_view parameter);
    void DrawLabel(std::string_view parameter);
    void DrawPicture(std::string_view parameter);
    void DrawBand();
    void DrawFaxCover(const std::filesystem::path& coverFile);
    std::filesystem::path WorkingFolder() const;
    std::int32_t PdfPageHeight() const;
    void RestorePdfPageState();

    const EngineHost& m_host;
    ControlCodes m_Codes;

    bool m_bDocStarted = false;
    bool m_bBoxFillPending = false;
    bool m_bRedraw = false;
    bool m_bBold = false;
    bool m_bCondensed = false;
    bool m_bElite = false;
    bool m_bDoubleWidth = false;
    bool m_bHeaderOn = false;
    bool m_bHeaderLoaded = false;
    bool m_bItalic = false;
    bool m_bPica = true;
    bool m_bCentred = false;
    bool m_bSubscript = false;
    bool m_bSuperscript = false;
    bool m_bTall = false;
    bool m_bTallLine = false;
    // PDF target: a line of the current page has ended, so ApplyFont leaves the pen alone.
    bool m_bPageLineEnded = false;

    std::int32_t m_iDpiX = 600;
    std::int32_t m_iDpiY = 600;
    std::int32_t m_iHalfCharWidth = 0;
    std::int32_t m_iHalfLineHeight = 0;
    std::int32_t m_iX = 0;
    std::int32_t m_iMargin = 0;
    std::int32_t m_iLeftOffset = 0;
    std::int32_t m_iLineHeight = 0;
    std::int32_t m_iCharWidth = 0;
    std::int32_t m_iPrintableHeight = 0;
    std::int32_t m_iPrintableWidth = 0;
    std::int32_t m_iPitch = 0;
    std::int32_t m_iY = 0;
    std::int32_t m_iWidestLine = 0;
    TColor m_clFont = clBlack;
    TColor m_clBack = clWhite;
    BoxGrid m_Cells;
    std::vector<std::string> m_slLines;
    bool m_bPdf = false;
    bool m_bPdfFailed = false;
    std::int32_t m_iPdfType = 0;
    std::int32_t m_iCol = 0;
    std::int32_t m_iMaxCols = 0;
    std::int32_t m_iRow = 0;
    float m_fHalfCharWidth = 0;
    float m_fHalfLineHeight = 0;
    float m_fX = 0;
    float m_fLineRaw = 0;
    float m_fLineHeight = 0;
    float m_fBaseline = 0;
    float m_fCharWidth = 0;
    float m_fPrintableHeight = 0;
    float m_fPrintableWidth = 0;
    float m_fMargin = 41.666664f;
    float m_fLeftOffset = 0;
    float m_fY = 0;
    float m_fWidestLine = 0;
    HPDF_Doc m_pdfDoc = nullptr;
    HPDF_Page m_pdfPage = nullptr;
    HPDF_Font m_pdfFont = nullptr;
    PdfPageState m_pdfState;
    std::unique_ptr<TPdfFonts> m_PdfFonts;
    std::unique_ptr<PdfConformance> m_pdfConformance;
    std::string m_asFileHeader;
    std::string m_asFontName;
    std::string m_asTitle;
    std::string m_asSample;
    std::string m_asPdfPath;
    std::array<PITCHMETRICS, 4> m_Metrics{};
    const FONTPERCENT* m_pSettings = nullptr;
    IPrinterDevice* m_Printer = nullptr;
    std::unique_ptr<IPrinterDevice> m_ownPrinter;
    std::unique_ptr<TMetafileCanvas> m_Canvas;
    std::unique_ptr<TMetafile> m_Metafile;
    bool m_bLandscape = false;
    TPageList* m_lPages = nullptr;
    std::vector<BOXES> m_lBoxes;
    std::vector<CORNER> m_lTopLeft;
    std::vector<CORNER> m_lBottomRight;
    std::unique_ptr<LetterheadPrinterPainter> m_HeaderPrinter;
    std::unique_ptr<LetterheadPdfPainter> m_HeaderPdf; // header pictures of the PDF document
    BarcodeKindCache m_OwnBarcodeKinds;
};

} // namespace spoolar
