#pragma once
#include <hpdf.h>

#include <array>
#include <filesystem>
#include <functional>
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

// PDF font cache: the four variants (regular, bold, italic, bold italic) of each family for one
// libharu document, by upper-cased family name. A variant's TrueType file (embedded, CP1252) is
// loaded the first time the variant is asked for, so a document carries only the fonts its text
// uses. The handles belong to the document.
class TPdfFonts
{
public:
    explicit TPdfFonts(const FontRegistry& registry) : m_registry(registry) {}

    // Finds the family's files, once per document. Slots without a file stay empty.
    void LoadFamily(HPDF_Doc doc, std::string_view family);
    // The variant, falling back to bold (for bold) or regular when its slot has no file; null
    // when the family is absent. A file libharu cannot load raises the libharu error.
    HPDF_Font GetFont(std::string_view family, bool bold, bool italic);
    void Clear() { m_families.clear(); }
    // Called with every font handle loaded into the document.
    void setFontLoaded(std::function<void(HPDF_Font)> callback)
    {
        m_fontLoaded = std::move(callback);
    }

    static void SetFillColor(HPDF_Page page, std::uint32_t colour);
    static void SetStrokeColor(HPDF_Page page, std::uint32_t colour);

private:
    struct Family
    {
        std::string key;
        HPDF_Doc doc = nullptr;
        std::array<std::filesystem::path, 4> files;
        std::array<HPDF_Font, 4> fonts{};
    };
    HPDF_Font load(Family& family, std::size_t slot);

    const FontRegistry& m_registry;
    std::vector<Family> m_families;
    std::function<void(HPDF_Font)> m_fontLoaded;
};

} // namespace spoolar
