#include "platform/CodePage.h"

#include <QString>
#include <gtest/gtest.h>

#include <iconv.h>

using namespace spoolar;

namespace {

// One byte through glibc iconv; nullopt where iconv has no CP1252 equivalent.
std::optional<unsigned char> iconvByte(iconv_t cd, unsigned char oem)
{
    char in = static_cast<char>(oem);
    char out[4] = {};
    char* inPtr = &in;
    char* outPtr = out;
    std::size_t inLeft = 1;
    std::size_t outLeft = sizeof out;
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (rc == static_cast<std::size_t>(-1) || outLeft != sizeof out - 1)
        return std::nullopt;
    return static_cast<unsigned char>(out[0]);
}

unsigned char ansi(const OemConverter& c, unsigned char oem)
{
    return static_cast<unsigned char>(c.toAnsi(oem));
}

} // namespace

TEST(CodePageTest, ItalianAccentsOfCp850BecomeCp1252)
{
    const OemConverter cp850(OemCodePage::Cp850);
    // "perché più città è là" as a DOS program writes it
    EXPECT_EQ(cp850.toAnsi("perch\x82 pi\x97 citt\x85 \x8A l\x85 \x8D \x95"),
              "perch\xE9 pi\xF9 citt\xE0 \xE8 l\xE0 \xEC \xF2");
    EXPECT_EQ(cp850.toAnsi(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodePageTest, BytesWithoutEquivalentTakeTheBestFit)
{
    const struct
    {
        OemCodePage page;
        unsigned char oem;
        unsigned char ansi;
    } cases[] = {
        {OemCodePage::Cp850, 0xC9, '+'},  {OemCodePage::Cp850, 0xCD, '-'},
        {OemCodePage::Cp850, 0xBA, 0xA6}, {OemCodePage::Cp850, 0xDA, '+'},
        {OemCodePage::Cp850, 0xC4, '-'},  {OemCodePage::Cp850, 0xB3, 0xA6},
        {OemCodePage::Cp850, 0xC5, '+'},  {OemCodePage::Cp850, 0xD5, 'i'},
        {OemCodePage::Cp850, 0xDB, 0xA6}, {OemCodePage::Cp850, 0xDC, '_'},
        {OemCodePage::Cp850, 0xDF, 0xAF}, {OemCodePage::Cp850, 0xF2, '='},
        {OemCodePage::Cp437, 0x9E, 'P'},  {OemCodePage::Cp437, 0xD5, '+'},
        {OemCodePage::Cp437, 0xE0, 'a'},  {OemCodePage::Cp437, 0xEC, '8'},
        {OemCodePage::Cp437, 0xF7, 0x98}, {OemCodePage::Cp437, 0xFB, 'v'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.page == OemCodePage::Cp437 ? "CP437 " : "CP850 ")
                                        << std::hex << int(c.oem));
        EXPECT_EQ(ansi(OemConverter(c.page), c.oem), c.ansi);
    }
}

TEST(CodePageTest, Cp437DiffersFromCp850WhereItsCharactersDiffer)
{
    const OemConverter cp850(OemCodePage::Cp850);
    const OemConverter cp437(OemCodePage::Cp437);
    EXPECT_EQ(cp437.codePage(), OemCodePage::Cp437);
    EXPECT_EQ(ansi(cp850, 0x9E), 0xD7);              // multiplication sign
    EXPECT_EQ(ansi(cp437, 0x9E), 'P');               // peseta, best fit
    EXPECT_EQ(ansi(cp850, 0xD5), 'i');               // dotless i, best fit
    EXPECT_EQ(ansi(cp437, 0xD5), '+');               // box corner
    EXPECT_EQ(ansi(cp850, 0x9B), 0xF8);              // o slash
    EXPECT_EQ(ansi(cp437, 0x9B), 0xA2);              // cent
    EXPECT_EQ(ansi(cp850, 0xE1), ansi(cp437, 0xE1)); // sharp s in both
}

// The embedded tables must agree with live iconv wherever iconv converts, and differ from it
// only on as many bytes as iconv rejects; every byte maps to something either way.
TEST(CodePageTest, TablesAgreeWithIconvAndCoverEveryByte)
{
    const struct
    {
        OemCodePage page;
        const char* iconvName;
        int bestFitBytes;
    } pages[] = {{OemCodePage::Cp850, "IBM850", 31}, {OemCodePage::Cp437, "IBM437", 74}};
    for (const auto& page : pages) {
        SCOPED_TRACE(page.iconvName);
        const OemConverter converter(page.page);
        for (int b = 0; b < 0x80; ++b)
            EXPECT_EQ(ansi(converter, static_cast<unsigned char>(b)), b);

        iconv_t cd = iconv_open("CP1252", page.iconvName);
        if (cd == reinterpret_cast<iconv_t>(-1))
            GTEST_SKIP() << "iconv has no " << page.iconvName;
        int rejected = 0;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const auto oem = static_cast<unsigned char>(b);
            if (const auto exact = iconvByte(cd, oem)) {
                EXPECT_EQ(ansi(converter, oem), *exact) << std::hex << b;
            } else {
                ++rejected;
                // A best fit is never a control character.
                EXPECT_GE(ansi(converter, oem), 0x20) << std::hex << b;
            }
        }
        iconv_close(cd);
        EXPECT_EQ(rejected, page.bestFitBytes);
    }
}

TEST(CodePageTest, AnsiToUnicodeCoversTheWindowsRange)
{
    const std::string all = [] {
        std::string s;
        for (int b = 0x80; b < 0xA0; ++b)
            s += static_cast<char>(b);
        return s;
    }();
    const std::u16string expected = u"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ";
    EXPECT_EQ(ansiToQString(all), QString::fromStdU16String(expected));
    EXPECT_EQ(ansiToUtf8(all), ansiToQString(all).toStdString());

    const struct
    {
        std::string ansi;
        std::string utf8;
    } cases[] = {
        {"", ""},
        {"Fattura n\xB0 12 \x80 1.500,00", "Fattura n° 12 € 1.500,00"},
        {"perch\xE9 pi\xF9 citt\xE0", "perché più città"},
        {"\xA0\xFF\x9F", "\u00A0ÿŸ"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ansiToUtf8(c.ansi), c.utf8);
        EXPECT_EQ(ansiToQString(c.ansi).toStdString(), c.utf8);
    }
}
