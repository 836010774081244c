// PDF files: name, Pdf.ok, text, fonts, metadata and failures, checked with poppler and qpdf.
#include "engine/PdfError.h"
#include "engine/PdfFileName.h"
#include "support/EngineFixture.h"

#include <cstdlib>
#include <ctime>
#include <sstream>

namespace spoolar::test {
namespace {

class PdfOutput : public EngineFixture
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
    static std::chrono::system_clock::time_point utc(int y, int mo, int d, int h, int mi, int s)
    {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = mo - 1;
        t.tm_mday = d;
        t.tm_hour = h;
        t.tm_min = mi;
        t.tm_sec = s;
        return std::chrono::system_clock::from_time_t(timegm(&t));
    }
    std::string readFile(const std::filesystem::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::optional<std::string> m_savedTz;
};

TEST_F(PdfOutput, FileIsNamedAfterTitleAndLocalTimeAndAnnouncedInPdfOk)
{
    // 08:51:39 UTC is 09:51:39 in Rome on 27 March 2026.
    m_clock.set(utc(2026, 3, 27, 8, 51, 39));
    const auto pdf = writePdf("Fattura n. 1", 0, "FATTURA");
    EXPECT_EQ(pdf.filename(), "FATTURA_20260327-095139.pdf");
    EXPECT_TRUE(std::filesystem::exists(spool("PDF/FATTURA_20260327-095139.pdf")));
    EXPECT_EQ(readFile(spool("Pdf.ok")), "C:\\SPOOL\\PDF\\FATTURA_20260327-095139.pdf");
    // The dates inside are UTC with a zero offset, whatever the local zone.
    const std::string info = capture("pdfinfo -isodates " + quoted(pdf));
    EXPECT_NE(info.find("2026-03-27T08:51:39"), std::string::npos) << info;
    EXPECT_NE(info.find("Author:          Tobrin 365"), std::string::npos) << info;
    EXPECT_NE(info.find("Creator:         Spoolar by Qvor"), std::string::npos) << info;
    EXPECT_NE(info.find("Pages:           1"), std::string::npos) << info;
    // No partial files are left beside it.
    for (const auto& entry : std::filesystem::directory_iterator(spool("PDF")))
        EXPECT_EQ(entry.path().extension(), ".pdf");
}

TEST_F(PdfOutput, FileNamesNeverCarryForbiddenCharacters)
{
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 0;
    t.tm_mday = 2;
    t.tm_hour = 3;
    t.tm_min = 4;
    t.tm_sec = 5;
    EXPECT_EQ(pdfWindowsPath("", t), "C:\\SPOOL\\PDF\\_20260102-030405.pdf");
    EXPECT_EQ(pdfWindowsPath("a/b\\c:d*e?f\"g<h>i|j\x01k", t),
              "C:\\SPOOL\\PDF\\a_b_c_d_e_f_g_h_i_j_k_20260102-030405.pdf");
    const auto pdf = writePdf("x", 0, "DDT 1/2026");
    EXPECT_EQ(pdf.filename().string().substr(0, 11), "DDT 1_2026_");
    EXPECT_TRUE(std::filesystem::exists(pdf));
}

TEST_F(PdfOutput, TextIsConvertedAndTheFamilyEmbedded)
{
    const auto pdf = writePdf("Citt\x85 perch\x8A \x82 cos\x8D pu\x95 pi\x97 \xF5 \xD5");
    const std::string text = capture("pdftotext -enc UTF-8 " + quoted(pdf) + " -");
    EXPECT_NE(text.find("Città perchè é così può più § i"), std::string::npos) << text;
    const std::string fonts = capture("pdffonts " + quoted(pdf));
    EXPECT_NE(fonts.find("LiberationMono"), std::string::npos) << fonts;
    // Every font embedded as a subset.
    std::istringstream lines(fonts);
    std::string line;
    int fontLines = 0;
    while (std::getline(lines, line)) {
        if (line.find("TrueType") == std::string::npos)
            continue;
        ++fontLines;
        EXPECT_NE(line.find(" yes yes "), std::string::npos) << line;
    }
    EXPECT_GT(fontLines, 0);
    EXPECT_EQ(capture("qpdf --check " + quoted(pdf) + " >/dev/null 2>&1; echo $?"), "0\n");
}

TEST_F(PdfOutput, PdfAMetadataOnlyForPdfATypes)
{
    struct Case
    {
        int type;
        const char* conformance; // nullptr: no PDF/A metadata at all
    };
    for (const Case& c : {Case{0, nullptr}, Case{1, "A"}, Case{2, "B"}}) {
        const auto pdf = writePdf("Fattura", c.type, "T" + std::to_string(c.type));
        ASSERT_TRUE(std::filesystem::exists(pdf)) << c.type;
        const std::string meta = capture("pdfinfo -meta " + quoted(pdf));
        if (!c.conformance) {
            EXPECT_EQ(meta.find("pdfaid"), std::string::npos) << meta;
        } else {
            EXPECT_NE(meta.find("pdfaid:part"), std::string::npos) << meta;
            EXPECT_NE(meta.find(std::string("pdfaid:conformance='") + c.conformance + "'"),
                      std::string::npos)
                << meta;
        }
        const std::string info = capture("pdfinfo " + quoted(pdf));
        EXPECT_NE(info.find(c.type == 1 ? "Tagged:          yes" : "Tagged:          no"),
                  std::string::npos)
            << info;
    }
}

TEST_F(PdfOutput, MissingFolderRaisesTheLibharuErrorAndWritesNothing)
{
    std::filesystem::remove_all(spool("PDF"));
    m_host = std::make_unique<EngineHost>(host());
    TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "T", true, 0, nullptr);
    try {
        engine.RunJob(writeJob("x"));
        FAIL() << "no error raised";
    } catch (const PdfError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("ERRORE HPDF: Codice errore = ", 0), 0u);
        EXPECT_NE(std::string(e.what()).find("Pulsante [Riprova]"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(spool("Pdf.ok")));
    EXPECT_TRUE(engine.pdfWindowsPath().empty());
}

TEST_F(PdfOutput, UnknownFamilyFailsAtTheFirstFontSelection)
{
    m_host = std::make_unique<EngineHost>(host());
    EXPECT_THROW(
        TPrnDos(*m_host, false, "No Such Family Xyz", &m_percent, 0, "T", true, 0, nullptr),
        PdfError);
}

TEST_F(PdfOutput, MissingVariantsFallBack)
{
    // Noto Sans Mono stands for Consolas here and has no italic file.
    HPDF_Doc doc = HPDF_New(nullptr, nullptr);
    TPdfFonts fonts(m_fonts);
    fonts.LoadFamily(doc, "Consolas");
    const HPDF_Font regular = fonts.GetFont("Consolas", false, false);
    const HPDF_Font bold = fonts.GetFont("consolas", true, false);
    ASSERT_NE(regular, nullptr);
    ASSERT_NE(bold, nullptr);
    EXPECT_NE(regular, bold);
    EXPECT_EQ(fonts.GetFont("Consolas", false, true), regular);
    EXPECT_EQ(fonts.GetFont("Consolas", true, true), bold);
    EXPECT_EQ(fonts.GetFont("Other", false, false), nullptr);
    HPDF_Free(doc);
}

TEST_F(PdfOutput, StyleChangesInMidPageKeepTheLine)
{
    // Each style change selects the font again; after the first line it must not send the pen
    // back to the top of the page.
    const auto pdf = writePdf("primo\r\n" + esc::BOLD_ON + "secondo" + esc::BOLD_OFF + "\r\n" +
                              esc::COND_ON + "terzo");
    const std::string text = capture("pdftotext -layout " + quoted(pdf) + " -");
    EXPECT_NE(text.find("primo\nsecondo\nterzo"), std::string::npos) << text;
}

TEST_F(PdfOutput, EveryPageOfAJobIsWritten)
{
    const auto pdf = writePdf("uno\x0C"
                              "due\x0C"
                              "tre\x0C");
    const std::string info = capture("pdfinfo " + quoted(pdf));
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    const auto empty = writePdf("", 0, "EMPTY");
    EXPECT_NE(capture("pdfinfo " + quoted(empty)).find("Pages:           1"), std::string::npos);
}

} // namespace
} // namespace spoolar::test
