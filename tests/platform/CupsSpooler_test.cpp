#include "platform/CupsPrinterDevice.h"
#include "platform/CupsSpooler.h"
#include "platform/Spooler.h"
#include "support/CupsServer.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <csignal>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace spoolar;
using spoolar::test::CupsServer;

namespace {

// ---------------------------------------------------------------------------------------------
// PrinterObject over a spooler of our own: selection rules without any CUPS.

class FakeSpooler : public ISpooler
{
public:
    std::vector<std::string> names;
    std::optional<std::string> defaultName;
    std::vector<std::string> unopenable;
    std::vector<std::string> opened;

    std::vector<std::string> printerNames() override { return names; }
    std::optional<std::string> defaultPrinter() override { return defaultName; }
    std::optional<PrinterInfo> printerInfo(std::string_view) override { return std::nullopt; }
    bool setComment(std::string_view, std::string_view) override { return false; }
    bool supportsCollate(std::string_view) override { return false; }
    bool setDefaultCollate(std::string_view, bool) override { return false; }
    bool readyForJobs(std::string_view) override { return true; }
    std::unique_ptr<IRawDocument> startRawDocument(std::string_view, std::string_view) override
    {
        return nullptr;
    }
    std::unique_ptr<IPrinterDevice> openDevice(std::string_view name) override
    {
        for (const std::string& u : unopenable) {
            if (u == name)
                return nullptr;
        }
        opened.emplace_back(name);
        return std::make_unique<VirtualPrinter>(std::string(name));
    }
};

TEST(PrinterObject, SelectsByIndexAndDefault)
{
    FakeSpooler spooler;
    spooler.names = {"Epson LX", "HP LaserJet", "PDF"};
    spooler.defaultName = "HP LaserJet";
    PrinterObject printers(spooler);
    EXPECT_EQ(printers.refresh(), spooler.names);

    printers.setPrinterIndex(2);
    EXPECT_EQ(printers.printerIndex(), 2);
    EXPECT_EQ(printers.currentName(), "PDF");
    EXPECT_EQ(printers.device().name(), "PDF");

    printers.setPrinterIndex(-1);
    EXPECT_EQ(printers.printerIndex(), -1);
    EXPECT_EQ(printers.currentName(), "HP LaserJet");
    EXPECT_EQ(printers.device().name(), "HP LaserJet");
}

TEST(PrinterObject, FailedSelectionThrowsAndKeepsThePreviousPrinter)
{
    FakeSpooler spooler;
    spooler.names = {"A", "B"};
    spooler.defaultName = "A";
    spooler.unopenable = {"B"};
    PrinterObject printers(spooler);
    printers.refresh();
    printers.setPrinterIndex(0);

    for (int index : {1, 2, -2}) {
        EXPECT_THROW(printers.setPrinterIndex(index), PrinterError) << index;
        EXPECT_EQ(printers.printerIndex(), 0) << index;
        EXPECT_EQ(printers.device().name(), "A") << index;
    }
}

TEST(PrinterObject, SelectByNameIgnoresCaseAndFallsBackToTheDefault)
{
    FakeSpooler spooler;
    spooler.names = {"Epson LX", "HP LaserJet"};
    spooler.defaultName = "HP LaserJet";
    PrinterObject printers(spooler);

    printers.selectByName("EPSON lx");
    EXPECT_EQ(printers.printerIndex(), 0);
    EXPECT_EQ(printers.currentName(), "Epson LX");

    printers.selectByName("Not installed");
    EXPECT_EQ(printers.printerIndex(), -1);
    EXPECT_EQ(printers.currentName(), "HP LaserJet");
}

TEST(PrinterObject, WithoutPrintersNothingCanBeSelected)
{
    FakeSpooler spooler;
    PrinterObject printers(spooler);
    try {
        printers.selectByName("Epson");
        FAIL() << "no exception";
    } catch (const PrinterError& e) {
        EXPECT_STREQ(e.what(), "Nessuna stampante definita!");
    }
    EXPECT_THROW(printers.device(), PrinterError);
    EXPECT_EQ(printers.currentName(), "");
}

TEST(PrinterObject, DeviceSelectsTheDefaultPrinterOnFirstUse)
{
    FakeSpooler spooler;
    spooler.names = {"A", "B"};
    spooler.defaultName = "B";
    PrinterObject printers(spooler);
    EXPECT_EQ(printers.device().name(), "B");
    EXPECT_EQ(printers.printerIndex(), -1);
    EXPECT_EQ(spooler.opened, std::vector<std::string>{"B"});
    // The same device stays selected: no second open.
    printers.device();
    EXPECT_EQ(spooler.opened.size(), 1u);

    spooler.defaultName.reset();
    PrinterObject noDefault(spooler);
    EXPECT_THROW(noDefault.device(), PrinterError);
}

// ---------------------------------------------------------------------------------------------
// The CUPS spooler against a private cupsd.

// One page with a line of text, recorded as the engine records it at 600 dpi.
TMetafile textPage(const std::string& text)
{
    TMetafile page(4960, 7016, 600, 600);
    TMetafileCanvas canvas(page);
    LogFont font;
    font.family = "Courier New";
    font.height = -100;
    canvas.setFont(font);
    canvas.textOut(600, 600, text);
    return page;
}

std::string pdfText(const std::string& path)
{
    return CupsServer::run({"pdftotext", "-layout", path, "-"}).output;
}

int pdfPages(const std::string& path)
{
    const std::string info = CupsServer::run({"pdfinfo", path}).output;
    const auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// The id of the newest job of a queue, completed or not; 0 when it has none.
int lastJobId(const std::string& queue)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
    int id = 0;
    for (int i = 0; i < count; ++i)
        id = std::max(id, jobs[i].id);
    cupsFreeJobs(count, jobs);
    return id;
}

// The attributes of the newest job of a queue.
std::map<std::string, std::string> lastJobAttributes(const std::string& queue)
{
    std::map<std::string, std::string> result;
    const int id = lastJobId(queue);
    if (id == 0)
        return result;

    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/jobs/%d", id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
    // Without the user cupsd hides the private values of the job, such as its name.
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                 cupsUser());
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response)) {
        if (!ippGetName(a))
            continue;
        char value[1024];
        ippAttributeString(a, value, sizeof value);
        result[ippGetName(a)] = value;
    }
    ippDelete(response);
    return result;
}

class CupsSpoolerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = CupsServer::start();
        if (!s_server->running())
            return;
        // Added out of order: CUPS lists its queues by name.
        const bool added =
            s_server->addQueue("Zeta_Raw", CupsServer::Queue::NoPpd) &&
            s_server->addQueue("PDF", CupsServer::Queue::Pdf, "Stampante PDF") &&
            s_server->addQueue("Testo", CupsServer::Queue::Text, "Magazzino bolle") &&
            s_server->addQueue("alfa_ps", CupsServer::Queue::PostScript, "Ufficio contabilità") &&
            s_server->setDefault("PDF");
        if (!added)
            s_setupError = "lpadmin failed: " + s_server->lastOutput();
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        if (!s_server->running())
            GTEST_SKIP() << s_server->skipReason();
        ASSERT_EQ(s_setupError, "");
    }

    // Prints the pages through the printer object as the engine does.
    static void printPages(IPrinterDevice& device, int count, int copies)
    {
        device.setTitle("Fattura n\xB0 12");
        device.setCopies(copies);
        device.beginDoc();
        for (int i = 1; i <= count; ++i) {
            if (i > 1)
                device.newPage();
            device.drawPage(textPage("PAGINA " + std::to_string(i)));
        }
        device.endDoc();
    }

    static inline std::unique_ptr<CupsServer> s_server;
    static inline std::string s_setupError;
    CupsSpooler m_spooler;
};

TEST_F(CupsSpoolerTest, ListsTheQueuesInCupsOrderAndTheDefault)
{
    EXPECT_EQ(m_spooler.printerNames(),
              (std::vector<std::string>{"alfa_ps", "PDF", "Testo", "Zeta_Raw"}));
    EXPECT_EQ(m_spooler.defaultPrinter(), "PDF");

    ASSERT_TRUE(s_server->setDefault("Testo"));
    EXPECT_EQ(m_spooler.defaultPrinter(), "Testo");
    ASSERT_TRUE(s_server->setDefault("PDF"));
}

TEST_F(CupsSpoolerTest, PrinterInfoGivesCommentDriverAndPort)
{
    struct Case
    {
        std::string queue;
        std::string comment;
        std::string driver;
    };
    // Comments come in the ANSI code page, as the Windows spooler gives them.
    for (const Case& c : std::vector<Case>{
             {"alfa_ps", "Ufficio contabilit\xE0", "Generic PostScript Printer"},
             {"PDF", "Stampante PDF", "Generic PDF Printer"},
             {"Testo", "Magazzino bolle", "Generic / Text Only"},
             {"Zeta_Raw", "", "Generic / Text Only"},
         }) {
        const std::optional<PrinterInfo> info = m_spooler.printerInfo(c.queue);
        ASSERT_TRUE(info) << c.queue;
        EXPECT_EQ(info->name, c.queue);
        EXPECT_EQ(info->comment, c.comment) << c.queue;
        EXPECT_EQ(info->driver, c.driver) << c.queue;
        EXPECT_EQ(info->port, "file://" + s_server->outputPath(c.queue)) << c.queue;
    }
    // CUPS compares queue names without case; the answer has the queue's own spelling.
    ASSERT_TRUE(m_spooler.printerInfo("testo"));
    EXPECT_EQ(m_spooler.printerInfo("testo")->name, "Testo");
    EXPECT_FALSE(m_spooler.printerInfo("Missing"));
    EXPECT_FALSE(m_spooler.printerInfo(""));
}

TEST_F(CupsSpoolerTest, PrinterObjectSelectsQueuesByNameWithoutCase)
{
    PrinterObject printers(m_spooler);
    printers.refresh();
    printers.selectByName("TESTO");
    EXPECT_EQ(printers.printerIndex(), 2);
    EXPECT_EQ(printers.currentName(), "Testo");
    EXPECT_EQ(printers.device().name(), "Testo");

    printers.selectByName("Stampante che non c'e");
    EXPECT_EQ(printers.printerIndex(), -1);
    EXPECT_EQ(printers.device().name(), "PDF");
}

TEST_F(CupsSpoolerTest, SetCommentAsAdministratorReadsBack)
{
    ASSERT_TRUE(m_spooler.setComment("testo", "Banco \x80 1"));
    EXPECT_EQ(m_spooler.printerInfo("Testo")->comment, "Banco \x80 1");
    ASSERT_TRUE(m_spooler.setComment("Testo", ""));
    EXPECT_EQ(m_spooler.printerInfo("Testo")->comment, "");
    ASSERT_TRUE(m_spooler.setComment("Testo", "Magazzino bolle"));

    // Modifying an unknown queue must not create it.
    EXPECT_FALSE(m_spooler.setComment("Nuova", "x"));
    EXPECT_FALSE(m_spooler.printerInfo("Nuova"));
}

TEST_F(CupsSpoolerTest, SetCommentIsRefusedToAnOrdinaryUser)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to become another user";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // nobody: may print, may not administer printers.
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        CupsSpooler spooler;
        if (!spooler.printerInfo("PDF"))
            _exit(2);
        _exit(spooler.setComment("PDF", "Cambiata") ? 1 : 0);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            FAIL() << "setComment as nobody did not return";
        }
        usleep(20000);
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: accepted, 2: cannot read the queue, 3: setuid";
    EXPECT_EQ(m_spooler.printerInfo("PDF")->comment, "Stampante PDF");
}

TEST_F(CupsSpoolerTest, CollationSupportAndDefault)
{
    // A driver with a Collate option.
    const std::string ppd = CupsServer::textOnlyPpdText() +
                            "*OpenUI *Collate/Collate Copies: Boolean\n"
                            "*DefaultCollate: False\n"
                            "*Collate True: \"\"\n"
                            "*Collate False: \"\"\n"
                            "*CloseUI: *Collate\n";
    ASSERT_TRUE(s_server->addQueueWithPpd("Fascicola", ppd)) << s_server->lastOutput();
    EXPECT_TRUE(m_spooler.supportsCollate("Fascicola"));
    EXPECT_FALSE(m_spooler.supportsCollate("Testo"));
    EXPECT_FALSE(m_spooler.supportsCollate("Missing"));

    for (bool collate : {false, true, false}) {
        ASSERT_TRUE(m_spooler.setDefaultCollate("Fascicola", collate));
        EXPECT_EQ(m_spooler.defaultCollate("Fascicola"), collate);
        const std::string options = CupsServer::run({"lpoptions", "-p", "Fascicola"}).output;
        EXPECT_NE(options.find(collate
                                   ? "multiple-document-handling=separate-documents-collated"
                                   : "multiple-document-handling=separate-documents-uncollated"),
                  std::string::npos)
            << options;
    }
    EXPECT_FALSE(m_spooler.setDefaultCollate("Missing", true));
    EXPECT_FALSE(m_spooler.printerInfo("Missing"));
    ASSERT_TRUE(s_server->removeQueue("Fascicola"));
}

TEST_F(CupsSpoolerTest, RawDocumentArrivesByteForByte)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    bytes += "\x1b@\x1bx1FATTURA\r\n\x0c";

    std::unique_ptr<IRawDocument> doc = m_spooler.startRawDocument("Testo", "Fattura");
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->write(bytes.substr(0, 100)));
    EXPECT_TRUE(doc->write(""));
    EXPECT_TRUE(doc->write(bytes.substr(100)));
    EXPECT_TRUE(doc->finish());
    ASSERT_TRUE(s_server->waitForJobs());
    EXPECT_EQ(s_server->output("Testo"), bytes);
    EXPECT_EQ(lastJobAttributes("Testo")["job-state"], "completed");

    EXPECT_FALSE(m_spooler.startRawDocument("Missing", "Fattura"));
}

TEST_F(CupsSpoolerTest, AbortedRawDocumentIsCancelled)
{
    std::unique_ptr<IRawDocument> doc = m_spooler.startRawDocument("Testo", "Annullata");
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->write("NON STAMPARE"));
    doc->abort();
    EXPECT_FALSE(doc->write("x"));
    EXPECT_FALSE(doc->finish());
    ASSERT_TRUE(s_server->waitForJobs());
    const auto job = lastJobAttributes("Testo");
    EXPECT_EQ(job.at("job-name"), "Annullata");
    EXPECT_EQ(job.at("job-state"), "canceled");
}

TEST_F(CupsSpoolerTest, DeviceGeometryComesFromTheQueue)
{
    struct Case
    {
        std::string queue;
        int dpi, yResolution; // of the device mode
        int width, height;    // printable area of portrait A4 in dots
    };
    // PDF driver: 600 dpi, margins 6.35 mm across and 12.7 mm down; generic PostScript:
    // 300 dpi, 4.23 mm all round; no driver: 600 dpi, the whole sheet, no vertical resolution.
    for (const Case& c : std::vector<Case>{{"pdf", 600, 600, 4658, 6417},
                                           {"alfa_ps", 300, 300, 2379, 3408},
                                           {"Zeta_Raw", 600, 0, 4958, 7017}}) {
        std::unique_ptr<IPrinterDevice> device = m_spooler.openDevice(c.queue);
        ASSERT_TRUE(device) << c.queue;
        ASSERT_TRUE(device->defaultDeviceMode());
        EXPECT_EQ(device->defaultDeviceMode()->printQuality, c.dpi) << c.queue;
        EXPECT_EQ(device->defaultDeviceMode()->yResolution, c.yResolution) << c.queue;
        EXPECT_EQ(device->pageWidth(), c.width) << c.queue;
        EXPECT_EQ(device->pageHeight(), c.height) << c.queue;
        // Landscape: the same printable area of the sheet, turned.
        device->setOrientation(Orientation::Landscape);
        EXPECT_EQ(device->pageWidth(), c.height) << c.queue;
        EXPECT_EQ(device->pageHeight(), c.width) << c.queue;
    }
    EXPECT_EQ(m_spooler.openDevice("pdf")->name(), "PDF");
    EXPECT_FALSE(m_spooler.openDevice("Missing"));
}

TEST_F(CupsSpoolerTest, DocumentOfThreePagesIsOneJob)
{
    PrinterObject printers(m_spooler);
    printers.refresh();
    printers.selectByName("pdf");
    printPages(printers.device(), 3, 1);
    ASSERT_TRUE(s_server->waitForJobs());

    const std::string out = s_server->outputPath("PDF");
    EXPECT_EQ(pdfPages(out), 3);
    const std::string text = pdfText(out);
    const auto p1 = text.find("PAGINA 1");
    const auto p2 = text.find("PAGINA 2");
    const auto p3 = text.find("PAGINA 3");
    ASSERT_NE(p1, std::string::npos) << text;
    ASSERT_NE(p2, std::string::npos) << text;
    ASSERT_NE(p3, std::string::npos) << text;
    EXPECT_LT(p1, p2);
    EXPECT_LT(p2, p3);

    const auto job = lastJobAttributes("PDF");
    EXPECT_EQ(job.at("job-state"), "completed");
    EXPECT_EQ(job.at("job-name"), "Fattura n\xC2\xB0 12");
}

TEST_F(CupsSpoolerTest, LandscapeDocumentPrintsOnTheTurnedPage)
{
    std::unique_ptr<IPrinterDevice> device = m_spooler.openDevice("PDF");
    ASSERT_TRUE(device);
    device->setOrientation(Orientation::Landscape);
    device->beginDoc();
    TMetafile page(device->pageWidth(), device->pageHeight(), 600, 600);
    TMetafileCanvas canvas(page);
    canvas.textOut(device->pageWidth() - 1500, 100, "ANGOLO");
    device->drawPage(page);
    device->endDoc();
    ASSERT_TRUE(s_server->waitForJobs());

    const std::string out = s_server->outputPath("PDF");
    EXPECT_EQ(pdfPages(out), 1);
    EXPECT_NE(pdfText(out).find("ANGOLO"), std::string::npos);
    // CUPS turns the page onto the A4 sheet of the queue.
    const std::string info = CupsServer::run({"pdfinfo", out}).output;
    EXPECT_NE(info.find("595 x 842"), std::string::npos) << info;
}

TEST_F(CupsSpoolerTest, CopiesAndCollationReachTheJob)
{
    struct Case
    {
        bool collate;
        std::string order;
    };
    for (const Case& c : std::vector<Case>{{true, "12121"}, {false, "11122"}}) {
        ASSERT_TRUE(m_spooler.setDefaultCollate("PDF", c.collate));
        std::unique_ptr<IPrinterDevice> device = m_spooler.openDevice("PDF");
        ASSERT_TRUE(device);
        printPages(*device, 2, 3);
        ASSERT_TRUE(s_server->waitForJobs());

        EXPECT_EQ(lastJobAttributes("PDF")["copies"], "3");
        // The PDF queue makes the copies itself: the order of the pages shows the collation.
        const std::string text = pdfText(s_server->outputPath("PDF"));
        std::string order;
        for (auto at = text.find("PAGINA "); at != std::string::npos;
             at = text.find("PAGINA ", at + 1))
            order += text[at + 7];
        EXPECT_EQ(order.substr(0, 5), c.order) << "collate " << c.collate << ": " << order;
        EXPECT_EQ(order.size(), 6u);
    }
}

TEST_F(CupsSpoolerTest, AbortedDocumentSubmitsNoJob)
{
    const int before = lastJobId("PDF");
    {
        std::unique_ptr<IPrinterDevice> device = m_spooler.openDevice("PDF");
        ASSERT_TRUE(device);
        device->beginDoc();
        device->drawPage(textPage("PAGINA 1"));
        device->abortDoc();
        // A document left open when the device goes is not printed either.
        device->beginDoc();
        device->drawPage(textPage("PAGINA 1"));
    }
    ASSERT_TRUE(s_server->waitForJobs());
    EXPECT_EQ(lastJobId("PDF"), before);
}

TEST_F(CupsSpoolerTest, PrintingFailsWhenTheQueueIsGone)
{
    ASSERT_TRUE(s_server->addQueue("Sparita", CupsServer::Queue::Pdf));
    std::unique_ptr<IPrinterDevice> beforeBegin = m_spooler.openDevice("Sparita");
    std::unique_ptr<IPrinterDevice> beforeEnd = m_spooler.openDevice("Sparita");
    ASSERT_TRUE(beforeBegin && beforeEnd);
    beforeEnd->beginDoc();
    beforeEnd->drawPage(textPage("PAGINA 1"));
    ASSERT_TRUE(s_server->removeQueue("Sparita"));

    EXPECT_THROW(beforeBegin->beginDoc(), PrinterError);
    EXPECT_THROW(beforeEnd->endDoc(), PrinterError);
    // The failed document is closed: the device can start again (and fail again).
    EXPECT_THROW(beforeEnd->beginDoc(), PrinterError);
}

TEST_F(CupsSpoolerTest, ServerThatStopsAnsweringDoesNotHangTheCaller)
{
    // The scheduler still accepts connections but answers nothing: every operation has a time
    // limit of its own.
    ASSERT_EQ(kill(s_server->pid(), SIGSTOP), 0);
    const auto start = std::chrono::steady_clock::now();
    const std::optional<PrinterInfo> info = m_spooler.printerInfo("PDF");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    kill(s_server->pid(), SIGCONT);
    EXPECT_FALSE(info);
    EXPECT_LT(elapsed, std::chrono::seconds(15));
    EXPECT_TRUE(m_spooler.printerInfo("PDF")) << "the scheduler answers again";
}

// ---------------------------------------------------------------------------------------------
// No scheduler at all: every call fails at once.

TEST(CupsSpoolerWithoutServer, FailsQuickly)
{
    const char* previous = std::getenv("CUPS_SERVER");
    const std::optional<std::string> saved =
        previous ? std::optional<std::string>(previous) : std::nullopt;
    setenv("CUPS_SERVER", "/tmp/spoolar-no-cupsd/cups.sock", 1);
    cupsSetServer(nullptr);

    const auto start = std::chrono::steady_clock::now();
    CupsSpooler spooler;
    EXPECT_TRUE(spooler.printerNames().empty());
    EXPECT_FALSE(spooler.defaultPrinter());
    EXPECT_FALSE(spooler.printerInfo("PDF"));
    EXPECT_FALSE(spooler.setComment("PDF", "x"));
    EXPECT_FALSE(spooler.supportsCollate("PDF"));
    EXPECT_FALSE(spooler.startRawDocument("PDF", "x"));
    EXPECT_FALSE(spooler.openDevice("PDF"));
    PrinterObject printers(spooler);
    EXPECT_THROW(printers.selectByName("PDF"), PrinterError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    if (saved)
        setenv("CUPS_SERVER", saved->c_str(), 1);
    else
        unsetenv("CUPS_SERVER");
    cupsSetServer(nullptr);
}

} // namespace
