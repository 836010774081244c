#pragma once
#include "platform/Colour.h"

#include <optional>
#include <string_view>

namespace spoolar {

// The colour of an in-band command: a decimal Windows colour number ("255" is red) when the
// parameter starts with a digit, else the first colour name the parameter begins with
// ("RED", "NAVYBLUE" -> NAVY). Nothing when neither applies (or the number does not fit 32 bits).
std::optional<TColor> parseColourParameter(std::string_view parameter);

} // namespace spoolar
