#include "engine/PdfRawContent.h"

#include <hpdf_pages.h>
#include <hpdf_streams.h>

#include <charconv>
#include <cmath>

namespace spoolar {

void PdfRawContent::appendNumber(std::string& out, float value)
{
    // Thousandths as an integer: exact, and far cheaper than formatting a float.
    double scaled = std::isfinite(value) ? std::round(static_cast<double>(value) * 1000.0) : 0.0;
    if (scaled > 9.0e15 || scaled < -9.0e15)
        scaled = 0;
    long long thousandths = static_cast<long long>(scaled);
    if (thousandths < 0) {
        out += '-';
        thousandths = -thousandths;
    }
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, thousandths / 1000);
    (void)ec;
    out.append(digits, end);
    int fraction = static_cast<int>(thousandths % 1000);
    if (fraction == 0)
        return;
    char decimals[4] = {'.', static_cast<char>('0' + fraction / 100),
                        static_cast<char>('0' + fraction / 10 % 10),
                        static_cast<char>('0' + fraction % 10)};
    std::size_t length = 4;
    while (decimals[length - 1] == '0')
        --length;
    out.append(decimals, length);
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
