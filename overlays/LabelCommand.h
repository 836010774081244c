#pragma once
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spoolar {

// A label command of a job: text, font face, size in points, bold, x and y in millimetres and
// the angle in degrees, as a delimited list of exactly 7 items.
struct LabelRequest
{
    std::string text; // Windows-1252
    std::string face;
    std::int32_t size = 10;
    bool bold = false;
    std::int32_t xMm = 0;
    std::int32_t yMm = 0;
    std::int32_t angle = 0;
};

std::optional<LabelRequest> parseLabelCommand(std::string_view parameter);

// The label drawn black on white into a bitmap, at the screen's resolution with the font size
// multiplied by the printer's dots per screen dot. The text is turned about the corner of its
// first character cell, placed so that the turned text box starts at (0, 0): (0, 0) at 0
// degrees, (0, h) at 90 and (w, 0) at 270, and the same rule for every other angle. The bitmap
// is w plus the width of "W" wide and h high.
struct LabelBitmap
{
    QImage bitmap;
    std::int32_t width = 0;  // w: width of the turned text box
    std::int32_t height = 0; // h: height of the turned text box
};

LabelBitmap renderLabel(const LabelRequest& label, std::int32_t dpiX, int screenDpi);

} // namespace spoolar
