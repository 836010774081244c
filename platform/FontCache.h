#pragma once
#include "platform/Metafile.h"

#include <QFont>
#include <QRawFont>
#include <QString>

#include <string_view>
#include <vector>

namespace spoolar {

// A logical font made concrete: the Qt font at its pixel size and the numbers the recorder and
// the replay need, all in dots. Never changes once built.
struct ResolvedFont
{
    QFont font;
    QRawFont raw;    // the same font for drawing glyphs at given positions
    int ascent = 0;  // distance of the baseline below the top of the character cell
    int descent = 0; // distance of the bottom of the cell below the baseline
    // Horizontal stretch of the glyphs, for a logical font with an average character width.
    double xScale = 1.0;
};

// The character height in dots of the default font (12 pt) at a resolution.
int defaultFontHeight(int dpi);

// The logical font with a height of 0 replaced by the default size at the resolution.
LogFont withDefaultHeight(const LogFont& font, int dpi);

// The resolved font of a logical font, built once and kept for the life of the program (safe to
// call from any thread). A height of 0 means the default size at the given resolution.
const ResolvedFont& resolveFont(const LogFont& font, int dpi = 600);

// The distance in dots the replay moves along the baseline when it draws CP1252 text: as GDI
// does, the sum of each character's advance at the font's pixel size, stretched as the font
// asks and rounded to whole dots.
double textAdvance(const LogFont& font, std::string_view ansi, int dpi = 600);

// Where each character starts along the baseline, in dots from the first.
std::vector<double> characterOffsets(const LogFont& font, std::string_view ansi, int dpi = 600);

// CP1252 bytes as they are drawn: control characters become spaces, as a fixed-pitch printer
// font shows them blank, so that what is measured is what is drawn.
QString displayText(std::string_view ansi);

} // namespace spoolar
