// The line interpreter on the printer target, read back from the recorded pages.
#include "support/EngineFixture.h"

namespace spoolar::test {
namespace {

class Interpreter : public EngineFixture
{
};

struct TextCase
{
    const char* name;
    std::string job;
    std::string expected; // the page's text runs joined by '|'
};

TEST_F(Interpreter, TurnsBytesIntoTextRuns)
{
    const std::vector<TextCase> cases = {
        {"plain text", "Fattura 12", "Fattura 12"},
        {"tab is eight spaces wherever it stands", "ab\tc", "ab        c"},
        {"known sequence is removed whole", "A" + esc::BOLD_ON + "B", "A|B"},
        {"unknown escape loses only ESC", "A\x1BZ1B", "A|Z1B"},
        {"centring code takes its parameter byte",
         "\x1B"
         "CBX",
         "X"},
        {"NUL ends the line", std::string("ab\0cd", 5), "ab"},
        {"in-band command removed", "a" + cmd("Zwhatever") + "b", "a|b"},
        {"unclosed command takes the rest of the line",
         "ab\xA9"
         "Fhello",
         "ab"},
        {"empty command",
         "a\xA9\xA9"
         "b",
         "a|b"},
        {"CP850 accents converted", "\x85\x8A\x82\x8D\x95\x97", "\xE0\xE8\xE9\xEC\xF2\xF9"},
    };
    for (const auto& c : cases) {
        const TPageList pages = printPages(c.job);
        ASSERT_EQ(pages.size(), 1u) << c.name;
        EXPECT_EQ(textOf(*pages[0]), c.expected) << c.name;
    }
}

TEST_F(Interpreter, CommandLongerThanLimitIsCutAndNextByteDropped)
{
    // 600 bytes without a closing byte: the command keeps 511, the 512th is dropped and the
    // rest is printed.
    const std::string body = "Z" + std::string(510, 'a') + "X" + "rest";
    const TPageList pages = printPages("\xA9" + body);
    EXPECT_EQ(textOf(*pages[0]), "rest");
}

TEST_F(Interpreter, OverlongRunsAreCut)
{
    const TPageList pages = printPages(std::string(20000, 'x') + "\t");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, std::string(16383, 'x'));
}

TEST_F(Interpreter, BoldSequencesSwitchTheFont)
{
    const TPageList pages = printPages(esc::BOLD_ON + "A" + esc::BOLD_OFF + "B");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts[0].font.bold);
    EXPECT_FALSE(texts[1].font.bold);
    EXPECT_EQ(texts[0].text, "A");
}

TEST_F(Interpreter, FormFeedStartsPagesExceptAtTheEndOfTheJob)
{
    const std::vector<std::pair<std::string, std::size_t>> cases = {
        {"one line", 1},
        {"page one\x0C", 1},
        {"page one\r\n\x0C", 1},
        {"page one\x0Cpage two", 2},
        {"page one\x0C\r\npage two", 2},
        {"a\x0C\r\nb\x0C\r\nc\x0C", 3},
        {"", 1},
    };
    for (const auto& [job, count] : cases)
        EXPECT_EQ(printPages(job).size(), count) << job;
}

TEST_F(Interpreter, LowerIndexWinsWhenOneSequenceBeginsAnother)
{
    ControlCodes codes;
    codes.setEntry(7, "\x1B"
                      "E");
    codes.setEntry(3, "\x1B");
    const auto match = codes.matchAt("\x1B"
                                     "EX",
                                     0);
    EXPECT_EQ(match.index, 3);
    EXPECT_EQ(match.length, 1u);
}

TEST_F(Interpreter, ColourCommandsColourTheText)
{
    struct Case
    {
        std::string parameter;
        TColor expected;
    };
    for (const Case& c : std::vector<Case>{{"RED", 0x0000FF},
                                           {"255", 0x0000FF},
                                           {"NAVYBLUE", 0x800000},
                                           {"", clBlack},
                                           {"rosso", clBlack},
                                           {"99999999999", clBlack}}) {
        const TPageList pages = printPages(cmd("F" + c.parameter) + "x");
        const auto texts = opsOf<mfop::Text>(*pages[0]);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].colour, c.expected) << c.parameter;
    }
}

TEST_F(Interpreter, BackgroundCommandFillsBehindTheText)
{
    const TPageList pages = printPages(cmd("SYELLOW") + "x");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 1u);
    ASSERT_TRUE(texts[0].opaque.has_value());
    EXPECT_EQ(*texts[0].opaque, 0x00FFFFu);
}

TEST_F(Interpreter, TallCommandLastsForTheLineOrUntilSwitchedOff)
{
    const auto heightOf = [](const mfop::Text& t) { return t.font.height; };
    // Bare V: tall for the rest of the line, the next line is normal.
    TPageList pages = printPages("a" + cmd("V") + "b\r\nc");
    auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(heightOf(texts[0]), heightOf(texts[2]));
    EXPECT_LT(heightOf(texts[1]), heightOf(texts[0])); // taller: more negative

    // V+ lasts across lines until a V with another parameter.
    pages = printPages(cmd("V+") + "a\r\nb" + cmd("V-") + "c");
    texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(heightOf(texts[0]), heightOf(texts[1]));
    EXPECT_GT(heightOf(texts[2]), heightOf(texts[1]));
}

TEST_F(Interpreter, LinesOfOnlyCommandsAreEmptyLines)
{
    const TPageList pages =
        printPages(esc::BOLD_ON + cmd("FRED") + "\r\n" + esc::BOLD_OFF + "\r\nthird");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 1u);
    const auto pages2 = printPages("first");
    const auto first = opsOf<mfop::Text>(*pages2[0]);
    ASSERT_EQ(first.size(), 1u);
    // Two empty lines above "third".
    const int lineHeight = (texts[0].y - first[0].y) / 2;
    EXPECT_GT(lineHeight, 0);
    EXPECT_EQ(texts[0].y - first[0].y, 2 * lineHeight);
}

TEST_F(Interpreter, EnginesDoNotShareStyle)
{
    printPages(esc::BOLD_ON + esc::COND_ON + cmd("FRED") + cmd("SYELLOW") + "x");
    const TPageList pages = printPages("y");
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_FALSE(texts[0].font.bold);
    EXPECT_EQ(texts[0].colour, clBlack);
    EXPECT_EQ(texts[0].opaque.value_or(clWhite), clWhite);
}

TEST_F(Interpreter, UnreadableJobProducesNothing)
{
    m_host = std::make_unique<EngineHost>(host());
    TPageList pages;
    {
        TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "T", false, 0, nullptr);
        EXPECT_FALSE(engine.RunJob(m_root / "missing.dat"));
    }
    EXPECT_TRUE(m_printer.documents().empty());
    TPrnDos pdf(*m_host, false, "Courier New", &m_percent, 0, "T", true, 0, nullptr);
    EXPECT_FALSE(pdf.RunJob(m_root / "missing.dat"));
    EXPECT_TRUE(std::filesystem::is_empty(spool("PDF")));
    EXPECT_FALSE(std::filesystem::exists(spool("Pdf.ok")));
}

TEST_F(Interpreter, DirectPrintingMakesOneDocumentOfAllPages)
{
    m_host = std::make_unique<EngineHost>(host());
    TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "Bolla", false, 0, nullptr);
    ASSERT_TRUE(engine.RunJob(writeJob("uno\x0C"
                                       "due\x0C"
                                       "tre")));
    ASSERT_EQ(m_printer.documents().size(), 1u);
    const auto& doc = m_printer.documents()[0];
    EXPECT_TRUE(doc.finished);
    EXPECT_EQ(doc.title, "Bolla");
    ASSERT_EQ(doc.pages.size(), 3u);
    EXPECT_EQ(textOf(doc.pages[0]), "uno");
    EXPECT_EQ(textOf(doc.pages[2]), "tre");
}

TEST_F(Interpreter, ControlCodeFileIsReadDefensively)
{
    std::string content;
    content += std::string(30, 'A') + "\n"; // entry 0: cut to 18 bytes
    content += std::string("\x1B"
                           "E\r\n");          // entry 1: CR LF read as LF
    content += std::string("x\0y", 3) + "\n"; // entry 2: NUL kept as a byte
    for (int i = 3; i < 40; ++i)              // lines after the 34th ignored
        content += "L" + std::to_string(i) + "\n";
    const auto file = writeJob(content, "codes.cod");
    const ControlCodes codes = ControlCodes::fromFile(file);
    EXPECT_EQ(codes.entry(0), std::string(18, 'A'));
    EXPECT_EQ(codes.entry(1), "\x1B"
                              "E");
    EXPECT_EQ(codes.entry(2), std::string("x\0y", 3));
    EXPECT_EQ(codes.entry(33), "L33");
    EXPECT_TRUE(ControlCodes::fromFile(m_root / "none.cod").entry(0).empty());
}

} // namespace
} // namespace spoolar::test
