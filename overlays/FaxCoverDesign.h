#pragma once
#include "platform/IniFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace spoolar {

// A font of the cover as the designer keeps it.
struct FaxCoverDesignFont
{
    std::string name = "Courier new";
    std::int32_t size = 10;
    bool bold = false;
    bool italic = false;
};

// A place in designer pixels; -1 on an axis means "not stored".
struct FaxCoverPlace
{
    std::int32_t top = -1;
    std::int32_t left = -1;
};

// FaxCover.ini as the fax cover designer edits it: the two fonts, the two factors (× 10, as
// the up-down controls show them) and the captions with their visibility. The file stays open
// for the designer's whole life; every write goes to it and save() puts it on disk.
class FaxCoverDesign
{
public:
    static constexpr std::int32_t MinFactor = 10;
    static constexpr std::int32_t MaxFactor = 200;

    struct Caption
    {
        std::string text; // Windows-1252
        bool visible = false;
    };

    explicit FaxCoverDesign(std::filesystem::path faxCoverIni);

    FaxCoverDesignFont labelFont;
    FaxCoverDesignFont fieldFont;
    std::int32_t factorLand = 10;
    std::int32_t factorPort = 10;
    std::vector<Caption> captions; // LABEL0, LABEL1, ... up to the first missing number

    // The stored place of a box: section LABELn or FIELDn.
    FaxCoverPlace storedPlace(const std::string& section) const;
    // Writes Top, Left and Visible of one box (section named after the box in upper case).
    void writeBox(const std::string& section, std::int32_t top, std::int32_t left, bool visible);
    // Writes the fonts and factors and puts the file on disk; false when it could not be
    // written.
    [[nodiscard]] bool save();

    // Where the caption box of caption n goes: its stored place, or one row of boxes per
    // caption from the top (n × (box height + 5) + 10) at the left edge (10).
    static FaxCoverPlace captionPlace(FaxCoverPlace stored, int n, int boxHeight);
    // Where the value box goes: its stored place, or 10 pixels to the right of the caption box
    // (on a multiple of 5) in the caption's row.
    static FaxCoverPlace fieldPlace(FaxCoverPlace stored, int n, int boxHeight,
                                    FaxCoverPlace captionBox, int captionWidth);
    // A factor as the up-down shows it: × 10, truncated, kept within 10..200.
    static std::int32_t factorTimesTen(double factor);

private:
    static FaxCoverDesignFont readFont(const TIniFile& ini, const char* section, bool bold);
    void writeFont(const char* section, const FaxCoverDesignFont& font);

    TIniFile m_ini;
};

} // namespace spoolar
