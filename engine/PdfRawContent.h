#pragma once
#include <hpdf.h>

#include <string>
#include <string_view>

namespace spoolar {

// Appends content operators to a page's content stream directly. Used for the operators a
// document repeats thousands of times (line segments, moves between text runs), where libharu's
// own calls spend most of their time formatting numbers. Callers keep the stream valid: whole
// path objects outside text objects, text moves inside one.
class PdfRawContent
{
public:
    // A number as content streams write it: at most three decimals, no trailing zeros.
    static void appendNumber(std::string& out, float value);
    static bool write(HPDF_Page page, std::string_view operators);
};

} // namespace spoolar
