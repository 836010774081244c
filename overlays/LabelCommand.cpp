#include "overlays/LabelCommand.h"

#include "overlays/CommandFields.h"
#include "platform/Metafile.h"
#include "platform/MulDiv.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace spoolar {

namespace {

// Cosine and sine of an angle in whole degrees, exact at the multiples of 90.
std::pair<double, double> turn(std::int32_t degrees)
{
    const int a = ((degrees % 360) + 360) % 360;
    switch (a) {
    case 0:
        return {1, 0};
    case 90:
        return {0, 1};
    case 180:
        return {-1, 0};
    case 270:
        return {0, -1};
    default: {
        const double r = a * std::numbers::pi / 180;
        return {std::cos(r), std::sin(r)};
    }
    }
}

} // namespace

std::optional<LabelRequest> parseLabelCommand(std::string_view parameter)
{
    const std::vector<std::string> items = delimitedItems(parameter, ';');
    if (items.size() != 7)
        return std::nullopt;
    LabelRequest r;
    r.text = items[0];
    r.face = items[1];
    r.size = integerField(items[2], 10);
    r.bold = integerField(items[3], 0) != 0;
    r.xMm = integerField(items[4], 0);
    r.yMm = integerField(items[5], 0);
    r.angle = integerField(items[6], 0);
    return r;
}

LabelBitmap renderLabel(const LabelRequest& label, std::int32_t dpiX, int screenDpi)
{
    const auto k = static_cast<std::int32_t>(
        std::nearbyint(static_cast<double>(dpiX) / (screenDpi > 0 ? screenDpi : 96)));
    LogFont font;
    font.family = label.face;
    font.height = -MulDiv(label.size * k, screenDpi, 72);
    font.bold = label.bold;
    font.escapement = static_cast<int>(label.angle * 10);

    // The text's cell, turned counter-clockwise about its top-left corner (y grows downwards).
    const double textWidth = measureTextWidth(font, label.text);
    const double cellHeight = measureTextHeight(font);
    const auto [c, s] = turn(label.angle);
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const auto& [x, y] : {std::pair{textWidth, 0.0}, std::pair{0.0, cellHeight},
                               std::pair{textWidth, cellHeight}}) {
        const double tx = x * c + y * s;
        const double ty = -x * s + y * c;
        minX = std::min(minX, tx);
        maxX = std::max(maxX, tx);
        minY = std::min(minY, ty);
        maxY = std::max(maxY, ty);
    }
    LabelBitmap out;
    out.width = static_cast<std::int32_t>(std::ceil(maxX - minX - 1e-9));
    out.height = static_cast<std::int32_t>(std::ceil(maxY - minY - 1e-9));
    const int originX = static_cast<int>(std::lround(-minX));
    const int originY = static_cast<int>(std::lround(-minY));

    LogFont upright = font;
    upright.escapement = 0;
    const int bitmapWidth = measureTextWidth(upright, "W") + out.width;
    const int bitmapHeight = out.height;
    if (bitmapWidth <= 0 || bitmapHeight <= 0)
        return out;
    TMetafile page(bitmapWidth, bitmapHeight, screenDpi, screenDpi);
    TMetafileCanvas canvas(page);
    canvas.setFont(font);
    canvas.setFontColour(clBlack);
    canvas.textOut(originX, originY, label.text);
    out.bitmap = page.render(screenDpi);
    return out;
}

} // namespace spoolar
