#include "overlays/LetterheadDesign.h"

#include "platform/AsciiCase.h"
#include "platform/IniFile.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace spoolar {

bool LetterheadDesign::write(const std::filesystem::path& hostFile) const
{
    std::error_code ec;
    std::filesystem::remove(hostFile, ec);
    TIniFile ini(hostFile);
    ini.WriteInteger("Global", "HorizSize", horizSize);
    ini.WriteInteger("Global", "FooterSize", footerSize);
    for (const DesignedText& element : texts) {
        const LetterheadText& t = element.text;
        const std::string& s = element.name;
        ini.WriteInteger(s, "Footer", t.footer ? 1 : 0);
        ini.WriteInteger(s, "Top", t.top);
        ini.WriteInteger(s, "Left", t.left);
        ini.WriteString(s, "Text", t.text);
        ini.WriteString(s, "FontName", t.fontName);
        ini.WriteInteger(s, "FontSize", t.fontSize);
        ini.WriteInteger(s, "FontColor", static_cast<std::int32_t>(t.fontColor));
        ini.WriteBool(s, "FontBold", t.fontBold);
        ini.WriteBool(s, "FontItalic", t.fontItalic);
    }
    for (const DesignedPicture& element : pictures) {
        const LetterheadPicture& p = element.picture;
        const std::string& s = element.name;
        ini.WriteInteger(s, "Footer", p.footer ? 1 : 0);
        ini.WriteInteger(s, "Top", p.top);
        ini.WriteInteger(s, "Left", p.left);
        ini.WriteInteger(s, "Width", p.width);
        ini.WriteInteger(s, "Height", p.height);
        ini.WriteString(s, "ImageFile", p.imageFile);
    }
    return ini.UpdateFile();
}

namespace {

std::int32_t scaledLeft(const TIniFile& ini, const std::string& section, double factor)
{
    const double left = ini.ReadFloat(section, "Left", 0.0) * factor;
    return static_cast<std::int32_t>(std::clamp(left, double(INT32_MIN), double(INT32_MAX)));
}

} // namespace

LetterheadDesign LetterheadDesign::read(const std::filesystem::path& hostFile,
                                        std::int32_t bandWidth)
{
    const TIniFile ini(hostFile);
    LetterheadDesign design;
    design.horizSize = ini.ReadInteger("Global", "HorizSize", 800);
    design.footerSize = ini.ReadInteger("Global", "FooterSize", 244);
    const double factor = designerLeftFactor(ini.ReadFloat("Global", "HorizSize", 800), bandWidth);
    for (const std::string& section : ini.ReadSections()) {
        if (equalsNoCase(section, "Global"))
            continue;
        const bool footer = ini.ReadInteger(section, "Footer", 0) != 0;
        switch (letterheadSectionKind(section)) {
        case LetterheadSection::Text: {
            DesignedText element{section, {}};
            LetterheadText& t = element.text;
            t.footer = footer;
            t.top = ini.ReadInteger(section, "Top", 0);
            t.left = scaledLeft(ini, section, factor);
            t.text = ini.ReadString(section, "Text", "");
            t.fontName = ini.ReadString(section, "FontName", "Tahoma");
            t.fontSize = ini.ReadInteger(section, "FontSize", 8);
            t.fontColor = static_cast<TColor>(ini.ReadInteger(section, "FontColor", 0));
            t.fontBold = ini.ReadBool(section, "FontBold", false);
            t.fontItalic = ini.ReadBool(section, "FontItalic", false);
            design.texts.push_back(std::move(element));
            break;
        }
        case LetterheadSection::Picture: {
            DesignedPicture element{section, {}};
            LetterheadPicture& p = element.picture;
            p.footer = footer;
            p.top = ini.ReadInteger(section, "Top", 0);
            p.left = scaledLeft(ini, section, factor);
            p.width = ini.ReadInteger(section, "Width", 100);
            p.height = ini.ReadInteger(section, "Height", 100);
            p.imageFile = fileNamePart(ini.ReadString(section, "ImageFile", ""));
            if (!p.imageFile.empty()) {
                const std::filesystem::path file =
                    resolveCaseInsensitive(hostFile.parent_path() / p.imageFile);
                if (std::filesystem::is_regular_file(file))
                    p.file = file;
            }
            design.pictures.push_back(std::move(element));
            break;
        }
        case LetterheadSection::Other:
            break;
        }
    }
    return design;
}

double designerLeftFactor(double horizSize, std::int32_t bandWidth)
{
    if (horizSize <= 0 || bandWidth <= 0 || horizSize == bandWidth)
        return 1.0;
    return bandWidth / horizSize;
}

std::string nextElementName(std::string_view prefix, const std::vector<std::string>& taken)
{
    for (int n = 1;; ++n) {
        std::string name = std::string(prefix) + std::to_string(n);
        const bool used = std::any_of(taken.begin(), taken.end(), [&name](const std::string& t) {
            return equalsNoCase(t, name);
        });
        if (!used)
            return name;
    }
}

} // namespace spoolar
