#pragma once
#include <hpdf.h>

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace spoolar {

class FontRegistry;

// The two family factors of the PDF target: line factor and x-height divisor.
struct FamilyFactors
{
    float lineFactor = 0.96f;
    float xHeightDivisor = 1.386667f;
};

FamilyFactors familyFactors(std::string_view family);

// PDF font cache: the four variants (regular, bold, italic, bold italic) of each family loaded
// into one libharu document, by upper-cased family name. The handles belong to the document.
class TPdfFonts
{
public:
    explicit TPdfFonts(const FontRegistry& registry) : m_registry(registry) {}

    // Loads the family's TrueType files (embedded, CP1252) once per document. Slots without a
    // file stay empty. Returns the font handles it loaded now.
    std::vector<HPDF_Font> LoadFamily(HPDF_Doc doc, std::string_view family);
    // The variant, falling back to bold (for bold) or regular; null when the family is absent.
    HPDF_Font GetFont(std::string_view family, bool bold, bool italic) const;
    void Clear() { m_families.clear(); }

    static void SetFillColor(HPDF_Page page, std::uint32_t colour);
    static void SetStrokeColor(HPDF_Page page, std::uint32_t colour);

private:
    const FontRegistry& m_registry;
    std::vector<std::pair<std::string, std::array<HPDF_Font, 4>>> m_families;
};

} // namespace spoolar
