// The job dispatch end to end on a temporary drive C: real engine, real PDFs, a private CUPS
// for printer jobs and a local FTPS server for the remote spool. Ticks are driven by hand.
#include "app/JobDispatcher.h"
#include "app/RemoteSpool.h"
#include "platform/CupsSpooler.h"
#include "platform/DocumentOpener.h"
#include "support/CupsServer.h"
#include "support/EngineFixture.h"
#include "support/FtpsServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace spoolar::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Records what the dispatch shows; lets the test deliver window messages "while the job runs".
class RecordingView : public IDispatchView
{
public:
    void showTrayImage(TrayImage image) override { trayImages.push_back(image); }
    void setButtonPanelEnabled(bool enabled) override { panelEnabled.push_back(enabled); }
    void showPrinterLabel(std::string_view printer) override { printerLabel = printer; }
    void showJobLabels(const JobLabels& l) override { labels = l; }
    void showJobCaption(std::string_view caption) override { captions.emplace_back(caption); }
    void showPdfStatus(PdfStatus status) override { pdfStatuses.push_back(status); }
    void setUnlockEnabled(bool enabled) override { unlockEnabled = enabled; }
    void optionsChanged(const ProgramSettings&) override { ++optionChanges; }
    void processPendingMessages() override
    {
        while (!pending.empty()) {
            auto message = pending.front();
            pending.pop_front();
            message();
        }
    }
    bool showPreview(TPageList& pages, const PreviewPage& page) override
    {
        previews.push_back({pages.size(), page.printerName});
        pages.clear();
        return previewPrints;
    }
    void raiseCallerWindow(std::uint64_t handle) override { raised.push_back(handle); }
    void endProgram(ProgramEnd how) override { end = how; }
    void log(std::string_view line) override { logLines.emplace_back(line); }

    std::vector<TrayImage> trayImages;
    std::vector<bool> panelEnabled;
    std::string printerLabel;
    JobLabels labels;
    std::vector<std::string> captions;
    std::vector<PdfStatus> pdfStatuses;
    bool unlockEnabled = false;
    int optionChanges = 0;
    std::deque<std::function<void()>> pending;
    std::vector<std::pair<std::size_t, std::string>> previews;
    bool previewPrints = true;
    std::vector<std::uint64_t> raised;
    std::optional<ProgramEnd> end;
    std::vector<std::string> logLines;
};

class RecordingLauncher : public IProcessLauncher
{
public:
    bool start(const std::string& program, const std::vector<std::string>& args) override
    {
        std::vector<std::string> call{program};
        call.insert(call.end(), args.begin(), args.end());
        calls.push_back(call);
        return true;
    }
    std::vector<std::vector<std::string>> calls;
};

// A settings line with every column in place; each field is padded or cut to its width.
std::string settingsLine(std::string title, std::string printer, char copies, char orientation,
                         char kind, std::string fax2 = "", std::string fax3 = "")
{
    title.resize(8, ' ');
    printer.resize(59, ' ');
    std::string line = title + printer + ' ' + copies + orientation + kind;
    if (fax2.empty() && fax3.empty())
        return line;
    fax2.resize(31, ' ');
    fax3.resize(46, ' ');
    return line + 'S' + fax2 + fax3;
}

const std::string kInvoice = "FATTURA N. 12\r\nArticolo 1   10,00\r\nTotale      10,00\r\n";

class DispatchTest : public EngineFixture
{
protected:
    DispatchTest() : m_spooler(), m_printers(m_spooler), m_folder(m_paths, m_clock)
    {
        fs::create_directories(spool("TMP"));
        m_settingsFile = m_root / "home" / "spoolar.ini";
        fs::create_directories(m_settingsFile.parent_path());
    }

    JobDispatcher& dispatcher()
    {
        if (!m_dispatcher) {
            m_opener = std::make_unique<DocumentOpener>(m_launcher, m_reader);
            m_dispatcher = std::make_unique<JobDispatcher>(
                DispatchServices{m_paths, m_prompts, m_fonts, m_oem, m_clock, m_printers,
                                 *m_opener, m_view, m_settingsFile, m_codes},
                m_settings, m_folder);
            m_dispatcher->start();
        }
        return *m_dispatcher;
    }

    // Writes a job of the SPO scheme; the settings file last, as producers do.
    void addJob(const std::string& id, const std::string& line, const std::string& data = kInvoice,
                std::chrono::seconds age = std::chrono::seconds(60))
    {
        writeAged(spool("SPL" + id + ".TMP"), data, age);
        writeAged(spool("SPO" + id + ".TMP"), line + "\r\n", age);
    }
    void writeAged(const fs::path& file, const std::string& bytes, std::chrono::seconds age)
    {
        std::ofstream(file, std::ios::binary) << bytes;
        fs::last_write_time(file, std::chrono::file_clock::from_sys(m_clock.now() - age));
    }

    std::vector<std::string> spoolFiles() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(spool()))
            if (e.is_regular_file() && e.path().filename() != "PDF")
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<fs::path> pdfs() const
    {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(spool("PDF")))
            files.push_back(e.path());
        std::sort(files.begin(), files.end());
        return files;
    }
    std::vector<std::string> promptTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& shown : m_prompts.shown())
            texts.push_back(shown.text);
        return texts;
    }
    std::string pdfReady() const { return CupsServer::readFile(spool("Pdf.ok").string()); }

    CupsSpooler m_spooler;
    PrinterObject m_printers;
    SpoolFolder m_folder;
    ProgramSettings m_settings;
    fs::path m_settingsFile;
    RecordingView m_view;
    RecordingLauncher m_launcher;
    std::optional<fs::path> m_reader;
    std::unique_ptr<DocumentOpener> m_opener;
    std::unique_ptr<JobDispatcher> m_dispatcher;
};

TEST_F(DispatchTest, TakesJobsInProtocolOrderAndTurnsEachIntoOnePdf)
{
    using namespace std::chrono_literals;
    addJob("1", settingsLine("VECCHIO", "PDF Embedded", '1', 'P', 'G'), kInvoice, 3600s);
    addJob("2", settingsLine("NUOVO", "PDF Embedded", '3', 'L', 'G'), kInvoice, 60s);
    writeAged(spool("SPOOL01.001"), kInvoice, 10s);
    writeAged(spool("SPLOK01.001"), settingsLine("SPLOK", "PDF Embedded", '1', 'P', 'G'), 10s);
    // Stamped two days ahead: never taken.
    writeAged(spool("SPL9.TMP"), kInvoice, -48h);
    writeAged(spool("SPO9.TMP"), settingsLine("FUTURO", "PDF Embedded", '1', 'P', 'G'), -48h);

    for (int i = 0; i < 4; ++i)
        dispatcher().tick();

    EXPECT_THAT(m_view.captions,
                ElementsAre(" Stampa SPLOK - In corso... ", " Stampa SPLOK - Terminata ",
                            " Stampa VECCHIO - In corso... ", " Stampa VECCHIO - Terminata ",
                            " Stampa NUOVO - In corso... ", " Stampa NUOVO - Terminata "));
    // Copies 3 to "PDF Embedded" give one PDF and show one copy.
    EXPECT_EQ(m_view.labels.copies, "1");
    EXPECT_EQ(m_view.labels.orientation, "Landscape");
    EXPECT_EQ(m_view.labels.outputKind, "Grafico");
    EXPECT_EQ(m_view.printerLabel, "PDF Embedded");
    ASSERT_EQ(pdfs().size(), 3u);
    EXPECT_THAT(spoolFiles(), ElementsAre("Pdf.ok", "SPL9.TMP", "SPO9.TMP"));
    EXPECT_THAT(pdfReady(), HasSubstr("C:\\SPOOL\\PDF\\NUOVO_"));
    EXPECT_THAT(capture("pdftotext " + quoted(pdfs()[0]) + " -"), HasSubstr("FATTURA N. 12"));
    EXPECT_TRUE(dispatcher().pollingEnabled());
    EXPECT_THAT(m_prompts.shown(), IsEmpty());
    // Idle ticks blink between images 1 and 0; a job shows image 2.
    EXPECT_EQ(m_view.trayImages.front(), TrayImage::Idle1);
    EXPECT_EQ(m_view.trayImages[1], TrayImage::Processing);
    EXPECT_EQ(m_view.trayImages[2], TrayImage::Idle0);
}

TEST_F(DispatchTest, PdfPreviewOpensTheNewPdfWithTheReaderOrTheDesktop)
{
    const fs::path reader =
        m_root / "drive_c" / "Program Files" / "Foxit Software" / "FoxitPDFReader.exe";
    struct Case
    {
        const char* what;
        std::optional<fs::path> reader;
        std::string program;
        std::string lastArg;
    };
    for (const Case& c : {Case{"reader", reader, "wine", "/A"},
                          Case{"no reader", std::nullopt, "xdg-open", ".pdf"}}) {
        SCOPED_TRACE(c.what);
        m_dispatcher.reset();
        m_launcher.calls.clear();
        m_reader = c.reader;
        m_settings.previewPdf = true;
        addJob("1", settingsLine("ANTEPR", "PDF Embedded", '1', 'P', 'G'));
        dispatcher().tick();
        ASSERT_EQ(m_launcher.calls.size(), 1u);
        EXPECT_EQ(m_launcher.calls[0].front(), c.program);
        EXPECT_TRUE(m_launcher.calls[0].back().ends_with(c.lastArg)) << m_launcher.calls[0].back();
        // The ready file was used by the preview.
        EXPECT_FALSE(fs::exists(spool("Pdf.ok")));
    }
}

TEST_F(DispatchTest, PdfHoldStopsPollingUntilReleased)
{
    m_settings.previewPdf = true;
    addJob("1", settingsLine("PRIMO", "PDF Embedded", '1', 'P', 'G'));
    addJob("2", settingsLine("SECONDO", "PDF Embedded", '1', 'P', 'G'), kInvoice,
           std::chrono::seconds(30));
    dispatcher().handleMessage({kSetCallerWindow, 77});
    dispatcher().handleMessage({kPdfHoldOn, std::nullopt});

    dispatcher().tick();
    EXPECT_EQ(pdfs().size(), 1u);
    EXPECT_THAT(m_view.pdfStatuses, ElementsAre(PdfStatus::Creating, PdfStatus::Waiting));
    EXPECT_TRUE(m_view.unlockEnabled);
    EXPECT_FALSE(dispatcher().pollingEnabled());
    // No preview while held, and the option is back as it was.
    EXPECT_THAT(m_launcher.calls, IsEmpty());
    EXPECT_TRUE(m_settings.previewPdf);
    EXPECT_TRUE(fs::exists(spool("Pdf.ok")));

    // "S&blocca" asks first: Cancel keeps the hold.
    m_prompts.setNextAnswer(PromptAnswer::Cancel);
    EXPECT_FALSE(dispatcher().unlockPdfHold());
    EXPECT_FALSE(dispatcher().pollingEnabled());

    dispatcher().handleMessage({kPdfHoldOff, std::nullopt});
    EXPECT_TRUE(dispatcher().pollingEnabled());
    EXPECT_FALSE(m_view.unlockEnabled);
    EXPECT_EQ(m_view.pdfStatuses.back(), PdfStatus::None);
    dispatcher().tick();
    EXPECT_EQ(pdfs().size(), 2u);
    EXPECT_EQ(dispatcher().callerWindow(), 77u);
}

TEST_F(DispatchTest, HoldReleasedWhileTheJobRunsLetsPollingGoOn)
{
    addJob("1", settingsLine("PRIMO", "PDF Embedded", '1', 'P', 'G'));
    dispatcher().handleMessage({kPdfHoldOn, std::nullopt});
    m_view.pending.push_back([&] { dispatcher().handleMessage({kPdfHoldOff, std::nullopt}); });
    dispatcher().tick();
    EXPECT_EQ(pdfs().size(), 1u);
    EXPECT_TRUE(dispatcher().pollingEnabled());
}

TEST_F(DispatchTest, CloseMessageEndsTheProgramWithoutQuestion)
{
    addJob("1", settingsLine("PRIMO", "PDF Embedded", '1', 'P', 'G'));
    dispatcher().handleMessage({kCloseNow, std::nullopt});
    EXPECT_EQ(m_view.end, ProgramEnd::CloseNow);
    EXPECT_FALSE(dispatcher().pollingEnabled());
    dispatcher().tick();
    EXPECT_THAT(pdfs(), IsEmpty());
    EXPECT_THAT(m_prompts.shown(), IsEmpty());
}

TEST_F(DispatchTest, SettingsThatCannotBeDecodedAreReportedAndRemoved)
{
    struct Case
    {
        const char* what;
        std::string settings;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"empty", "", {"Il file di impostazione spooler è vuoto!", "Impossibile stampare  su "}},
        {"short", "FATTURA PDF Embedded\r\n", {"Impossibile stampare  su "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_dispatcher.reset();
        m_prompts = ScriptedPrompts();
        writeAged(spool("SPL5.TMP"), kInvoice, std::chrono::seconds(60));
        writeAged(spool("SPC5.TMP"), "[Fax]\r\n", std::chrono::seconds(60));
        writeAged(spool("SPO5.TMP"), c.settings, std::chrono::seconds(60));
        dispatcher().tick();
        std::vector<std::string> texts;
        for (const auto& shown : m_prompts.shown())
            texts.push_back(shown.text);
        EXPECT_EQ(texts, c.messages);
        // Settings and data go; the cover stays; never taken again.
        EXPECT_THAT(spoolFiles(), ElementsAre("SPC5.TMP"));
        EXPECT_TRUE(dispatcher().pollingEnabled());
        fs::remove(spool("SPC5.TMP"));
    }
}

TEST_F(DispatchTest, EngineErrorKeepsTheJobAndTheAnswerDecides)
{
    // A file where the PDF folder should be: the PDF cannot be saved.
    fs::remove_all(spool("PDF"));
    std::ofstream(spool("PDF")) << "not a folder";
    addJob("1", settingsLine("ERRATO", "PDF Embedded", '1', 'P', 'G'));

    m_prompts.setNextAnswer(PromptAnswer::Ignore);
    dispatcher().tick();
    ASSERT_EQ(m_prompts.shown().size(), 1u);
    EXPECT_EQ(m_prompts.shown()[0].caption, "Errore stampa PDF");
    EXPECT_EQ(m_prompts.shown()[0].buttons, PromptButtons::AbortRetryIgnore);
    EXPECT_THAT(spoolFiles(), ElementsAre("SPL1.TMP", "SPO1.TMP"));
    EXPECT_EQ(m_view.trayImages.back(), TrayImage::Idle0);
    EXPECT_TRUE(dispatcher().pollingEnabled());

    // Ignore takes the same job again at the next tick.
    m_prompts.setNextAnswer(PromptAnswer::Retry);
    dispatcher().tick();
    EXPECT_EQ(m_prompts.shown().size(), 2u);
    EXPECT_EQ(m_view.end, ProgramEnd::Restart);
    EXPECT_FALSE(dispatcher().pollingEnabled());
    EXPECT_THAT(spoolFiles(), ElementsAre("SPL1.TMP", "SPO1.TMP"));

    m_dispatcher.reset();
    m_prompts.setNextAnswer(PromptAnswer::Abort);
    dispatcher().tick();
    EXPECT_EQ(m_view.end, ProgramEnd::Abort);
    EXPECT_THAT(spoolFiles(), ElementsAre("SPL1.TMP", "SPO1.TMP"));
}

TEST_F(DispatchTest, JobFailingThreeTimesWithoutAnswerGoesToTheErrorFolder)
{
    fs::remove_all(spool("PDF"));
    std::ofstream(spool("PDF")) << "not a folder";
    addJob("1", settingsLine("ERRATO", "PDF Embedded", '1', 'P', 'G'));
    dispatcher().setGiveUpAfter(3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_THAT(spoolFiles(), ElementsAre("SPL1.TMP", "SPO1.TMP")) << "tick " << i;
        dispatcher().tick();
    }
    EXPECT_EQ(m_prompts.shown().size(), 3u);
    EXPECT_THAT(spoolFiles(), IsEmpty());
    EXPECT_TRUE(fs::exists(spool("ERR/SPO1.TMP")));
    EXPECT_TRUE(fs::exists(spool("ERR/SPL1.TMP")));
    ASSERT_FALSE(m_view.logLines.empty());
    EXPECT_THAT(m_view.logLines.back(), HasSubstr("C:\\SPOOL\\ERR"));
}

TEST_F(DispatchTest, ChartJobToPdfBecomesALandscapePdf)
{
    addJob("1", settingsLine("GRAFICO", "PDF Embedded", '1', 'L', 'C'),
           "[Serie0]\r\nValue0=Gen;10;dieci\r\nValue1=Feb;12.5;\r\n");
    dispatcher().tick();
    EXPECT_THAT(promptTexts(), IsEmpty());
    ASSERT_EQ(pdfs().size(), 1u);
    EXPECT_THAT(capture("pdfinfo " + quoted(pdfs()[0])), HasSubstr("841.89 x 595.276"));
    EXPECT_THAT(capture("pdftotext " + quoted(pdfs()[0]) + " -"), HasSubstr("dieci"));
    EXPECT_THAT(spoolFiles(), ElementsAre("Pdf.ok"));
    // A job whose kind letter is not one of the five keeps the kind of the job before it.
    addJob("2", settingsLine("ANCORA", "PDF Embedded", '1', 'L', '?'),
           "[Serie0]\r\nValue0=Mar;3;tre\r\n");
    dispatcher().tick();
    ASSERT_EQ(pdfs().size(), 2u);
    EXPECT_THAT(capture("pdftotext " + quoted(pdfs()[0]) + " -"), HasSubstr("tre"));
}

TEST_F(DispatchTest, ServesEveryDeferredOpenRequestInOneTick)
{
    for (const char* name : {"a.coda", "b.coda", "c.coda"}) {
        const fs::path document = m_root / (std::string(name) + ".pdf");
        std::ofstream(document) << "%PDF";
        std::ofstream(spool("TMP") / name) << document.string();
    }
    dispatcher().tick();
    EXPECT_EQ(m_launcher.calls.size(), 3u);
    EXPECT_TRUE(fs::is_empty(spool("TMP")));
}

TEST_F(DispatchTest, FaxJobToPdfStartsNoFaxWait)
{
    fs::create_directories(m_root / "drive_c" / "KERVANIS" / "TMPFILES");
    addJob("1", settingsLine("FAX", "PDF Embedded", '1', 'P', 'F', "Rossi", "0612345"));
    dispatcher().tick();
    EXPECT_EQ(pdfs().size(), 1u);
    EXPECT_FALSE(fs::exists(m_root / "drive_c" / "KERVANIS" / "TMPFILES" / "SEND2FAX.DEL"));
    EXPECT_FALSE(dispatcher().faxWaitRunning());
    EXPECT_TRUE(dispatcher().pollingEnabled());
}

TEST_F(DispatchTest, RemoteJobIsFetchedAndPrintedInTheSameTick)
{
    auto server = FtpsServer::start();
    if (!server->running())
        GTEST_SKIP() << server->skipReason();
    ASSERT_TRUE(server->put("SPL0042.TMP", kInvoice));
    ASSERT_TRUE(server->put("SPO0042.TMP", settingsLine("REMOTO", "PDF Embedded", '1', 'P', 'G')));
    RemoteSpoolConfig config;
    config.host = "127.0.0.1";
    config.port = server->port();
    config.user = "anonymous";
    config.password = "spoolar@localhost";
    config.folder = FtpsServer::ftpFolder;
    config.caFile = server->certificate();
    RemoteSpool remote(config, m_paths);
    dispatcher().setRemoteSpool(&remote);

    dispatcher().tick();
    EXPECT_THAT(server->names(), IsEmpty());
    ASSERT_EQ(pdfs().size(), 1u);
    EXPECT_THAT(pdfs()[0].filename().string(), HasSubstr("REMOTO_"));
    EXPECT_NE(std::find(m_view.trayImages.begin(), m_view.trayImages.end(),
                        TrayImage::RemoteFetch),
              m_view.trayImages.end());

    // A server that is gone: the remote step fails, local jobs go on, and it is tried again.
    server.reset();
    addJob("7", settingsLine("LOCALE", "PDF Embedded", '1', 'P', 'G'));
    dispatcher().tick();
    EXPECT_EQ(pdfs().size(), 2u);
    dispatcher().tick();
    EXPECT_GE(m_view.logLines.size(), 2u);
}

// Printer jobs on a private CUPS with a raw queue and a PDF-producing queue.
class PrinterDispatchTest : public DispatchTest
{
protected:
    static void SetUpTestSuite()
    {
        s_server = CupsServer::start();
        if (s_server->running()) {
            s_ready = s_server->addQueue("Testo", CupsServer::Queue::Text, "Magazzino") &&
                      s_server->addQueue("Laser", CupsServer::Queue::Pdf, "Ufficio") &&
                      s_server->setDefault("Laser");
        }
    }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override
    {
        if (!s_server->running())
            GTEST_SKIP() << s_server->skipReason();
        ASSERT_TRUE(s_ready) << s_server->lastOutput();
    }

    static inline std::unique_ptr<CupsServer> s_server;
    static inline bool s_ready = false;
};

TEST_F(PrinterDispatchTest, TextJobReachesTheTextQueueUnchangedAndPortrait)
{
    const std::string bytes = "\x1b@BOLLA 7\r\n\x1b"
                              "EArticolo\x1b"
                              "F\r\n\x0c";
    addJob("1", settingsLine("BOLLA", "testo", '1', 'L', 'T'), bytes);
    dispatcher().tick();
    ASSERT_TRUE(s_server->waitForJobs());
    // Byte for byte, with the line ends of a file read in text mode.
    EXPECT_EQ(s_server->output("Testo"), "\x1b@BOLLA 7\n\x1b"
                                         "EArticolo\x1b"
                                         "F\n\x0c");
    EXPECT_EQ(m_view.labels.orientation, "Portrait");
    EXPECT_EQ(m_view.labels.outputKind, "Testo");
    EXPECT_THAT(spoolFiles(), IsEmpty());
    EXPECT_THAT(m_prompts.shown(), IsEmpty());
}

TEST_F(PrinterDispatchTest, FaxJobHandsOffAndWaitsForTheFaxProgram)
{
    const fs::path faxDir = m_root / "drive_c" / "KERVANIS" / "TMPFILES";
    fs::create_directories(faxDir);
    const fs::path handOff = faxDir / "SEND2FAX.DEL";
    struct Case
    {
        const char* what;
        bool faxProgramTakesIt;
        int ticks;
    };
    for (const Case& c : {Case{"taken after 3 ticks", true, 3}, Case{"never taken", false, 30}}) {
        SCOPED_TRACE(c.what);
        addJob("1", settingsLine("FAX", "Laser", '1', 'P', 'F', "Rossi Srl", "0612345678"));
        dispatcher().tick();
        ASSERT_TRUE(s_server->waitForJobs());
        EXPECT_EQ(CupsServer::readFile(handOff.string()), "\"S\",\"Rossi Srl\",\"0612345678\"\r\n");
        EXPECT_TRUE(dispatcher().faxWaitRunning());
        EXPECT_FALSE(dispatcher().pollingEnabled());
        for (int i = 1; i < c.ticks; ++i) {
            dispatcher().faxTick();
            EXPECT_TRUE(dispatcher().faxWaitRunning()) << "fax tick " << i;
        }
        if (c.faxProgramTakesIt)
            fs::remove(handOff);
        dispatcher().faxTick();
        EXPECT_FALSE(dispatcher().faxWaitRunning());
        EXPECT_TRUE(dispatcher().pollingEnabled());
        EXPECT_EQ(dispatcher().faxWaitCount(), c.ticks);
        fs::remove(handOff);
    }
}

TEST_F(PrinterDispatchTest, ClosingThePreviewWithoutPrintingStartsNoFaxWait)
{
    fs::create_directories(m_root / "drive_c" / "KERVANIS" / "TMPFILES");
    m_settings.previewGraphic = true;
    m_settings.previewPdf = true;
    m_view.previewPrints = false;
    addJob("1", settingsLine("FAX", "Laser", '1', 'P', 'F', "Rossi", "06"));
    dispatcher().tick();
    ASSERT_EQ(m_view.previews.size(), 1u);
    EXPECT_GE(m_view.previews[0].first, 1u);
    EXPECT_FALSE(dispatcher().faxWaitRunning());
    EXPECT_TRUE(dispatcher().pollingEnabled());
    // A fax switches the print preview off for good; the PDF preview is as it was, also in
    // the settings file.
    EXPECT_FALSE(m_settings.previewGraphic);
    EXPECT_TRUE(m_settings.previewPdf);
    ProgramSettings saved;
    saved.load(m_settingsFile);
    EXPECT_FALSE(saved.previewGraphic);
    EXPECT_TRUE(saved.previewPdf);
}

TEST_F(PrinterDispatchTest, UnknownPrinterPrintsOnTheDefaultWithoutMessage)
{
    addJob("1", settingsLine("FATTURA", "Non esiste", '1', 'P', 'G'));
    dispatcher().tick();
    ASSERT_TRUE(s_server->waitForJobs());
    EXPECT_THAT(m_prompts.shown(), IsEmpty());
    EXPECT_THAT(spoolFiles(), IsEmpty());
    EXPECT_THAT(capture("pdftotext " + s_server->outputPath("Laser") + " -"),
                HasSubstr("FATTURA N. 12"));
}

} // namespace
} // namespace spoolar::test
