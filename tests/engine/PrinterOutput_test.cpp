// The printer target, raw pass-through and the printer list against a private CUPS.
#include "app/PrinterTable.h"
#include "platform/CupsSpooler.h"
#include "platform/Spooler.h"
#include "support/CupsServer.h"
#include "support/EngineFixture.h"

#include <sstream>

namespace spoolar::test {
namespace {

class PrinterOutput : public EngineFixture
{
protected:
    static void SetUpTestSuite()
    {
        s_server = CupsServer::start();
        if (!s_server->running())
            return;
        const bool added = s_server->addQueue("Ufficio_PDF", CupsServer::Queue::Pdf, "UFFICIO") &&
                           s_server->addQueue("Bolle_Testo", CupsServer::Queue::Text, "BOLLE") &&
                           s_server->addQueue("Senza_Nome", CupsServer::Queue::PostScript) &&
                           s_server->setDefault("Ufficio_PDF");
        if (!added)
            s_setupError = "lpadmin failed: " + s_server->lastOutput();
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        if (!s_server->running())
            GTEST_SKIP() << s_server->skipReason();
        ASSERT_EQ(s_setupError, "");
        m_printers = std::make_unique<PrinterObject>(m_spooler);
        m_printers->refresh();
    }

    EngineHost printerHost()
    {
        EngineHost h = host();
        h.printer = nullptr;
        h.printers = m_printers.get();
        return h;
    }

    std::string pdfText(const std::string& queue)
    {
        const auto file = m_root / "out.pdf";
        std::ofstream(file, std::ios::binary) << s_server->output(queue);
        return capture("pdfinfo " + quoted(file) + " | grep Pages; pdftotext " + quoted(file) +
                       " -");
    }

    static inline std::unique_ptr<CupsServer> s_server;
    static inline std::string s_setupError;
    CupsSpooler m_spooler;
    std::unique_ptr<PrinterObject> m_printers;
};

TEST_F(PrinterOutput, DirectJobIsOneDocumentOfAllItsPages)
{
    m_printers->selectByName("ufficio_pdf");
    m_host = std::make_unique<EngineHost>(printerHost());
    {
        TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "FATTURA", false, 0, nullptr);
        ASSERT_TRUE(engine.RunJob(writeJob("PAGINA UNO\x0C"
                                           "PAGINA DUE\x0C"
                                           "PAGINA TRE")));
    }
    ASSERT_TRUE(s_server->waitForJobs());
    const std::string text = pdfText("Ufficio_PDF");
    EXPECT_NE(text.find("Pages:           3"), std::string::npos) << text;
    const auto one = text.find("PAGINA UNO");
    const auto three = text.find("PAGINA TRE");
    ASSERT_NE(one, std::string::npos) << text;
    ASSERT_NE(three, std::string::npos) << text;
    EXPECT_LT(one, three);
}

TEST_F(PrinterOutput, JobWithAPageListReachesNoPrinter)
{
    std::error_code ec;
    std::filesystem::remove(s_server->outputPath("Ufficio_PDF"), ec);
    m_printers->selectByName("Ufficio_PDF");
    m_host = std::make_unique<EngineHost>(printerHost());
    TPageList pages;
    {
        TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "T", false, 0, &pages);
        ASSERT_TRUE(engine.RunJob(writeJob("a\x0C"
                                           "b\x0C"
                                           "c")));
    }
    EXPECT_EQ(pages.size(), 3u);
    ASSERT_TRUE(s_server->waitForJobs());
    EXPECT_FALSE(std::filesystem::exists(s_server->outputPath("Ufficio_PDF")));
}

TEST_F(PrinterOutput, PassThroughSendsEveryCopyInOneDocument)
{
    m_printers->selectByName("Bolle_Testo");
    m_printers->device().setCopies(2);
    m_host = std::make_unique<EngineHost>(printerHost());
    const std::string job = "riga 1\r\nriga 2\r\n" + std::string("dopo\0nascosto\r\n", 15) +
                            std::string(1500, 'x') + "\r\nfine";
    {
        TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "BOLLA", false, 0, nullptr);
        engine.PassThrough(writeJob(job));
    }
    ASSERT_TRUE(s_server->waitForJobs());
    // LF line ends, nothing after a NUL in its piece, long lines cut into pieces but all sent.
    const std::string once = "riga 1\nriga 2\ndopo" + std::string(1500, 'x') + "\nfine";
    EXPECT_EQ(s_server->output("Bolle_Testo"), once + once);
    EXPECT_EQ(m_printers->device().copies(), 2);
}

TEST_F(PrinterOutput, PrinterListNamesTheNamedPrintersAndThePdfTarget)
{
    m_printers->setPrinterIndex(-1);
    m_host = std::make_unique<EngineHost>(printerHost());
    {
        TPrnDos engine(*m_host, false, "Courier New", &m_percent, 0, "", false, 0, nullptr);
        engine.WritePrinterList();
    }
    std::ifstream in(spool("PRINTERS.LST"), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::istringstream split(content);
    for (std::string line; std::getline(split, line);) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << "lines end with CR LF";
        line.pop_back();
        EXPECT_EQ(line.size(), 104u) << line;
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 3u) << content;
    EXPECT_EQ(lines[0].substr(0, 20), std::string("BOLLE") + std::string(15, ' '));
    EXPECT_EQ(lines[0].substr(20, 11), "Bolle_Testo");
    EXPECT_EQ(lines[0][79], 'T');
    EXPECT_EQ(lines[1].substr(0, 7), "UFFICIO");
    EXPECT_EQ(lines[1][79], 'G');
    EXPECT_EQ(lines[2].substr(0, 32), "PDF Embedded        PDF Embedded");
    EXPECT_EQ(lines[2][79], 'G');
    // A4 portrait at 600 dpi in pica: lines of 113 dots in the printable height.
    for (const std::string& line : lines) {
        for (std::size_t i = 80; i < 104; ++i)
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(line[i]))) << line;
        EXPECT_GT(std::stoi(line.substr(80, 3)), 50) << line;
    }
    // The printer selected before is selected again.
    EXPECT_EQ(m_printers->printerIndex(), -1);
}

TEST_F(PrinterOutput, PrinterTableShowsEveryPrinterAndWhetherAllAreNamed)
{
    const PrinterTable::Build table = PrinterTable::build(*m_printers, m_prompts);
    ASSERT_EQ(table.rows.size(), 4u);
    EXPECT_EQ(table.rows[0], PrinterTable::pdfRow());
    EXPECT_EQ(table.rows[1].model, "Bolle_Testo");
    EXPECT_EQ(table.rows[1].userName, "BOLLE");
    EXPECT_EQ(table.rows[1].kind, "T");
    EXPECT_EQ(table.rows[2].userName, "");
    EXPECT_EQ(table.rows[2].kind, "G");
    EXPECT_NE(table.rows[2].port.find("file:"), std::string::npos);
    EXPECT_FALSE(table.allNamed);
    EXPECT_TRUE(m_prompts.shown().empty());
}

TEST_F(PrinterOutput, NamingAPrinterAndItsRefusal)
{
    int restarts = 0;
    const auto restart = [&] { ++restarts; };
    EXPECT_EQ(setPrinterUserName(m_spooler, m_prompts, "Senza_Nome", "NUOVA", restart),
              NamingResult::Named);
    EXPECT_EQ(m_spooler.printerInfo("Senza_Nome")->comment, "NUOVA");
    EXPECT_EQ(setPrinterUserName(m_spooler, m_prompts, "Senza_Nome", "", restart),
              NamingResult::Named);
    EXPECT_EQ(m_spooler.printerInfo("Senza_Nome")->comment, "");

    // A refusal (here: a queue that does not exist) offers the restart with the rights needed.
    m_prompts.setNextAnswer(PromptAnswer::Cancel);
    EXPECT_EQ(setPrinterUserName(m_spooler, m_prompts, "Non_Esiste", "X", restart),
              NamingResult::Refused);
    ASSERT_EQ(m_prompts.shown().size(), 1u);
    EXPECT_EQ(m_prompts.shown()[0].kind, PromptKind::Warning);
    EXPECT_EQ(m_prompts.shown()[0].buttons, PromptButtons::OkCancel);
    EXPECT_EQ(m_prompts.shown()[0].text.rfind("L'assegnazione del nome alla stampante", 0), 0u);
    m_prompts.setNextAnswer(PromptAnswer::Ok);
    EXPECT_EQ(setPrinterUserName(m_spooler, m_prompts, "Non_Esiste", "X", restart),
              NamingResult::RestartRequested);
    EXPECT_EQ(restarts, 1);
}

TEST_F(PrinterOutput, CommandLinePrintsOnTheNamedOrTheDefaultPrinter)
{
    writeJob("UNO\x0C"
             "DUE",
             "cli.dat");
    const std::string env = "SPOOLAR_DRIVE_C=" + quoted(m_root / "drive_c") +
                            " SPOOLAR_HOME=" + quoted(m_root / "home") +
                            " QT_QPA_PLATFORM=offscreen ";
    const std::string codes =
        " --control-codes " + quoted(std::filesystem::path(SPOOLAR_FIXTURES) / "PRNCONTR.COD");
    std::error_code ec;
    std::filesystem::remove(s_server->outputPath("Ufficio_PDF"), ec);
    // An unknown printer name prints on the default printer.
    std::string out = capture(env + SPOOLAR_BINARY + " --convert " + quoted(m_root / "cli.dat") +
                              " --printer NESSUNA --copies 2 --collate" + codes + " 2>&1");
    EXPECT_NE(out.find("Ufficio_PDF"), std::string::npos) << out;
    ASSERT_TRUE(s_server->waitForJobs());
    const std::string text = pdfText("Ufficio_PDF");
    EXPECT_NE(text.find("Pages:           4"), std::string::npos) << text; // 2 pages x 2 copies

    out = capture(env + SPOOLAR_BINARY + " --printer-list 2>&1");
    EXPECT_NE(out.find("PDF Embedded"), std::string::npos) << out;
    EXPECT_NE(out.find("Bolle_Testo"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::exists(spool("PRINTERS.LST")));
    const auto cache = PrinterTable::loadCache(m_root / "home" / "spoolar.grd");
    ASSERT_TRUE(cache.has_value());
    EXPECT_EQ(cache->front(), PrinterTable::pdfRow());
}

TEST_F(PrinterOutput, StoppedOrRefusingQueueIsNotGivenTheJob)
{
    ASSERT_TRUE(s_server->addQueue("Ferma", CupsServer::Queue::PostScript, "FERMA"));
    ASSERT_EQ(CupsServer::run({"cupsdisable", "Ferma"}).exitCode, 0);
    m_printers->refresh();
    EXPECT_THROW(m_printers->selectForJob("Ferma"), PrinterError);
    ASSERT_TRUE(s_server->enable("Ferma"));
    EXPECT_NO_THROW(m_printers->selectForJob("Ferma"));
    ASSERT_TRUE(s_server->reject("Ferma"));
    EXPECT_THROW(m_printers->selectForJob("Ferma"), PrinterError);

    writeJob("x", "ferma.dat");
    const std::string out =
        capture("SPOOLAR_DRIVE_C=" + quoted(m_root / "drive_c") + " QT_QPA_PLATFORM=offscreen " +
                SPOOLAR_BINARY + " --convert " + quoted(m_root / "ferma.dat") +
                " --printer Ferma 2>&1; echo exit=$?");
    EXPECT_NE(out.find("La stampante Ferma non risulta installata"), std::string::npos) << out;
    EXPECT_NE(out.find("exit=1"), std::string::npos) << out;
    ASSERT_TRUE(s_server->removeQueue("Ferma"));
}

TEST(PrinterOutputWithoutServer, CommandLineReportsThePrinterAndEnds)
{
    const auto dir = makeTempDir("nocups");
    std::ofstream(dir / "j.dat") << "x";
    const auto started = std::chrono::steady_clock::now();
    const std::string out = capture(
        "CUPS_SERVER=" + (dir / "none.sock").string() + " SPOOLAR_DRIVE_C=" + quoted(dir / "c") +
        " QT_QPA_PLATFORM=offscreen " + SPOOLAR_BINARY + " --convert " + quoted(dir / "j.dat") +
        " --printer Qualsiasi 2>&1; echo exit=$?");
    EXPECT_NE(out.find("La stampante Qualsiasi non risulta installata"), std::string::npos) << out;
    EXPECT_NE(out.find("exit=1"), std::string::npos) << out;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace spoolar::test
