#include "platform/FontRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace spoolar;

namespace {

// "name -> file name" of each value, in a stable order for comparison.
std::vector<std::string> describe(const std::vector<FontRegistryValue>& values)
{
    std::vector<std::string> out;
    for (const auto& v : values)
        out.push_back(v.name + " -> " + v.file.filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(FontRegistryTest, FollowsFontconfigAliasesToInstalledTrueTypeFiles)
{
    const struct
    {
        const char* family;
        const char* resolved;
        std::vector<std::string> values;
    } cases[] = {
        {"Courier New",
         "Liberation Mono",
         {"Courier New (TrueType) -> LiberationMono-Regular.ttf",
          "Courier New Bold (TrueType) -> LiberationMono-Bold.ttf",
          "Courier New Bold Italic (TrueType) -> LiberationMono-BoldItalic.ttf",
          "Courier New Italic (TrueType) -> LiberationMono-Italic.ttf"}},
        // Noto Sans Mono has no italic face: only what exists is listed.
        {"Consolas",
         "Noto Sans Mono",
         {"Consolas (TrueType) -> NotoSansMono-Regular.ttf",
          "Consolas Bold (TrueType) -> NotoSansMono-Bold.ttf"}},
        {"Bitstream Vera Sans Mono",
         "Bitstream Vera Sans Mono",
         {"Bitstream Vera Sans Mono (TrueType) -> VeraMono.ttf",
          "Bitstream Vera Sans Mono Bold (TrueType) -> VeraMoBd.ttf",
          "Bitstream Vera Sans Mono Bold Oblique (TrueType) -> VeraMoBI.ttf",
          "Bitstream Vera Sans Mono Oblique (TrueType) -> VeraMoIt.ttf"}},
    };
    const FontRegistry registry;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.family);
        const auto values = registry.valuesFor(c.family);
        EXPECT_EQ(describe(values), c.values);
        for (const auto& v : values)
            EXPECT_TRUE(v.file.is_absolute() && std::filesystem::exists(v.file)) << v.file;
        EXPECT_EQ(registry.resolvedFamily(c.family), c.resolved);
    }
}

TEST(FontRegistryTest, UnknownFamilyYieldsNothing)
{
    const FontRegistry registry;
    for (const char* family : {"Spoolar No Such Font", "Qwertyuiop", "", "   "}) {
        SCOPED_TRACE(family);
        EXPECT_TRUE(registry.valuesFor(family).empty());
        EXPECT_EQ(registry.resolvedFamily(family), family);
    }
}

TEST(FontRegistryTest, RequestedFamilyIgnoresCaseAndKeepsItsSpelling)
{
    const FontRegistry registry;
    // Asked first in one spelling, then in another: the cache must not leak the first one.
    EXPECT_EQ(describe(registry.valuesFor("COURIER NEW")),
              (std::vector<std::string>{
                  "COURIER NEW (TrueType) -> LiberationMono-Regular.ttf",
                  "COURIER NEW Bold (TrueType) -> LiberationMono-Bold.ttf",
                  "COURIER NEW Bold Italic (TrueType) -> LiberationMono-BoldItalic.ttf",
                  "COURIER NEW Italic (TrueType) -> LiberationMono-Italic.ttf"}));
    EXPECT_EQ(registry.valuesFor("courier new").front().name.substr(0, 11), "courier new");
    EXPECT_EQ(registry.resolvedFamily("liberation mono"), "Liberation Mono");
    EXPECT_EQ(registry.valuesFor("bitstream vera sans mono").size(), 4u);
}

// DejaVu Sans lists condensed and extra-light faces under its family too; the list keeps one
// face per style, the normal-width one of the right weight.
TEST(FontRegistryTest, OneFacePerStyleFromAFamilyWithManyWidths)
{
    const FontRegistry registry;
    const auto values = describe(registry.valuesFor("DejaVu Sans"));
    if (values.empty())
        GTEST_SKIP() << "DejaVu Sans is not installed";
    EXPECT_EQ(values, (std::vector<std::string>{
                          "DejaVu Sans (TrueType) -> DejaVuSans.ttf",
                          "DejaVu Sans Bold (TrueType) -> DejaVuSans-Bold.ttf",
                          "DejaVu Sans Bold Oblique (TrueType) -> DejaVuSans-BoldOblique.ttf",
                          "DejaVu Sans Oblique (TrueType) -> DejaVuSans-Oblique.ttf"}));
}
