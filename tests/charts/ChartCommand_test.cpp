// spoolar --convert DATA --chart 0|1|2, as a user runs it.
#include "support/EngineFixture.h"

#include <sys/wait.h>

namespace spoolar::test {
namespace {

class ChartCommand : public ::testing::Test
{
protected:
    ChartCommand() : m_root(makeTempDir("chartcmd"))
    {
        std::filesystem::create_directories(m_root / "home");
        std::string description = "[Serie0]\r\nColor=clRed\r\nValue0=Gen;10;dieci\r\n";
        for (int i = 1; i < 60; ++i)
            description += "Value" + std::to_string(i) + "=P" + std::to_string(i) + ";5;\r\n";
        std::ofstream(m_root / "chart.dat", std::ios::binary) << description;
        std::ofstream(m_root / "broken.dat", std::ios::binary)
            << "[Serie0]\r\nValue0=Gen;12,5;\r\n";
    }
    ~ChartCommand() override
    {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    std::pair<int, std::string> run(const std::string& arguments)
    {
        const std::string command =
            "cd " + quoted(m_root) + " && SPOOLAR_DRIVE_C=" + quoted(m_root / "c") +
            " SPOOLAR_HOME=" + quoted(m_root / "home") + " QT_QPA_PLATFORM=offscreen " +
            SPOOLAR_BINARY + " " + arguments + " 2>&1";
        std::string out;
        FILE* p = popen(command.c_str(), "r");
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        const int status = pclose(p);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
    }

    std::filesystem::path m_root;
};

TEST_F(ChartCommand, WritesThePdfOrThePagesOfAChartJob)
{
    auto [code, output] = run("--convert chart.dat --chart 2 -o grafico.pdf");
    ASSERT_EQ(code, 0) << output;
    EXPECT_NE(capture("pdftotext " + quoted(m_root / "grafico.pdf") + " -").find("dieci"),
              std::string::npos);
    EXPECT_NE(capture("pdfinfo " + quoted(m_root / "grafico.pdf")).find("Pages:           2"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(m_root / "c" / "SPOOL" / "Pdf.ok"));

    std::tie(code, output) = run("--convert chart.dat --chart 1 --png pages --dpi 20");
    ASSERT_EQ(code, 0) << output;
    EXPECT_TRUE(std::filesystem::exists(m_root / "pages" / "page-002.png"));
    EXPECT_FALSE(std::filesystem::exists(m_root / "pages" / "page-003.png"));

    // A fax cover goes in front of the chart pages.
    std::ofstream(m_root / "cover.dat") << "[Fields]\nFIELD0=Rossi\n";
    std::tie(code, output) =
        run("--convert chart.dat --chart 1 --png covered --dpi 20 --cover cover.dat");
    ASSERT_EQ(code, 0) << output;
    EXPECT_TRUE(std::filesystem::exists(m_root / "covered" / "page-003.png"));
}

TEST_F(ChartCommand, RefusesWhatItCannotRun)
{
    const std::vector<std::tuple<std::string, int, std::string>> cases{
        {"--convert chart.dat --chart 0", 2, "richiedono --png o --printer"},
        {"--convert chart.dat --chart 3", 2, "valore non valido per --chart"},
        {"--convert broken.dat --chart 2", 1, "'12,5' non è un valore numerico valido"}};
    for (const auto& [arguments, expectedCode, message] : cases) {
        const auto [code, output] = run(arguments);
        EXPECT_EQ(code, expectedCode) << arguments;
        EXPECT_NE(output.find(message), std::string::npos) << output;
    }
    EXPECT_FALSE(std::filesystem::exists(m_root / "c" / "SPOOL" / "Pdf.ok"));
}

} // namespace
} // namespace spoolar::test
