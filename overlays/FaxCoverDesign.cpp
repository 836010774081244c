#include "overlays/FaxCoverDesign.h"

#include "overlays/DesignerSteps.h"

#include <algorithm>
#include <cmath>

namespace spoolar {

FaxCoverDesign::FaxCoverDesign(std::filesystem::path faxCoverIni) : m_ini(std::move(faxCoverIni))
{
    labelFont = readFont(m_ini, "FONTLABEL", false);
    fieldFont = readFont(m_ini, "FONTFIELD", true);
    factorLand = factorTimesTen(m_ini.ReadFloat("FONTLABEL", "FontScaleFactorLand", 1.0));
    factorPort = factorTimesTen(m_ini.ReadFloat("FONTLABEL", "FontScaleFactorPort", 1.0));
    for (int n = 0;; ++n) {
        const std::string section = "LABEL" + std::to_string(n);
        if (!m_ini.SectionExists(section))
            break;
        captions.push_back({m_ini.ReadString(section, "Text", "Label"),
                            m_ini.ReadBool(section, "Visible", false)});
    }
}

FaxCoverDesignFont FaxCoverDesign::readFont(const TIniFile& ini, const char* section, bool bold)
{
    FaxCoverDesignFont font;
    font.name = ini.ReadString(section, "Name", "Courier new");
    font.size = ini.ReadInteger(section, "Size", 10);
    font.bold = ini.ReadBool(section, "Bold", bold);
    font.italic = ini.ReadBool(section, "Italic", false);
    return font;
}

void FaxCoverDesign::writeFont(const char* section, const FaxCoverDesignFont& font)
{
    m_ini.WriteString(section, "Name", font.name);
    m_ini.WriteInteger(section, "Size", font.size);
    m_ini.WriteBool(section, "Bold", font.bold);
    m_ini.WriteBool(section, "Italic", font.italic);
}

FaxCoverPlace FaxCoverDesign::storedPlace(const std::string& section) const
{
    return {m_ini.ReadInteger(section, "Top", -1), m_ini.ReadInteger(section, "Left", -1)};
}

void FaxCoverDesign::writeBox(const std::string& section, std::int32_t top, std::int32_t left,
                              bool visible)
{
    m_ini.WriteInteger(section, "Top", top);
    m_ini.WriteInteger(section, "Left", left);
    m_ini.WriteBool(section, "Visible", visible);
}

bool FaxCoverDesign::save()
{
    writeFont("FONTLABEL", labelFont);
    m_ini.WriteFloat("FONTLABEL", "FontScaleFactorLand", factorLand / 10.0);
    m_ini.WriteFloat("FONTLABEL", "FontScaleFactorPort", factorPort / 10.0);
    writeFont("FONTFIELD", fieldFont);
    return m_ini.UpdateFile();
}

FaxCoverPlace FaxCoverDesign::captionPlace(FaxCoverPlace stored, int n, int boxHeight)
{
    return {stored.top < 0 ? n * (boxHeight + 5) + 10 : stored.top,
            stored.left < 0 ? 10 : stored.left};
}

FaxCoverPlace FaxCoverDesign::fieldPlace(FaxCoverPlace stored, int n, int boxHeight,
                                         FaxCoverPlace captionBox, int captionWidth)
{
    return {stored.top < 0 ? n * (boxHeight + 5) + 10 : stored.top,
            stored.left < 0 ? roundUpToFive(captionBox.left + captionWidth + 10) : stored.left};
}

std::int32_t FaxCoverDesign::factorTimesTen(double factor)
{
    // Truncated; an up-down cannot show a value outside its range, so one beyond it shows (and
    // is saved) at the nearest limit.
    const double tenths = std::trunc(factor * 10.0);
    return static_cast<std::int32_t>(std::clamp(tenths, double(MinFactor), double(MaxFactor)));
}

} // namespace spoolar
