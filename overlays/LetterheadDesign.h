#pragma once
#include "overlays/LetterheadFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

// The colour the letterhead designer gives new texts: the default text colour of its controls,
// stored as a system colour (the engine draws it black).
constexpr TColor clWindowText = 0xFF000008;

// A text of the designer with the name of its section.
struct DesignedText
{
    std::string name;
    LetterheadText text;
};

// A picture of the designer with the name of its section; picture.imageFile is the file name
// alone, picture.file the host path it was loaded from (empty when it was not found).
struct DesignedPicture
{
    std::string name;
    LetterheadPicture picture;
};

// A letterhead definition as the designer reads and writes it.
struct LetterheadDesign
{
    std::int32_t horizSize = 800;
    std::int32_t footerSize = 244;
    std::vector<DesignedText> texts;
    std::vector<DesignedPicture> pictures;

    // Deletes the file, then writes Global, every text and every picture with all their keys.
    // False when the file could not be written.
    [[nodiscard]] bool write(const std::filesystem::path& hostFile) const;

    // Reads a definition for a heading band `bandWidth` pixels wide. Left values are decimal
    // numbers, multiplied by the left factor (designerLeftFactor) and truncated; Top is never
    // rescaled. Pictures are looked for in the definition's folder under the file-name part of
    // ImageFile. Sections other than Global, texts and pictures are skipped.
    static LetterheadDesign read(const std::filesystem::path& hostFile, std::int32_t bandWidth);
};

// The factor that keeps the texts of a definition written for a band `horizSize` pixels wide
// at the same place of the page on a band `bandWidth` pixels wide: bandWidth / horizSize
// (1 when they are equal or either is not positive).
double designerLeftFactor(double horizSize, std::int32_t bandWidth);

// The name of a new element: the prefix ("Testo", "Immagine") with the lowest number from 1
// up that no name in `taken` has, so that no two elements ever share a section.
std::string nextElementName(std::string_view prefix, const std::vector<std::string>& taken);

} // namespace spoolar
