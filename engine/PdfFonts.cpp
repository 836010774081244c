#include "engine/PdfFonts.h"

#include "platform/AsciiCase.h"
#include "platform/Colour.h"
#include "platform/FontRegistry.h"

#include <algorithm>
#include <cctype>

namespace spoolar {

namespace {
int slotOf(const std::string& upperName)
{
    const bool bold = upperName.find("BOLD") != std::string::npos;
    const bool italic = upperName.find("ITALIC") != std::string::npos ||
                        upperName.find("OBLIQUE") != std::string::npos;
    return (bold ? 1 : 0) + (italic ? 2 : 0);
}
} // namespace

FamilyFactors familyFactors(std::string_view family)
{
    const std::string name = upperAscii(family);
    if (name.find("CONSOLAS") != std::string::npos)
        return {1.146789f, 1.5f};
    if (name.find("BITSTREAM") != std::string::npos)
        return {0.951220f, 1.974468f};
    return {0.96f, 1.386667f};
}

void TPdfFonts::LoadFamily(HPDF_Doc doc, std::string_view family)
{
    const std::string key = upperAscii(family);
    for (const Family& entry : m_families) {
        if (entry.key == key)
            return;
    }
    Family entry;
    entry.key = key;
    entry.doc = doc;
    for (const FontRegistryValue& value : m_registry.valuesFor(family)) {
        const std::string name = upperAscii(value.name);
        if (name.find(key) == std::string::npos)
            continue;
        entry.files[static_cast<std::size_t>(slotOf(name))] = value.file;
    }
    m_families.push_back(std::move(entry));
}

HPDF_Font TPdfFonts::load(Family& family, std::size_t slot)
{
    if (family.fonts[slot] || family.files[slot].empty())
        return family.fonts[slot];
    const char* fontName =
        HPDF_LoadTTFontFromFile(family.doc, family.files[slot].c_str(), HPDF_TRUE);
    HPDF_Font font = fontName ? HPDF_GetFont(family.doc, fontName, "CP1252") : nullptr;
    family.fonts[slot] = font;
    if (font && m_fontLoaded)
        m_fontLoaded(font);
    return font;
}

HPDF_Font TPdfFonts::GetFont(std::string_view family, bool bold, bool italic)
{
    const std::string key = upperAscii(family);
    for (Family& entry : m_families) {
        if (entry.key != key)
            continue;
        std::size_t slot = static_cast<std::size_t>((bold ? 1 : 0) + (italic ? 2 : 0));
        if (entry.files[slot].empty())
            slot = bold ? 1 : 0;
        return load(entry, slot);
    }
    return nullptr;
}

void TPdfFonts::SetFillColor(HPDF_Page page, std::uint32_t colour)
{
    HPDF_Page_SetRGBFill(page, static_cast<HPDF_REAL>(redOf(colour) / 255.0),
                         static_cast<HPDF_REAL>(greenOf(colour) / 255.0),
                         static_cast<HPDF_REAL>(blueOf(colour) / 255.0));
}

void TPdfFonts::SetStrokeColor(HPDF_Page page, std::uint32_t colour)
{
    HPDF_Page_SetRGBStroke(page, static_cast<HPDF_REAL>(redOf(colour) / 255.0),
                           static_cast<HPDF_REAL>(greenOf(colour) / 255.0),
                           static_cast<HPDF_REAL>(blueOf(colour) / 255.0));
}

} // namespace spoolar
