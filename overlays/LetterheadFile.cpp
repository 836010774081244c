#include "overlays/LetterheadFile.h"

#include "platform/AsciiCase.h"
#include "platform/IniFile.h"
#include "platform/WinPath.h"

namespace spoolar {

LetterheadSection letterheadSectionKind(std::string_view section)
{
    if (section.find("Testo") != std::string_view::npos)
        return LetterheadSection::Text;
    if (section.find("Immagine") != std::string_view::npos)
        return LetterheadSection::Picture;
    return LetterheadSection::Other;
}

std::string fileNamePart(std::string_view path)
{
    const std::size_t cut = path.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool countsAsJpeg(const std::filesystem::path& picture)
{
    std::string lower = picture.string();
    for (char& c : lower)
        c = lowerAscii(c);
    return lower.find(".jpg") != std::string::npos || lower.find(".jpeg") != std::string::npos;
}

LetterheadFile LetterheadFile::read(const std::filesystem::path& hostFile)
{
    const TIniFile ini(hostFile);
    LetterheadFile def;
    def.horizSize = ini.ReadInteger("Global", "HorizSize", 800);
    def.footerSize = ini.ReadInteger("Global", "FooterSize", 244);
    for (const std::string& section : ini.ReadSections()) {
        switch (letterheadSectionKind(section)) {
        case LetterheadSection::Text: {
            LetterheadText t;
            t.footer = ini.ReadBool(section, "Footer", false);
            t.top = ini.ReadInteger(section, "Top", 0);
            t.left = ini.ReadInteger(section, "Left", 0);
            t.text = ini.ReadString(section, "Text", "");
            t.fontName = ini.ReadString(section, "FontName", "Tahoma");
            t.fontSize = ini.ReadInteger(section, "FontSize", 8);
            t.fontColor = static_cast<TColor>(ini.ReadInteger(section, "FontColor", 0));
            t.fontBold = ini.ReadBool(section, "FontBold", false);
            t.fontItalic = ini.ReadBool(section, "FontItalic", false);
            def.elements.emplace_back(std::move(t));
            break;
        }
        case LetterheadSection::Picture: {
            LetterheadPicture p;
            p.footer = ini.ReadBool(section, "Footer", false);
            p.top = ini.ReadInteger(section, "Top", 0);
            p.left = ini.ReadInteger(section, "Left", 0);
            p.width = ini.ReadInteger(section, "Width", 100);
            p.height = ini.ReadInteger(section, "Height", 100);
            p.imageFile = ini.ReadString(section, "ImageFile", "");
            const std::string name = fileNamePart(p.imageFile);
            if (!name.empty())
                p.file = resolveCaseInsensitive(hostFile.parent_path() / name);
            def.elements.emplace_back(std::move(p));
            break;
        }
        case LetterheadSection::Other:
            break;
        }
    }
    return def;
}

} // namespace spoolar
