#pragma once
#include <cstdint>

namespace spoolar {

// The six font percentages of the settings file (section FONT), handed to every engine.
struct FONTPERCENT
{
    std::int32_t PercFontsizeCourier = 6;
    std::int32_t PercFontsizeBitstream = 12;
    std::int32_t PercFontsizeConsolas = 11;
    std::int32_t PercItalicoCourier = 0;
    std::int32_t PercItalicoBitstream = 0;
    std::int32_t PercItalicoConsolas = 0;
};

} // namespace spoolar
