// spoolar --convert --cover: the fax cover page in front of the printed pages.
#include "overlays/OverlayFixture.h"

#include <sys/wait.h>

namespace spoolar::test {
namespace {

class ConvertCover : public OverlayFixture
{
protected:
    std::pair<int, std::string> run(const std::string& arguments)
    {
        const std::string command =
            "cd " + quoted(cwd()) + " && SPOOLAR_DRIVE_C=" + quoted(m_root / "drive_c") +
            " SPOOLAR_HOME=" + quoted(m_root / "home") + " QT_QPA_PLATFORM=offscreen " +
            SPOOLAR_BINARY + " --convert " + quoted(writeJob("uno" + esc::FF + "\r\ndue")) +
            " --control-codes " + quoted(std::filesystem::path(SPOOLAR_FIXTURES) / "PRNCONTR.COD") +
            " " + arguments + " 2>&1";
        std::string out;
        FILE* p = popen(command.c_str(), "r");
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        const int status = pclose(p);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
    }
};

TEST_F(ConvertCover, CoverPageComesFirstOnlyOnPrintedPages)
{
    writeText(m_root / "home" / "FaxCover.ini",
              "[FONTLABEL]\r\nSize=40\r\n[LABEL0]\r\nText=Pagine\r\nVisible=1\r\nTop=100\r\n"
              "Left=100\r\n[FIELD0]\r\nTop=100\r\nLeft=400\r\n");
    writeText(m_root / "cover.ini", "[Fields]\r\nFIELD0=Mario Rossi\r\n");
    const auto dir = m_root / "png";
    const auto [code, output] =
        run("--cover " + quoted(m_root / "cover.ini") + " --png " + quoted(dir) + " --dpi 100");
    ASSERT_EQ(code, 0) << output;
    EXPECT_TRUE(std::filesystem::exists(dir / "page-003.png")) << output;
    // The cover holds the caption and its value, the job's pages follow it.
    const QImage cover(QString::fromStdString((dir / "page-001.png").string()));
    const QImage first(QString::fromStdString((dir / "page-002.png").string()));
    auto darkPixels = [](const QImage& page) {
        int dark = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                dark += qGray(page.pixel(x, y)) < 160;
        return dark;
    };
    EXPECT_GT(darkPixels(cover), 0);
    EXPECT_GT(darkPixels(first), 0);
    EXPECT_NE(cover, first);

    const auto [pdfCode, pdfOutput] = run("--cover " + quoted(m_root / "cover.ini"));
    EXPECT_NE(pdfCode, 0);
    EXPECT_NE(pdfOutput.find("--cover richiede --png o --printer"), std::string::npos);
}

} // namespace
} // namespace spoolar::test
