#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

enum class SplitTrim
{
    Keep,
    Trim
};

// Splits at every occurrence of the separator: n separators give n + 1 items, an empty text
// gives none. Trim removes leading and trailing blanks and control characters of each item.
std::vector<std::string> SplitString(std::string_view text, std::string_view separator,
                                     SplitTrim trim = SplitTrim::Keep);

} // namespace spoolar
