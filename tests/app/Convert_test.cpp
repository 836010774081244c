// spoolar --convert from the command line, as a user runs it.
#include "support/EngineFixture.h"

#include <sys/wait.h>

namespace spoolar::test {
namespace {

class Convert : public ::testing::Test
{
protected:
    Convert() : m_root(makeTempDir("convert")) {}
    ~Convert() override
    {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    struct Result
    {
        int exitCode;
        std::string output; // standard output and error together
    };

    Result run(const std::string& arguments)
    {
        const std::string command =
            "cd " + quoted(m_root) + " && SPOOLAR_DRIVE_C=" + quoted(m_root / "c") +
            " QT_QPA_PLATFORM=offscreen " + SPOOLAR_BINARY + " " + arguments + " 2>&1";
        std::string out;
        FILE* p = popen(command.c_str(), "r");
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        const int status = pclose(p);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
    }

    void writeJob(const std::string& name, const std::string& bytes)
    {
        std::ofstream(m_root / name, std::ios::binary) << bytes;
    }

    std::string codes() const
    {
        return "--control-codes " +
               quoted(std::filesystem::path(SPOOLAR_FIXTURES) / "PRNCONTR.COD");
    }

    std::filesystem::path m_root;
};

TEST_F(Convert, WritesThePdfItsReadyFileAndTheCopy)
{
    writeJob("fattura.dat", "\x1B"
                            "EFATTURA\x1B"
                            "F\r\nCitt\x85\x0C"
                            "Pagina 2\r\n");
    const Result r =
        run("--convert fattura.dat --title FATTURA --pdf-type 2 -o copia.pdf " + codes());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(std::filesystem::exists(m_root / "copia.pdf"));
    std::ifstream ok(m_root / "c" / "SPOOL" / "Pdf.ok");
    std::string announced;
    std::getline(ok, announced);
    EXPECT_EQ(announced.rfind("C:\\SPOOL\\PDF\\FATTURA_", 0), 0u) << announced;
    const std::string text = capture("pdftotext -enc UTF-8 " + quoted(m_root / "copia.pdf") + " -");
    EXPECT_NE(text.find("Città"), std::string::npos) << text;
    EXPECT_NE(capture("pdfinfo " + quoted(m_root / "copia.pdf")).find("Pages:           2"),
              std::string::npos);
}

TEST_F(Convert, TitleFromTheCommandLineIsTakenAsUtf8)
{
    writeJob("j.dat", "x");
    const Result r = run("--convert j.dat --title 'Città' " + codes());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // The host file name is UTF-8; Pdf.ok speaks the Windows code page of the producing programs.
    EXPECT_NE(r.output.find("/Città_"), std::string::npos) << r.output;
    std::ifstream ok(m_root / "c" / "SPOOL" / "Pdf.ok", std::ios::binary);
    std::string announced;
    std::getline(ok, announced);
    EXPECT_EQ(announced.rfind("C:\\SPOOL\\PDF\\Citt\xE0_", 0), 0u) << announced;
}

TEST_F(Convert, RendersPrinterPagesAsImages)
{
    writeJob("bolla.dat", "uno\x0C"
                          "due\x0C"
                          "tre");
    const Result r = run("--convert bolla.dat --png pagine --dpi 50 " + codes());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    for (const char* name : {"page-001.png", "page-002.png", "page-003.png"})
        EXPECT_TRUE(std::filesystem::exists(m_root / "pagine" / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(m_root / "pagine" / "page-004.png"));
}

TEST_F(Convert, BadInputGivesAClearMessageAndNoOutput)
{
    struct Case
    {
        std::string arguments;
        const char* message;
    };
    writeJob("ok.dat", "x");
    for (const Case& c : std::vector<Case>{
             {"--convert manca.dat", "impossibile leggere il file di lavoro"},
             {"--convert ok.dat --pdf-type 7", "valore non valido per --pdf-type"},
             {"--convert ok.dat --bogus", "opzione sconosciuta"},
             {"--convert", "manca il valore"},
             {"--convert ok.dat --font \"Nessun Font\"", "ERRORE HPDF"},
         }) {
        const Result r = run(c.arguments);
        EXPECT_NE(r.exitCode, 0) << c.arguments;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.arguments << "\n" << r.output;
    }
    EXPECT_FALSE(std::filesystem::exists(m_root / "c" / "SPOOL" / "Pdf.ok"));
}

} // namespace
} // namespace spoolar::test
