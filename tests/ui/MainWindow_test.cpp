// The main window offscreen: options mirrored between check boxes, tray items and the settings
// file; the printer grid's drawing rules, keys and naming; hiding, ending and the dispatch's
// status texts.
#include "app/JobDispatcher.h"
#include "app/ui/DarkStyle.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PrinterGrid.h"
#include "app/ui/PrinterNameDialog.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/DocumentOpener.h"
#include "platform/FontRegistry.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"
#include "support/EngineFixture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace spoolar::test {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class NoLauncher : public IProcessLauncher
{
public:
    bool start(const std::string&, const std::vector<std::string>&) override { return true; }
};

class MainWindowTest : public ::testing::Test
{
protected:
    MainWindowTest()
        : m_root(makeTempDir("mainwindow")), m_paths(m_root / "drive_c", m_root / "home"),
          m_clock(std::chrono::system_clock::now()), m_printers(m_spooler),
          m_opener(m_launcher, std::nullopt), m_folder(m_paths, m_clock)
    {
        fs::create_directories(m_root / "home");
        m_actions.rebuildPrinterTable = [this](int fontIndex) {
            m_rebuiltWithFont = fontIndex;
            return PrinterTable::Build{m_rows, m_allNamed};
        };
        m_actions.namePrinter = [this](const QString& printer, const QString& userName) {
            m_named = {printer, userName};
            return true;
        };
        m_actions.quit = [this](bool restart) { m_quit = restart; };
        applyDarkStyle(*qApp);
        m_window = std::make_unique<MainWindow>(m_settings, m_prompts, m_actions);
        m_dispatcher = std::make_unique<JobDispatcher>(
            DispatchServices{m_paths, m_prompts, m_fonts, m_oem, m_clock, m_printers, m_opener,
                             *m_window, settingsFile(), std::nullopt},
            m_settings, m_folder);
        m_window->attach(*m_dispatcher);
        m_window->showSettings();
        m_dispatcher->start();
    }
    ~MainWindowTest() override
    {
        m_window.reset();
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    fs::path settingsFile() const { return m_root / "home" / "spoolar.ini"; }

    fs::path m_root;
    PathMapper m_paths;
    FixedClock m_clock;
    ScriptedPrompts m_prompts;
    FontRegistry m_fonts;
    OemConverter m_oem;
    CupsSpooler m_spooler;
    PrinterObject m_printers;
    NoLauncher m_launcher;
    DocumentOpener m_opener;
    SpoolFolder m_folder;
    ProgramSettings m_settings;
    MainWindowActions m_actions;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<JobDispatcher> m_dispatcher;

    std::vector<PrinterRow> m_rows{PrinterTable::pdfRow(),
                                   {"UFFICIO", "Laser_Ufficio", "usb://HP/LaserJet", "G"},
                                   {"BOLLE", "Testo_Bolle", "lpd://10.0.0.9/raw", "T"},
                                   {"", "Senza_Nome", "ipp://10.0.0.7/ipp", "G"}};
    bool m_allNamed = false;
    std::optional<int> m_rebuiltWithFont;
    std::optional<std::pair<QString, QString>> m_named;
    std::optional<bool> m_quit;
};

TEST_F(MainWindowTest, OptionsFollowEachOtherAndAreSavedAtOnce)
{
    const std::pair<PreviewOption, const char*> cases[] = {
        {PreviewOption::PreviewPrints, "OutputGrafico=1"},
        {PreviewOption::PreviewPdf, "OutputPDF=1"},
        {PreviewOption::Collate, "Fascicola=1"},
    };
    for (const auto& [option, line] : cases) {
        SCOPED_TRACE(line);
        // From the tray menu...
        m_window->trayItem(option)->trigger();
        EXPECT_TRUE(m_window->optionBox(option)->isChecked());
        EXPECT_NE(readText(settingsFile()).find(line), std::string::npos);
        // ... and back from the check box.
        m_window->optionBox(option)->click();
        EXPECT_FALSE(m_window->trayItem(option)->isChecked());
    }
    EXPECT_FALSE(m_settings.previewGraphic);
}

TEST_F(MainWindowTest, PrinterGridShowsRowsAndOnlyPrinterRowsCanBeNamed)
{
    m_window->showPrinterRows(m_rows);
    PrinterGrid* grid = m_window->printerGrid();
    EXPECT_EQ(grid->item(0, 0)->text(), "Nome");
    EXPECT_EQ(grid->item(1, 0)->text(), "PDF Embedded");
    EXPECT_EQ(grid->item(3, 3)->text(), "T");
    EXPECT_GE(grid->rowCount(), 15);
    EXPECT_FALSE(grid->printerOfRow(0));
    EXPECT_FALSE(grid->printerOfRow(1));
    EXPECT_EQ(grid->printerOfRow(2), "Laser_Ufficio");
    EXPECT_FALSE(grid->printerOfRow(7));

    // Only the arrow keys move the selection.
    grid->setCurrentCell(2, 0);
    QTest::keyClick(grid, Qt::Key_PageDown);
    QTest::keyClick(grid, Qt::Key_A);
    EXPECT_EQ(grid->currentRow(), 2);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentRow(), 3);

    // The naming window takes at most 20 characters and saves through the action, then the
    // table is built again.
    PrinterNameDialog* dialog = m_window->nameDialog();
    QTimer::singleShot(0, [dialog] {
        QTest::keyClicks(dialog->nameEdit(), "MAGAZZINO-PIANO-TERRA-2");
        dialog->saveButton()->click();
    });
    m_window->namePrinterOfRow(4);
    ASSERT_TRUE(m_named);
    EXPECT_EQ(m_named->first, "Senza_Nome");
    EXPECT_EQ(m_named->second, "MAGAZZINO-PIANO-TERR");
    EXPECT_EQ(m_rebuiltWithFont, 2);
}

TEST_F(MainWindowTest, LoadingPrintersReportsMissingUserNames)
{
    m_window->loadPrinters();
    ASSERT_EQ(m_prompts.shown().size(), 1u);
    EXPECT_EQ(m_prompts.shown()[0].text, "Creato file C:\\SPOOL\\PRINTERS.LST.\nManca la "
                                          "descrizione Utente di almeno una stampante!");
    m_allNamed = true;
    m_window->loadPrinters();
    EXPECT_EQ(m_prompts.shown()[1].text, "Creato file C:\\SPOOL\\PRINTERS.LST.");
}

TEST_F(MainWindowTest, CloseBoxHidesAndEndingAsksFirst)
{
    m_window->showWindow();
    ASSERT_TRUE(m_window->isVisible());
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_FALSE(m_quit);

    m_prompts.setNextAnswer(PromptAnswer::Cancel);
    m_window->terminateProgram();
    EXPECT_EQ(m_prompts.shown().back().text, "Il programma sarà terminato. Confermi chiusura?");
    EXPECT_FALSE(m_quit);
    EXPECT_TRUE(m_dispatcher->pollingEnabled());

    m_prompts.setNextAnswer(PromptAnswer::Ok);
    m_window->terminateProgram();
    EXPECT_EQ(m_quit, false);
    EXPECT_TRUE(m_dispatcher->ended());
}

TEST_F(MainWindowTest, CloseMessageEndsWithoutQuestion)
{
    m_dispatcher->handleMessage({kCloseNow, std::nullopt});
    EXPECT_EQ(m_quit, false);
    EXPECT_TRUE(m_prompts.shown().empty());
}

TEST_F(MainWindowTest, ShowsWhatTheDispatchReports)
{
    m_window->showJobCaption(" Stampa FATTURA - In corso... ");
    m_window->showJobLabels({"C:\\SPOOL\\SPL1.TMP", "Grafico", "Portrait", "1"});
    m_window->showPdfStatus(PdfStatus::Waiting);
    m_window->setButtonPanelEnabled(false);
    EXPECT_EQ(m_window->jobGroup()->title(), " Stampa FATTURA - In corso... ");
    EXPECT_EQ(m_window->label("LBL_FileSpool")->text(), "C:\\SPOOL\\SPL1.TMP");
    EXPECT_EQ(m_window->label("LBL_PdfStatus")->text(), "Attesa elaborazione successiva");
    EXPECT_FALSE(m_window->buttonPanel()->isEnabled());
    EXPECT_EQ(m_window->windowTitle().left(37), "Conversione stampe in formato Windows");

    m_window->showPrinterRows(m_rows);
    m_window->setButtonPanelEnabled(true);
    m_window->show();
    const QImage shot = m_window->grab().toImage();
    EXPECT_EQ(shot.width(), 860);
    if (const char* dir = std::getenv("SPOOLAR_SCREENSHOT_DIR"))
        shot.save(QString(dir) + "/main-window.png");
}

} // namespace
} // namespace spoolar::test
