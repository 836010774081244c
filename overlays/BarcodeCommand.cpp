#include "overlays/BarcodeCommand.h"

#include "overlays/BarcodeKinds.h"
#include "overlays/CommandFields.h"
#include "platform/AsciiCase.h"
#include "platform/CodePage.h"
#include "platform/MulDiv.h"
#include "platform/SplitString.h"

#include <zint.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace spoolar {

namespace {

constexpr int kUtf8Eci = 26;
constexpr double kLargestSide = 10000;

struct SymbolDeleter
{
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using SymbolPtr = std::unique_ptr<zint_symbol, SymbolDeleter>;

// The library draws a module 2 x scale pixels wide, and never narrower than one pixel; its
// height is counted in modules. The height asked for is in pixels.
float heightInModules(float pixels, double scale)
{
    return pixels / static_cast<float>(2 * std::max(scale, 0.5));
}

// Encodes and rasterises; the library's message when that fails. A symbol whose modules alone
// would make it larger than kLargestSide pixels is refused before its bitmap is made: the scale
// comes from the job, and a scale of 100 would ask for gigabytes.
std::optional<std::string> render(zint_symbol* symbol, const std::string& utf8, double scale)
{
    ZBarcode_Clear(symbol);
    int result = ZBarcode_Encode(symbol, reinterpret_cast<const unsigned char*>(utf8.data()),
                                 static_cast<int>(utf8.size()));
    if (result < ZINT_ERROR) {
        const double module = 2 * std::max(scale, 0.5);
        if (symbol->width * module > kLargestSide || symbol->rows * module > kLargestSide ||
            symbol->height * module > kLargestSide)
            return "Barcode troppo grande per la pagina";
        result = ZBarcode_Buffer(symbol, 0);
    }
    if (result >= ZINT_ERROR || !symbol->bitmap || symbol->bitmap_width <= 0 ||
        symbol->bitmap_height <= 0) {
        std::string message = symbol->errtxt;
        if (message.empty())
            message = "Errore " + std::to_string(result) + " nella creazione del barcode";
        return message;
    }
    return std::nullopt;
}

} // namespace

std::optional<BarcodeRequest> parseBarcodeCommand(std::string_view parameter)
{
    const std::vector<std::string> fields = SplitString(parameter, ";", SplitTrim::Trim);
    if (fields.size() != 6 && fields.size() != 8)
        return std::nullopt;
    BarcodeRequest r;
    r.kindKey = upperAscii(fields[0]);
    r.data = fields[1];
    r.scale = leadingNumber(fields[3]);
    r.heightMm = integerField(fields[4], 15);
    r.showText = integerField(fields[5], 1) != 0;
    if (fields.size() == 8) {
        r.positioned = true;
        r.xMm = integerField(fields[6], 0);
        r.yMm = integerField(fields[7], 0);
    }
    return r;
}

std::string barcodeData(int kind, std::string_view data)
{
    if (kind != kQrCodeKind)
        return std::string(data);
    std::string out;
    for (const char c : data) {
        if (c == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out += c;
    }
    return out;
}

BarcodeRendering renderBarcode(int kind, std::string_view data, double scale,
                               std::int32_t heightUnits, bool showText)
{
    BarcodeRendering out;
    SymbolPtr symbol(ZBarcode_Create());
    if (!symbol) {
        out.error = "Memoria insufficiente per il barcode";
        return out;
    }
    symbol->symbology = barcodeKind(kind).symbology;
    symbol->show_hrt = showText ? 1 : 0;
    symbol->scale = static_cast<float>(scale);
    symbol->height = heightInModules(static_cast<float>(heightUnits), scale);
    symbol->input_mode = UNICODE_MODE;
    symbol->eci = kind == kQrCodeKind ? kUtf8Eci : 0;
    const std::string utf8 = ansiToUtf8(barcodeData(kind, data));

    if (auto error = render(symbol.get(), utf8, scale)) {
        out.error = *error;
        return out;
    }
    if (isHeightCorrectedKind(kind) && heightUnits > 0) {
        const std::int32_t ratio = MulDiv(symbol->bitmap_height, 1, heightUnits);
        // A ratio of 1 would render the same again; below 1 there is nothing to divide by.
        if (ratio > 1) {
            symbol->height = heightInModules(static_cast<float>(heightUnits) / ratio, scale);
            if (auto error = render(symbol.get(), utf8, scale)) {
                out.error = *error;
                return out;
            }
        }
    }
    const int w = symbol->bitmap_width;
    const int h = symbol->bitmap_height;
    QImage image(w, h, QImage::Format_RGB888);
    if (image.isNull()) {
        out.error = "Memoria insufficiente per il barcode";
        return out;
    }
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), symbol->bitmap + static_cast<std::size_t>(y) * w * 3,
                    static_cast<std::size_t>(w) * 3);
    out.image = std::move(image);
    return out;
}

} // namespace spoolar
