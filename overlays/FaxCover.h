#pragma once
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

class TMetafile;
class TMetafileCanvas;

// A font of the fax cover: face, size in points before scaling, style.
struct FaxCoverFont
{
    std::string name;
    std::int32_t size = 14;
    bool bold = false;
    bool italic = false;
};

// One caption of the cover (section LABELn) with the place of its value (section FIELDn).
struct FaxCoverCaption
{
    std::string text;
    bool visible = false;
    std::int32_t top = 0;
    std::int32_t left = 0;
    bool note = false;
    bool fixed = false;
    std::string fixedText;
    bool pagine = false;
    bool data = false;
    std::int32_t fieldTop = 0;
    std::int32_t fieldLeft = 0;
};

// FaxCover.ini as the engine reads it. The captions run from LABEL0 up to the first missing
// number; missing keys take the engine's defaults (the job's font face for the fonts).
struct FaxCoverLayout
{
    FaxCoverFont labelFont;
    FaxCoverFont fieldFont;
    double scalePortrait = 1.0;
    double scaleLandscape = 1.0;
    std::vector<FaxCoverCaption> captions;

    static FaxCoverLayout read(const std::filesystem::path& faxCoverIni,
                               const std::string& jobFontName);
};

// What the cover shows of the job and where it is drawn.
struct FaxCoverJob
{
    bool landscape = false;
    std::int32_t printableWidth = 0;
    std::int32_t pageCount = 0; // the pages of the list, the cover included
    std::tm now{};              // local time
    int screenDpi = 96;
};

// "dd.mm.yyyy - hh:nn:ss", whatever the locale.
std::string faxCoverDate(const std::tm& local);

// The lines a note value is drawn as: cut at every "|", each piece trimmed, then each line
// wrapped at its last blank before it grows wider than the limit (a single word wider than the
// limit is cut at the limit, after at least one character). One entry per line drawn, empty
// lines included, since each of them moves the next line down.
std::vector<std::string> wrapNote(std::string_view value, std::int32_t limit,
                                  const std::function<std::int32_t(std::string_view)>& widthOf);

// Draws the captions and values of the layout on a cover page; the values of the job come from
// section Fields of its cover file (a missing file or key gives an empty value).
void drawFaxCover(TMetafileCanvas& canvas, const FaxCoverLayout& layout,
                  const std::filesystem::path& coverFile, const FaxCoverJob& job);

// The printer page a cover is laid out for, in dots, as the job's pages are.
struct FaxCoverTarget
{
    int pageWidth = 0;
    int pageHeight = 0;
    int dpiX = 600;
    int dpiY = 600;
    int margin = 0;
    bool landscape = false;
};

// The fax cover operation: a white page recorded for the printer, put in front of the pages
// (so that the page count it shows includes it), with the layout of FaxCover.ini drawn on it.
// A missing FaxCover.ini gives a blank cover page.
void addFaxCoverPage(std::vector<std::unique_ptr<TMetafile>>& pages, const FaxCoverTarget& target,
                     const std::filesystem::path& faxCoverIni,
                     const std::filesystem::path& coverFile, const std::string& jobFontName,
                     const std::tm& now, int screenDpi);

} // namespace spoolar
