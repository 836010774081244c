// The fax cover page: in front of the pages, its captions and values, note wrapping, the date.
#include "overlays/FaxCover.h"
#include "overlays/OverlayFixture.h"
#include "platform/MulDiv.h"

#include <cstdlib>
#include <ctime>

namespace spoolar::test {
namespace {

class FaxCover : public OverlayFixture
{
protected:
    void SetUp() override
    {
        const char* tz = std::getenv("TZ");
        m_savedTz = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "Europe/Rome", 1);
        tzset();
    }
    void TearDown() override
    {
        if (m_savedTz)
            setenv("TZ", m_savedTz->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    void writeLayout(const std::string& text) { writeText(m_root / "home" / "FaxCover.ini", text); }

    std::filesystem::path writeCover(const std::string& fields)
    {
        const auto file = spool("SPC123.TMP");
        writeText(file, "[Fields]\r\n" + fields);
        return file;
    }

    static std::map<std::string, mfop::Text> textsOf(const TMetafile& page)
    {
        std::map<std::string, mfop::Text> out;
        for (const auto& t : opsOf<mfop::Text>(page))
            out.emplace(t.text, t);
        return out;
    }

    std::optional<std::string> m_savedTz;
};

TEST_F(FaxCover, CoverComesFirstCountsItselfAndStopsAtTheFirstMissingCaption)
{
    writeLayout("[FONTLABEL]\r\nName=Courier New\r\nSize=10\r\nFontScaleFactorPort=2.5\r\n"
                "[FONTFIELD]\r\nName=Courier New\r\nBold=1\r\n"
                "[LABEL0]\r\nText=Destinatario\r\nVisible=1\r\nTop=10\r\nLeft=101\r\n"
                "[FIELD0]\r\nTop=10\r\nLeft=400\r\n"
                "[LABEL1]\r\nText=Pagine\r\nVisible=1\r\nTop=40\r\nLeft=101\r\nPagine=1\r\n"
                "Fixed=1\r\nFixedText=fisso\r\n[FIELD1]\r\nTop=40\r\nLeft=400\r\n"
                "[LABEL3]\r\nText=Mai\r\nVisible=1\r\n");
    const auto cover = writeCover("FIELD0=Mario Rossi\r\nFIELD1=non usato\r\n");
    const TPageList pages = printJob("uno" + esc::FF + "\r\ndue" + esc::FF + "\r\ntre", cover);
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(textOf(*pages[1]), "uno");

    const auto texts = textsOf(*pages[0]);
    EXPECT_EQ(texts.size(), 4u);
    EXPECT_FALSE(texts.contains("Mai"));
    // f = 2.5: Size 10 becomes 25 points (33 dots at 96 dpi), Left 101 becomes 252.
    const mfop::Text& caption = texts.at("Destinatario");
    EXPECT_EQ(caption.x, 252);
    EXPECT_EQ(caption.y, 25);
    EXPECT_EQ(caption.font.height, -MulDiv(25, 96, 72));
    EXPECT_FALSE(caption.font.bold);
    EXPECT_EQ(caption.colour, clBlack);
    const mfop::Text& value = texts.at("Mario Rossi");
    EXPECT_EQ(value.x, 1000);
    EXPECT_EQ(value.font.height, -MulDiv(35, 96, 72)); // the engine's default size 14
    EXPECT_TRUE(value.font.bold);
    // The page count wins over the fixed text.
    EXPECT_EQ(texts.at("4 (compresa la presente)").y, 100);
}

TEST_F(FaxCover, DateNotesAndTheLandscapeFactor)
{
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 9;
    local.tm_hour = 8;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    m_clock.set(std::chrono::system_clock::from_time_t(std::mktime(&local)));
    writeLayout("[FONTLABEL]\r\nName=Courier New\r\nFontScaleFactorPort=9\r\n"
                "FontScaleFactorLand=2\r\n[FONTFIELD]\r\nName=Courier New\r\n"
                "[LABEL0]\r\nText=Data\r\nVisible=1\r\nData=1\r\n[FIELD0]\r\nLeft=10\r\n"
                "[LABEL1]\r\nText=Note\r\nVisible=1\r\nNote=1\r\nPagine=1\r\n"
                "[FIELD1]\r\nTop=100\r\nLeft=20\r\n"
                "[LABEL2]\r\nText=Nascosta\r\nVisible=0\r\nFixed=1\r\nFixedText=x\r\n");
    const auto cover = writeCover("FIELD1=Primo paragrafo|Secondo paragrafo\r\n");
    const TPageList pages = printJob("testo", cover, true);
    ASSERT_EQ(pages.size(), 2u);
    const auto texts = textsOf(*pages[0]);
    EXPECT_FALSE(texts.contains("Nascosta"));
    EXPECT_EQ(texts.at("09.12.2026 - 08:05:03").x, 20);
    // A note with the page count set is still a note: two lines, 20 dots apart beyond their
    // own height.
    const mfop::Text& first = texts.at("Primo paragrafo");
    const mfop::Text& second = texts.at("Secondo paragrafo");
    EXPECT_EQ(first.x, 40);
    EXPECT_EQ(first.y, 200);
    EXPECT_EQ(second.y, 200 + measureTextHeight(first.font) + 20);
}

TEST(FaxCoverNote, LinesWrapAtTheirLastFittingBlank)
{
    const auto tenPerCharacter = [](std::string_view s) {
        return static_cast<std::int32_t>(s.size()) * 10;
    };
    using Lines = std::vector<std::string>;
    EXPECT_EQ(wrapNote("Primo paragrafo lungo| Secondo ", 100, tenPerCharacter),
              (Lines{"Primo", "paragrafo", "lungo", "Secondo"}));
    // One word wider than the line is cut at the line width.
    EXPECT_EQ(wrapNote("Supercalifragilistico", 100, tenPerCharacter),
              (Lines{"Supercalif", "ragilistic", "o"}));
    EXPECT_EQ(wrapNote("a||b", 100, tenPerCharacter), (Lines{"a", "", "b"}));
    EXPECT_EQ(wrapNote("abc", 0, tenPerCharacter), (Lines{"a", "b", "c"}));
    EXPECT_TRUE(wrapNote("", 100, tenPerCharacter).empty());
}

TEST(FaxCoverDate, TwoDigitsEachAndFourForTheYear)
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 8;
    t.tm_min = 5;
    t.tm_sec = 3;
    EXPECT_EQ(faxCoverDate(t), "09.12.2026 - 08:05:03");
}

TEST_F(FaxCover, BlankCoverWithoutLayoutAndNoCoverOutsideAPageList)
{
    const auto cover = writeCover("FIELD0=x\r\n");
    const TPageList pages = printJob("testo", cover);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(opsOf<mfop::Text>(*pages[0]).empty());
    EXPECT_EQ(textOf(*pages[1]), "testo");

    // Printing directly or to PDF: the job's own pages only.
    const EngineHost h = overlayHost();
    {
        TPrnDos engine(h, false, "Courier New", &m_percent, 0, "T", false, 0, nullptr);
        EXPECT_TRUE(engine.RunJob(writeJob("testo"), cover));
    }
    ASSERT_EQ(m_printer.documents().size(), 1u);
    EXPECT_EQ(m_printer.documents()[0].pages.size(), 1u);
    TPrnDos pdf(h, false, "Courier New", &m_percent, 0, "T", true, 0, nullptr);
    EXPECT_TRUE(pdf.RunJob(writeJob("testo"), cover));
    EXPECT_NE(capture("pdfinfo " + quoted(pdf.pdfHostPath())).find("Pages:           1"),
              std::string::npos);
}

} // namespace
} // namespace spoolar::test
