#pragma once
#include "platform/Colour.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace spoolar {

// A text of a letterhead, in designer pixels.
struct LetterheadText
{
    bool footer = false;
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::string text; // Windows-1252
    std::string fontName = "Tahoma";
    std::int32_t fontSize = 8;
    TColor fontColor = clBlack; // may be a system colour (0xFF000000 + index)
    bool fontBold = false;
    bool fontItalic = false;
};

// A picture of a letterhead, in designer pixels. The file is always looked for in the folder of
// the definition, whatever folder the ImageFile value names.
struct LetterheadPicture
{
    bool footer = false;
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t width = 100;
    std::int32_t height = 100;
    std::string imageFile;      // the value as written
    std::filesystem::path file; // host path of the picture beside the definition
};

using LetterheadElement = std::variant<LetterheadText, LetterheadPicture>;

enum class LetterheadSection
{
    Text,
    Picture,
    Other
};

// "Testo" anywhere in the name makes a text, else "Immagine" a picture (both case-sensitive).
LetterheadSection letterheadSectionKind(std::string_view section);

// The file-name part of a Windows or host path ("C:\Loghi\logo.bmp" -> "logo.bmp").
std::string fileNamePart(std::string_view path);

// A picture is decoded as JPEG when its lower-cased full path contains ".jpg" or ".jpeg".
bool countsAsJpeg(const std::filesystem::path& picture);

// A letterhead definition (.hdr) as the engine reads it: the design width, the footer band and
// the elements in the order of their sections.
struct LetterheadFile
{
    std::int32_t horizSize = 800;
    std::int32_t footerSize = 244;
    std::vector<LetterheadElement> elements;

    // A missing file reads as a definition without elements.
    static LetterheadFile read(const std::filesystem::path& hostFile);
};

} // namespace spoolar
