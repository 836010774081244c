#include "engine/PdfRawContent.h"

#include <hpdf_pages.h>
#include <hpdf_streams.h>

#include <charconv>
#include <cmath>

namespace spoolar {

void PdfRawContent::appendNumber(std::string& out, float value)
{
    if (!std::isfinite(value))
        value = 0;
    char buffer[64];
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    if (ec != std::errc()) {
        out += '0';
        return;
    }
    // Trim "12.500" to "12.5" and "12.000" to "12"; "-0" becomes "0".
    while (end > buffer && *(end - 1) == '0')
        --end;
    if (end > buffer && *(end - 1) == '.')
        --end;
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    if (text == "-0" || text.empty())
        text = "0";
    out += text;
}

bool PdfRawContent::write(HPDF_Page page, std::string_view operators)
{
    if (!page || operators.empty())
        return page != nullptr;
    auto* attr = static_cast<HPDF_PageAttr>(page->attr);
    return HPDF_Stream_Write(attr->stream, reinterpret_cast<const HPDF_BYTE*>(operators.data()),
                             static_cast<HPDF_UINT>(operators.size())) == HPDF_OK;
}

} // namespace spoolar
