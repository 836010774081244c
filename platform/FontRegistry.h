#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

// One value of the Windows font list: a display name carrying the family and the style words
// ("Courier New Bold Italic (TrueType)") and the font file.
struct FontRegistryValue
{
    std::string name;
    std::filesystem::path file;
};

// The installed TrueType fonts as the Windows registry font list shows them, on fontconfig.
class FontRegistry
{
public:
    // The values whose name contains the family (without regard to case). Follows fontconfig's
    // aliases: "Courier New" yields Liberation Mono's files under names starting "Courier New".
    // A family that neither exists nor is an alias of an installed font yields nothing.
    std::vector<FontRegistryValue> valuesFor(std::string_view family) const;

    // The installed family that stands for the given one ("Courier New" -> "Liberation Mono"),
    // or the name itself when nothing is installed for it.
    std::string resolvedFamily(std::string_view family) const;
};

} // namespace spoolar
