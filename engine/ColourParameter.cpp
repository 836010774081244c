#include "engine/ColourParameter.h"

#include <array>
#include <cstdint>
#include <utility>

namespace spoolar {

namespace {
// In the order they are tried: the first name the parameter begins with wins.
constexpr std::array<std::pair<std::string_view, TColor>, 22> kNamedColours{{
    {"AQUA", 0xFFFF00},       {"BLACK", 0x000000},    {"BLUE", 0xFF0000},
    {"CREAM", 0xF0FBFF},      {"DARKGRAY", 0x808080}, {"FUCHSIA", 0xFF00FF},
    {"GRAY", 0x808080},       {"GREEN", 0x008000},    {"LIME", 0x00FF00},
    {"LIGHTGRAY", 0xC0C0C0},  {"MAROON", 0x000080},   {"MEDIUMGRAY", 0xA4A0A0},
    {"MONEYGREEN", 0xC0DCC0}, {"NAVY", 0x800000},     {"OLIVE", 0x008080},
    {"PURPLE", 0x800080},     {"RED", 0x0000FF},      {"SILVER", 0xC0C0C0},
    {"SKY", 0xF0CAA6},        {"TEAL", 0x808000},     {"WHITE", 0xFFFFFF},
    {"YELLOW", 0x00FFFF},
}};
} // namespace

std::optional<TColor> parseColourParameter(std::string_view parameter)
{
    if (parameter.empty())
        return std::nullopt;
    if (parameter.front() >= '0' && parameter.front() <= '9') {
        std::uint64_t value = 0;
        for (char c : parameter) {
            if (c < '0' || c > '9')
                break;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
            if (value > 0xFFFFFFFFu)
                return std::nullopt;
        }
        return static_cast<TColor>(value);
    }
    for (const auto& [name, colour] : kNamedColours) {
        if (parameter.substr(0, name.size()) == name)
            return colour;
    }
    return std::nullopt;
}

} // namespace spoolar
