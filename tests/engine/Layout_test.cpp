// Pitch geometry on both targets and the drawing of styled text runs on the printer target.
#include "support/EngineFixture.h"

namespace spoolar::test {
namespace {

constexpr std::array<int, 4> kChars{80, 96, 136, 160};
const std::array<std::string, 3> kFamilies{"Courier New", "Bitstream Vera Sans Mono", "Consolas"};

// The sizing sample of the engine: letters, Italian accents, euro, @#, section sign, digits.
std::string engineSample()
{
    std::string block = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                        "\xE0\xE8\xE9\xEC\xF2\xF9\x80@#\xA7"
                        "0123456789";
    return block + block + block + block;
}

class Layout : public EngineFixture
{
protected:
    std::array<PITCHMETRICS, 4> measure(bool pdf, const std::string& family)
    {
        m_host = std::make_unique<EngineHost>(host());
        TPrnDos engine(*m_host, false, family, &m_percent, 0, "", pdf, 0, nullptr);
        return engine.metrics();
    }
};

TEST_F(Layout, PdfPitchesFitTheirColumnsAndDivideThePage)
{
    // A4 portrait in 1/600 inch, less two margins of 5 points.
    const double width = 595.276 * 8.333333 - 2 * 41.666664;
    const double height = 841.89 * 8.333333 - 2 * 41.666664;
    for (const std::string& family : kFamilies) {
        const auto metrics = measure(true, family);
        for (std::size_t i = 0; i < 4; ++i) {
            const PITCHMETRICS& m = metrics[i];
            SCOPED_TRACE(family + " pitch " + std::to_string(i));
            EXPECT_GE(m.cols, kChars[i]);
            EXPECT_LE(kChars[i] * m.charWidthF, 0.99 * width + 0.01);
            ASSERT_GT(m.rows, 0);
            EXPECT_NEAR(m.rows * m.lineHeight, height, 0.05);
            EXPECT_GE(m.lineHeight, m.lineRaw);
        }
        // Smaller pitches never have bigger characters.
        EXPECT_GT(metrics[0].fontSize, metrics[1].fontSize);
        EXPECT_GT(metrics[1].fontSize, metrics[2].fontSize);
        EXPECT_GT(metrics[2].fontSize, metrics[3].fontSize);
    }
}

TEST_F(Layout, PrinterPitchesFitThePrintableWidth)
{
    const int width = 4960 - 2 * 41;
    const int height = 7016 - 2 * 41;
    for (const std::string& family : kFamilies) {
        const auto metrics = measure(false, family);
        for (std::size_t i = 0; i < 4; ++i) {
            const PITCHMETRICS& m = metrics[i];
            SCOPED_TRACE(family + " pitch " + std::to_string(i));
            ASSERT_LT(m.fontHeight, 0);
            EXPECT_GE(m.cols, kChars[i]);
            EXPECT_LE(kChars[i] * m.charWidth, width);
            EXPECT_EQ(m.rows, height / m.textHeight);
            EXPECT_EQ(m.landRows, width / m.textHeight);
            // The next height up would not fit: the search found the largest one.
            const std::string sample = engineSample().substr(0, kChars[i]);
            const LogFont found{family, m.fontHeight, 0, 0, false, true};
            const LogFont bigger{family, m.fontHeight - 1, 0, 0, false, true};
            EXPECT_LE(measureTextWidth(found, sample), width);
            EXPECT_GT(measureTextWidth(bigger, sample), width);
        }
    }
}

TEST_F(Layout, MarginFollowsTheDriverResolution)
{
    struct Case
    {
        std::optional<DeviceMode> mode;
        int firstX;
    };
    for (const Case& c : std::vector<Case>{{DeviceMode{600, 600}, 41},
                                           {DeviceMode{300, 300}, 20},
                                           {DeviceMode{600, 0}, 0},
                                           {std::nullopt, 0}}) {
        m_printer.setDeviceMode(c.mode);
        const TPageList pages = printPages("x");
        const auto texts = opsOf<mfop::Text>(*pages[0]);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].x, c.firstX);
        EXPECT_EQ(pages[0]->dpiX(), c.mode && c.mode->yResolution ? c.mode->printQuality : 600);
    }
}

TEST_F(Layout, DoubleWidthAdvancesTwiceAsFar)
{
    const TPageList pages = printPages("ab" + esc::DW_ON + "cd" + esc::DW_OFF + "e");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 3u);
    const int cw = (texts[1].x - texts[0].x) / 2;
    ASSERT_GT(cw, 0);
    EXPECT_EQ(texts[2].x - texts[1].x, 4 * cw);
    EXPECT_EQ(texts[1].font.width, 2 * cw);
}

TEST_F(Layout, BlankDoubleWidthRunPaintsOnlyItsBackground)
{
    const TPageList pages = printPages("a" + cmd("SRED") + esc::DW_ON + "  " + esc::DW_OFF + "b");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 2u); // "a" and "b": the blank run draws no text
    const int cw = measure(false, "Courier New")[0].charWidth;
    const auto fills = opsOf<mfop::FillRect>(*pages[0]);
    ASSERT_EQ(fills.size(), 2u); // the white page, then the red blank run
    EXPECT_EQ(fills[1].colour, 0x0000FFu);
    EXPECT_EQ(fills[1].rect.left, texts[0].x + cw);
    EXPECT_EQ(fills[1].rect.width(), 4 * cw);
    EXPECT_EQ(texts[1].x, fills[1].rect.right);
}

TEST_F(Layout, TallCharactersTakeTheFamilyPercentage)
{
    // Courier New with the default 6 %: the characters are 94 % of the line height.
    const TPageList pages = printPages("a" + cmd("V") + "b\r\nc");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 3u);
    const int lineHeight = texts[2].y - texts[0].y;
    ASSERT_GT(lineHeight, 0);
    const int expected = lineHeight - (lineHeight * 6 + 50) / 100;
    EXPECT_EQ(texts[1].font.height, -expected);
}

TEST_F(Layout, CentringFreezesTheLineHeight)
{
    const std::string job = esc::CENTRE + "\r\nAAAA\r\n" + esc::COND_ON + "BBBB\r\nCCCC";
    const TPageList pages = printPages(job);
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 3u);
    // Condensed characters are smaller, but the lines keep the pica spacing.
    EXPECT_GT(texts[1].font.height, texts[0].font.height);
    const int frozen = texts[2].y - texts[1].y;
    const TPageList pica = printPages("AAAA\r\nBBBB");
    const auto picaTexts = opsOf<mfop::Text>(*pica[0]);
    EXPECT_EQ(frozen, picaTexts[1].y - picaTexts[0].y);
    // Without the centring code condensed lines are closer together.
    const TPageList condensed = printPages(esc::COND_ON + "BBBB\r\nCCCC");
    const auto condensedTexts = opsOf<mfop::Text>(*condensed[0]);
    EXPECT_LT(condensedTexts[1].y - condensedTexts[0].y, frozen);
}

TEST_F(Layout, CentringCentresTheWidestLine)
{
    // 40 pica characters on an 80-column page: the text starts a quarter of the way in.
    const TPageList pages = printPages(esc::CENTRE + std::string(40, 'X') + "\r\nshort");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 2u);
    const int available = 4960 - 2 * 41;
    const auto metrics = [&] {
        m_host = std::make_unique<EngineHost>(host());
        TPrnDos e(*m_host, false, "Courier New", &m_percent, 0, "", false, 0, nullptr);
        return e.metrics();
    }();
    const int widest = 40 * metrics[0].charWidth;
    EXPECT_EQ(texts[0].x, 41 + (available - widest) / 2);
    EXPECT_EQ(texts[1].x, texts[0].x);
    // The centring code puts the pen back at the top of the page.
    EXPECT_EQ(texts[0].y, 41);
}

} // namespace
} // namespace spoolar::test
