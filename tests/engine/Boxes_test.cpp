// Box characters become joined lines; B runs fill the frame around them.
#include "support/EngineFixture.h"

#include <sstream>
#include <set>
#include <tuple>

namespace spoolar::test {
namespace {

// CP850 single-line box characters.
const std::string TL = "\xDA", TR = "\xBF", BL = "\xC0", BR = "\xD9", H = "\xC4", V = "\xB3",
                  LT = "\xC3", RT = "\xB4", TT = "\xC2", BT = "\xC1", X = "\xC5";

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

class Boxes : public EngineFixture
{
protected:
    void SetUp() override
    {
        m_host = std::make_unique<EngineHost>(host());
        TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "", false, 0, nullptr);
        m_metrics = engine.metrics()[0];
        m_half = m_metrics.charWidth / 2;
        m_halfLine = m_metrics.textHeight / 2;
    }
    // Centre of the cell at (row, column) in dots, for pica on a 600-dpi page.
    int cx(int column) const { return 41 + column * m_metrics.charWidth + m_half; }
    int cy(int row) const { return 41 + row * m_metrics.textHeight + m_halfLine; }
    int top(int row) const { return 41 + row * m_metrics.textHeight; }
    int bottom(int row) const { return top(row) + 2 * m_halfLine; }

    using Segment = std::tuple<int, int, int, int>;
    static std::set<Segment> segments(const TMetafile& page)
    {
        std::set<Segment> out;
        for (const auto& l : opsOf<mfop::Line>(page))
            out.insert({l.x0, l.y0, l.x1, l.y1});
        return out;
    }

    PITCHMETRICS m_metrics;
    int m_half = 0;
    int m_halfLine = 0;
};

TEST_F(Boxes, ThreeLineFrameIsOneClosedRectangleThroughTheCellCentres)
{
    const auto pages = printPages(TL + H + TR + "\r\n" + V + " " + V + "\r\n" + BL + H + BR);
    const std::set<Segment> expected = {
        {cx(0), cy(0), cx(2), cy(0)}, // top
        {cx(0), cy(2), cx(2), cy(2)}, // bottom
        {cx(0), cy(0), cx(0), cy(2)}, // left
        {cx(2), cy(0), cx(2), cy(2)}, // right
    };
    EXPECT_EQ(segments(*pages[0]), expected);
    EXPECT_EQ(textOf(*pages[0]), " "); // only the blank between the sides is text
}

TEST_F(Boxes, InterruptionsSplitLines)
{
    // A row of ─ with a space in it, and a column of │ with a line without box character.
    const auto pages = printPages(H + H + " " + H + H + "\r\n" + V + "\r\nx\r\n" + V);
    const std::set<Segment> expected = {
        {41, cy(0), 41 + 2 * m_metrics.charWidth, cy(0)},
        {41 + 3 * m_metrics.charWidth, cy(0), 41 + 5 * m_metrics.charWidth, cy(0)},
        {cx(0), top(1), cx(0), bottom(1)},
        {cx(0), top(3), cx(0), bottom(3)},
    };
    EXPECT_EQ(segments(*pages[0]), expected);
}

TEST_F(Boxes, TeesAndCrossesContinueAndBranch)
{
    const auto pages = printPages(TL + H + TT + H + TR + "\r\n" + LT + H + X + H + RT + "\r\n" +
                                  BL + H + BT + H + BR);
    const std::set<Segment> expected = {
        {cx(0), cy(0), cx(4), cy(0)}, {cx(0), cy(1), cx(4), cy(1)}, {cx(0), cy(2), cx(4), cy(2)},
        {cx(0), cy(0), cx(0), cy(2)}, {cx(2), cy(0), cx(2), cy(2)}, {cx(4), cy(0), cx(4), cy(2)},
    };
    EXPECT_EQ(segments(*pages[0]), expected);
}

TEST_F(Boxes, BoxCharacterInDoubleWidthTakesOneColumn)
{
    const auto pages = printPages(esc::DW_ON + H + H + H + "\r\n" + esc::DW_OFF + TL + H + TR);
    const std::set<Segment> expected = {
        {41, cy(0), 41 + 3 * m_metrics.charWidth, cy(0)},
        {cx(0), cy(1), cx(2), cy(1)},
        {cx(0), cy(1), cx(0), bottom(1)},
        {cx(2), cy(1), cx(2), bottom(1)},
    };
    EXPECT_EQ(segments(*pages[0]), expected);
}

TEST_F(Boxes, FrameInterruptedByFormFeedIsDrawnOnItsPage)
{
    const auto pages = printPages(TL + H + TR + "\r\n" + BL + H + BR + "\x0C" + "next");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(segments(*pages[0]).size(), 4u);
    EXPECT_TRUE(segments(*pages[1]).empty());
}

TEST_F(Boxes, DebugMapShowsTheLastPage)
{
    m_debugMap = true;
    printPages("first page\x0C\r\n" + TL + H + TR + "\r\nab\r\n" + BL + H + BR);
    std::ifstream in(spool("DebugMappa.txt"), std::ios::binary);
    const std::string map((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The line of the form feed ends on the new page, so the frame starts on its second line.
    EXPECT_EQ(map, "   \r\n" + TL + H + TR + "\r\n   \r\n" + BL + H + BR + "\r\n");

    printPages("abc\r\nde");
    std::ifstream in2(spool("DebugMappa.txt"), std::ios::binary);
    const std::string blank((std::istreambuf_iterator<char>(in2)),
                            std::istreambuf_iterator<char>());
    EXPECT_EQ(blank, "   \r\n   \r\n");
}

TEST_F(Boxes, FillRunsFillTheirFrameOnceAndAreDrawnOnTop)
{
    const std::string job = TL + repeat(H, 12) + TR + "\r\n" + V + cmd("BYELLOW") + "ab" + " " +
                            cmd("BYELLOW") + "cd" + "       " + V + "\r\n" + BL + repeat(H, 12) +
                            BR + "\r\n" + cmd("BRED") + "zz";
    const auto pages = printPages(job);
    const auto rects = opsOf<mfop::Rectangle>(*pages[0]);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0].brush, 0x00FFFFu);
    EXPECT_EQ(rects[0].pen, clBlack);
    EXPECT_EQ(rects[0].rect, (IntRect{cx(0), cy(0), cx(13) + 1, cy(2) + 1}));

    // Both runs are drawn after the fill; the run outside any frame is not drawn at all.
    const auto& ops = pages[0]->ops();
    std::size_t fillAt = 0;
    std::vector<std::pair<std::size_t, std::string>> texts;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (std::holds_alternative<mfop::Rectangle>(ops[i]))
            fillAt = i;
        if (const auto* t = std::get_if<mfop::Text>(&ops[i]))
            texts.emplace_back(i, t->text);
    }
    std::vector<std::string> afterFill;
    for (const auto& [i, text] : texts) {
        if (i > fillAt)
            afterFill.push_back(text);
    }
    EXPECT_EQ(afterFill, (std::vector<std::string>{"ab ", "cd       "}));
    EXPECT_EQ(textOf(*pages[0]).find("zz"), std::string::npos);
}

TEST_F(Boxes, PdfFrameIsStrokedAsFourLines)
{
    const auto pdf = writePdf(TL + H + TR + "\r\n" + V + " " + V + "\r\n" + BL + H + BR);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    const auto plain = m_root / "plain.pdf";
    capture("qpdf --qdf --object-streams=disable " + quoted(pdf) + " " + quoted(plain));
    const std::string content = capture("cat " + quoted(plain));
    // Each segment is a move, a line and a stroke: "x y m x y l S".
    std::size_t strokes = 0;
    std::istringstream words(content);
    std::vector<std::string> last;
    for (std::string word; words >> word;) {
        last.push_back(word);
        if (last.size() > 7)
            last.erase(last.begin());
        if (last.size() == 7 && last[2] == "m" && last[5] == "l" && last[6] == "S")
            ++strokes;
    }
    EXPECT_EQ(strokes, 4u);
}

} // namespace
} // namespace spoolar::test
