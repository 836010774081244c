#pragma once
#include "overlays/LanczosResampler.h"
#include "overlays/LetterheadFile.h"

#include <hpdf.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

class QImage;

namespace spoolar {

class TMetafileCanvas;

// The page a letterhead is drawn on, in the target's units: width W and height H of the whole
// page and the margin m. Designer pixels v become MulDiv(v, W, HorizSize) on both axes.
struct LetterheadPage
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    float margin = 0;
};

// The PDF font for a face and style, as the document's font cache gives it.
using PdfFontLookup = std::function<HPDF_Font(const std::string& face, bool bold, bool italic)>;

// Text colour of a letterhead on the printer: a system colour (0xFF000000 + index, as the
// designer may store the default text colour of its controls) becomes its Windows default.
TColor printerColourOf(TColor colour);

// The PDF font size of a letterhead text: from 300 down in steps of 0.025, the first size at
// which the text is at most the target width wide; never below a small positive floor (a size
// of 0 is no valid PDF size).
float letterheadPdfFontSize(HPDF_Font font, const std::string& text, float targetWidth);

// Draws letterheads on recorded printer pages. Texts take the canvas font (restored afterwards);
// pictures are decoded and resampled once per size and shared by the pages that show them.
class LetterheadPrinterPainter
{
public:
    explicit LetterheadPrinterPainter(int screenDpi) : m_screenDpi(screenDpi) {}

    void draw(TMetafileCanvas& canvas, const LetterheadFile& definition,
              const LetterheadPage& page);

private:
    std::shared_ptr<const QImage> picture(const std::filesystem::path& file, int width, int height);

    int m_screenDpi;
    LanczosResampler m_resampler{KernelLookup::Nearest};
    std::map<std::tuple<std::filesystem::path, int, int>, std::shared_ptr<const QImage>> m_pictures;
};

// One letterhead picture embedded in the PDF document, at the place computed on the first page
// that carried the letterhead (PDF units, lower-left corner).
struct HeaderPicture
{
    float y = 0;
    float x = 0;
    float width = 0;
    float height = 0;
    HPDF_Image image = nullptr;
};

// Draws letterheads on the PDF pages of one document. The pictures are embedded once, on the
// first page that carries the letterhead, and drawn again from the table on every later one;
// pictures beyond the table's 64 entries are embedded anew on each page instead of dropped.
class LetterheadPdfPainter
{
public:
    static constexpr std::size_t kTableSize = 64;

    LetterheadPdfPainter(int screenDpi, PdfFontLookup fonts)
        : m_screenDpi(screenDpi), m_fonts(std::move(fonts))
    {
    }

    void draw(HPDF_Doc doc, HPDF_Page page, const LetterheadFile& definition,
              const LetterheadPage& geometry);

    bool picturesLoaded() const { return m_loaded; }
    std::int32_t pictureCount() const { return m_count; }

private:
    void drawText(HPDF_Page page, const LetterheadText& text, const LetterheadFile& definition,
                  const LetterheadPage& geometry);
    std::optional<HeaderPicture> loadPicture(HPDF_Doc doc, const LetterheadPicture& picture,
                                             const LetterheadFile& definition,
                                             const LetterheadPage& geometry);

    int m_screenDpi;
    PdfFontLookup m_fonts;
    bool m_loaded = false;
    std::int32_t m_count = 0;
    std::array<HeaderPicture, kTableSize> m_table{};
    std::vector<std::size_t> m_overflow; // element indices of the pictures beyond the table
};

} // namespace spoolar
