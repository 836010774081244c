#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

// A decimal integer field (optional sign, digits only, within 32 bits), else the default.
std::int32_t integerField(std::string_view field, std::int32_t defaultValue);

// The longest leading decimal number of a field, with "." as decimal point; 0 when the field
// does not begin with a number.
double leadingNumber(std::string_view field);

// Splits a delimited list as the string lists of the designer's toolkit do: items end at the
// delimiter and at blanks and control characters; an item that begins with a double quote runs
// to the matching double quote and may hold blanks and delimiters (two double quotes inside
// stand for one); a delimiter at the very end adds an empty item.
std::vector<std::string> delimitedItems(std::string_view text, char delimiter = ';');

// Units per millimetre at a resolution: dpi / 25.4, truncated (600 dpi gives 23).
std::int32_t unitsPerMillimetre(std::int32_t dpi);

} // namespace spoolar
