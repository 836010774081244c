// Numbers written straight into content streams.
#include "engine/PdfRawContent.h"

#include <gtest/gtest.h>

namespace spoolar::test {
namespace {

TEST(PdfRawContent, NumbersHaveAtMostThreeDecimalsAndNoTrailingZeros)
{
    const std::vector<std::pair<float, std::string>> cases = {
        {0.0f, "0"},
        {12.0f, "12"},
        {12.5f, "12.5"},
        {-3.25f, "-3.25"},
        {4918.333f, "4918.333"},
        {0.0004f, "0"},
        {-0.0004f, "0"},
        {1.0006f, "1.001"},
        {7015.748f, "7015.748"},
        {41.666664f, "41.667"},
    };
    for (const auto& [value, text] : cases) {
        std::string out;
        PdfRawContent::appendNumber(out, value);
        EXPECT_EQ(out, text) << value;
    }
}

} // namespace
} // namespace spoolar::test
