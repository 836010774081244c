#pragma once
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace spoolar {

// A barcode command of a job: "kind;data;-;scale;height mm;show text[;x mm;y mm]".
struct BarcodeRequest
{
    std::string kindKey; // field 1 in upper case, blanks inside kept
    std::string data;    // Windows-1252
    double scale = 0;
    std::int32_t heightMm = 15;
    bool showText = true;
    bool positioned = false; // the 8-field form
    std::int32_t xMm = -1;
    std::int32_t yMm = 0;
};

// The command's fields; nothing unless there are exactly 6 or 8.
std::optional<BarcodeRequest> parseBarcodeCommand(std::string_view parameter);

// The data a kind encodes: for QR Code every run of blanks becomes one blank.
std::string barcodeData(int kind, std::string_view data);

// A symbol rendered as a bitmap, one pixel per device unit, or the barcode library's message.
struct BarcodeRendering
{
    QImage image;
    std::string error; // set when nothing could be rendered
};

// Renders a kind of the kind list with the data (Windows-1252, sent as UTF-8; QR Code with the
// UTF-8 extended channel interpretation) at a scale and a height in device units. Kinds whose
// height is corrected are rendered a second time at the height divided by the ratio of the
// first rendering's height to the one asked for (when that ratio is 2 or more).
BarcodeRendering renderBarcode(int kind, std::string_view data, double scale,
                               std::int32_t heightUnits, bool showText);

} // namespace spoolar
