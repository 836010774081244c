#include "overlays/FaxCover.h"

#include "platform/IniFile.h"
#include "platform/Metafile.h"
#include "platform/MulDiv.h"
#include "platform/SplitString.h"

#include <cstdio>

namespace spoolar {

namespace {

FaxCoverFont readFont(const TIniFile& ini, std::string_view section, const std::string& face)
{
    FaxCoverFont font;
    font.name = ini.ReadString(section, "Name", face);
    font.size = ini.ReadInteger(section, "Size", 14);
    font.bold = ini.ReadBool(section, "Bold", false);
    font.italic = ini.ReadBool(section, "Italic", false);
    return font;
}

// The font at its scaled size in points, turned into a character height at the screen's
// resolution; black, the colour of a new font.
LogFont coverFont(const FaxCoverFont& font, double factor, int screenDpi)
{
    LogFont f;
    f.family = font.name;
    f.height = -MulDiv(static_cast<std::int32_t>(font.size * factor), screenDpi, 72);
    f.bold = font.bold;
    f.italic = font.italic;
    return f;
}

} // namespace

FaxCoverLayout FaxCoverLayout::read(const std::filesystem::path& faxCoverIni,
                                    const std::string& jobFontName)
{
    const TIniFile ini(faxCoverIni);
    FaxCoverLayout layout;
    layout.labelFont = readFont(ini, "FONTLABEL", jobFontName);
    layout.fieldFont = readFont(ini, "FONTFIELD", jobFontName);
    layout.scalePortrait = ini.ReadFloat("FONTLABEL", "FontScaleFactorPort", 1.0);
    layout.scaleLandscape = ini.ReadFloat("FONTLABEL", "FontScaleFactorLand", 1.0);
    for (int n = 0;; ++n) {
        const std::string label = "LABEL" + std::to_string(n);
        if (!ini.SectionExists(label))
            break;
        const std::string field = "FIELD" + std::to_string(n);
        FaxCoverCaption c;
        c.text = ini.ReadString(label, "Text", "");
        c.visible = ini.ReadBool(label, "Visible", false);
        c.top = ini.ReadInteger(label, "Top", 0);
        c.left = ini.ReadInteger(label, "Left", 0);
        c.note = ini.ReadBool(label, "Note", false);
        c.fixed = ini.ReadBool(label, "Fixed", false);
        c.fixedText = ini.ReadString(label, "FixedText", "");
        c.pagine = ini.ReadBool(label, "Pagine", false);
        c.data = ini.ReadBool(label, "Data", false);
        c.fieldTop = ini.ReadInteger(field, "Top", 0);
        c.fieldLeft = ini.ReadInteger(field, "Left", 0);
        layout.captions.push_back(std::move(c));
    }
    return layout;
}

std::string faxCoverDate(const std::tm& t)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d - %02d:%02d:%02d", t.tm_mday, t.tm_mon + 1,
                  t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::vector<std::string> wrapNote(std::string_view value, std::int32_t limit,
                                  const std::function<std::int32_t(std::string_view)>& widthOf)
{
    std::vector<std::string> lines = SplitString(value, "|", SplitTrim::Trim);
    std::vector<std::string> drawn;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = lines[i];
        std::string output;
        std::size_t lastBlank = std::string::npos;
        for (std::size_t j = 0; j < line.size(); ++j) {
            output += line[j];
            if (line[j] == ' ')
                lastBlank = j;
            if (widthOf(output) <= limit)
                continue;
            std::size_t cut = 0;
            std::size_t rest = 0;
            if (lastBlank != std::string::npos) {
                cut = lastBlank;
                rest = lastBlank + 1;
            } else {
                // One word wider than the line: cut it where it stops fitting.
                cut = std::max<std::size_t>(j, 1);
                rest = cut;
            }
            output = line.substr(0, cut);
            if (rest < line.size())
                lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, line.substr(rest));
            break;
        }
        drawn.push_back(std::move(output));
    }
    return drawn;
}

void drawFaxCover(TMetafileCanvas& canvas, const FaxCoverLayout& layout,
                  const std::filesystem::path& coverFile, const FaxCoverJob& job)
{
    const TIniFile values(coverFile);
    const double f = job.landscape ? layout.scaleLandscape : layout.scalePortrait;
    const LogFont labelFont = coverFont(layout.labelFont, f, job.screenDpi);
    const LogFont fieldFont = coverFont(layout.fieldFont, f, job.screenDpi);
    canvas.setFontColour(clBlack);

    for (std::size_t n = 0; n < layout.captions.size(); ++n) {
        const FaxCoverCaption& c = layout.captions[n];
        if (!c.visible)
            continue;
        canvas.setFont(labelFont);
        canvas.textOut(static_cast<int>(c.left * f), static_cast<int>(c.top * f), c.text);

        const int x = static_cast<int>(c.fieldLeft * f);
        int y = static_cast<int>(c.fieldTop * f);
        canvas.setFont(fieldFont);
        const std::string jobValue = values.ReadString("Fields", "FIELD" + std::to_string(n), "");
        if (c.note) {
            const std::int32_t limit = job.printableWidth - x - 50;
            const std::string value = c.fixed ? c.fixedText : jobValue;
            const int spacing = static_cast<int>(10 * f);
            for (const std::string& line :
                 wrapNote(value, limit, [&](std::string_view s) { return canvas.textWidth(s); })) {
                if (!line.empty())
                    canvas.textOut(x, y, line);
                y += canvas.textHeight(line) + spacing;
            }
            continue;
        }
        std::string value;
        if (c.pagine) {
            char text[64];
            std::snprintf(text, sizeof text, "%d (compresa la presente)", job.pageCount);
            value = text;
        } else if (c.fixed) {
            value = c.fixedText;
        } else if (c.data) {
            value = faxCoverDate(job.now);
        } else {
            value = jobValue;
        }
        canvas.textOut(x, y, value);
    }
}

void addFaxCoverPage(std::vector<std::unique_ptr<TMetafile>>& pages, const FaxCoverTarget& target,
                     const std::filesystem::path& faxCoverIni,
                     const std::filesystem::path& coverFile, const std::string& jobFontName,
                     const std::tm& now, int screenDpi)
{
    auto page =
        std::make_unique<TMetafile>(target.pageWidth, target.pageHeight, target.dpiX, target.dpiY);
    TMetafile& cover = *page;
    pages.insert(pages.begin(), std::move(page));
    TMetafileCanvas canvas(cover);
    canvas.setBrushColour(clWhite);
    canvas.fillRect(canvas.clipRect());
    canvas.fontRef().family = jobFontName;

    FaxCoverJob job;
    job.landscape = target.landscape;
    job.printableWidth = target.pageWidth - 2 * target.margin;
    job.pageCount = static_cast<std::int32_t>(pages.size());
    job.now = now;
    job.screenDpi = screenDpi;
    drawFaxCover(canvas, FaxCoverLayout::read(faxCoverIni, jobFontName), coverFile, job);
}

} // namespace spoolar
