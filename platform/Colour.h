#pragma once
#include <cstdint>

namespace spoolar {

// A Windows colour number: 0x00BBGGRR for plain colours.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

constexpr int redOf(TColor c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int greenOf(TColor c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(TColor c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

} // namespace spoolar
