#pragma once
#include <hpdf.h>

#include <string>
#include <vector>

namespace spoolar {

// The PDF types of the program: 0 plain PDF, 1 PDF/A-1a, 2 PDF/A-1b.
enum class PdfType
{
    Plain = 0,
    PdfA1a = 1,
    PdfA1b = 2
};

// Completes what libharu 2.3.0 leaves out of PDF/A files.
//  PDF/A-1b: XMP metadata with the PDF/A identification (and a correct /Subtype), a document
//            ID and an sRGB output intent.
//  PDF/A-1a: the same, plus tagged content: every page's content is one marked-content
//            sequence, a structure tree (Document > P per page) points at it, MarkInfo
//            /Marked true, Lang "it-IT", and every font used carries a ToUnicode map.
// A plain PDF gets none of it: every call is then a no-op.
class PdfConformance
{
public:
    PdfConformance(HPDF_Doc doc, PdfType type);

    PdfType type() const { return m_type; }

    // Around the content of each page: after HPDF_AddPage (and the page's initial transform),
    // and once the page's drawing is complete (before the next page is added or the document
    // is saved).
    void beginPage(HPDF_Page page);
    void endPage(HPDF_Page page);

    // A font the document's text uses; it is a TrueType font with the CP1252 encoding.
    void registerFont(HPDF_Font font);

    // Just before HPDF_SaveToFile, after the Info fields (title, dates...) are set.
    // A failing step goes through the document's error handler; without a handler that
    // throws, finish returns false (and leaves libharu's error set). Calling it again does
    // nothing more.
    bool finish();

private:
    void settlePage(HPDF_Page page);
    bool buildStructureTree();
    bool addToUnicodeMaps();
    bool addOutputIntent();
    bool writeMetadata();
    bool fail();

    HPDF_Doc m_doc;
    PdfType m_type;
    std::vector<HPDF_Page> m_pages;
    std::vector<HPDF_Font> m_fonts;
    bool m_pageOpen = false;
    bool m_finished = false;
};

} // namespace spoolar
