// Screenshots of every window of the program, for people to look at: run by
// scripts/screenshots.sh on a virtual X display with a tray host. Each window is shown in turn
// (not modally) over a sample drive C, and the whole screen is saved, tray included.
//
//   spoolar_screenshots OUTPUT_DIR
#include "app/JobDispatcher.h"
#include "app/SpoolFolder.h"
#include "app/ui/DarkStyle.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Spoolar_coda.h"
#include "app/ui/Spoolar_filelst.h"
#include "app/ui/Spoolar_fileset.h"
#include "charts/ui/Spoolar_chart.h"
#include "engine/EngineHost.h"
#include "engine/ui/Spoolar_preview.h"
#include "overlays/ui/Spoolar_faxcover.h"
#include "overlays/ui/Spoolar_header.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/DocumentOpener.h"
#include "platform/FontRegistry.h"
#include "platform/PrinterDevice.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"
#include "tools/ui/Spoolar_colors.h"
#include "tools/ui/Spoolar_help.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace spoolar;

class NoLauncher : public IProcessLauncher
{
public:
    bool start(const std::string&, const std::vector<std::string>&) override { return true; }
};

// Lets the window manager and the tray host draw, then saves the whole screen.
void shoot(const QString& file)
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(25);
    }
    QScreen* screen = QApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(file))
        std::fprintf(stderr, "impossibile salvare %s\n", file.toLocal8Bit().constData());
    else
        std::printf("%s\n", file.toLocal8Bit().constData());
}

void writeFile(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "uso: spoolar_screenshots CARTELLA\n");
        return 2;
    }
    QApplication app(argc, argv);
    applyDarkStyle(app);
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);

    // A sample drive C with two waiting jobs and the printer files.
    const fs::path root = fs::temp_directory_path() / "spoolar-screenshots";
    fs::remove_all(root);
    const PathMapper paths(root / "drive_c", root / "home");
    const fs::path spool = root / "drive_c" / "SPOOL";
    std::string line = "FATTURA PDF Embedded";
    line.resize(67, ' ');
    writeFile(spool / "SPO0001.TMP", line + " 1PG\r\n");
    writeFile(spool / "SPL0001.TMP", "Fattura n. 1\r\n");
    writeFile(spool / "SPO0002.TMP", "BOLLA   Laser_Ufficio" + std::string(46, ' ') + " 2PG\r\n");
    writeFile(spool / "SPL0002.TMP", "Bolla n. 7\r\n");
    writeFile(spool / "PRINTERS.LST", "UFFICIO,Laser_Ufficio,G,66,80,96,137\r\n"
                                      "PDF Embedded,PDF Embedded,G,66,80,96,137\r\n");
    writeFile(spool / "Printers.set", "FATTURA=UFFICIO\r\nBOLLA=BOLLE\r\n");
    fs::create_directories(root / "home");

    ScriptedPrompts prompts;
    FontRegistry fonts;
    const OemConverter oem;
    SystemClock clock;
    CupsSpooler spooler;
    PrinterObject printers(spooler);
    NoLauncher launcher;
    const DocumentOpener opener(launcher, std::nullopt);
    SpoolFolder folder(paths, clock);
    ProgramSettings settings;
    settings.previewPdf = true;

    const std::vector<PrinterRow> rows{PrinterTable::pdfRow(),
                                       {"UFFICIO", "Laser_Ufficio", "usb://HP/LaserJet", "G"},
                                       {"BOLLE", "Testo_Bolle", "lpd://10.0.0.9/raw", "T"},
                                       {"", "Senza_Nome", "ipp://10.0.0.7/ipp", "G"}};
    MainWindowActions actions;
    actions.rebuildPrinterTable = [&](int) { return PrinterTable::Build{rows, false}; };
    MainWindow window(settings, prompts, actions);
    JobDispatcher dispatcher(DispatchServices{paths, prompts, fonts, oem, clock, printers, opener,
                                              window, root / "home" / "spoolar.ini",
                                              std::nullopt},
                             settings, folder);
    window.attach(dispatcher);
    window.setProductVersion("0.1.0");
    window.setReaderFound(true);
    window.showSettings();
    window.showPrinterRows(rows);
    window.showPrinterLabel("PDF Embedded");
    window.showJobLabels({"C:\\SPOOL\\SPL0001.TMP", "Grafico", "Portrait", "1"});
    window.showJobCaption(" Stampa FATTURA - Terminata ");
    window.showTrayIcon();
    window.showWindow();
    shoot(out + "/01-main-window.png");

    TFRM_Chart chart(paths, prompts, &window);
    TFRM_Coda queue(paths, [] { return std::string(); }, &window);
    TFRM_Colors colours(&window);
    TFRM_FileLst fileLst(paths, prompts, &window);
    TFRM_FileSet fileSet(paths, prompts, &window);
    TFRM_Preview preview(printers, prompts, &window);
    TFRM_Help help(paths, prompts, &window);
    TFRM_FaxCover faxCover(paths, prompts, &window);
    TFRM_Header header(paths, prompts, &window);

    const std::pair<QWidget*, const char*> tools[] = {
        {&chart, "02-chart-settings"}, {&queue, "03-queue"},      {&colours, "04-colours"},
        {&fileLst, "05-printers-lst"}, {&fileSet, "06-printers-set"}, {&help, "08-help"},
        {&faxCover, "09-fax-cover-designer"}, {&header, "10-letterhead-designer"},
    };
    for (const auto& [tool, name] : tools) {
        tool->show();
        tool->raise();
        shoot(out + "/" + name + ".png");
        tool->hide();
    }

    // The preview with a real invoice laid out by the engine.
    VirtualPrinter printer;
    const EngineHost host{paths, prompts, fonts, oem, clock, &printer, false, std::nullopt,
                          nullptr};
    TPageList pages;
    {
        FONTPERCENT percent;
        TPrnDos engine(host, false, "Courier New", &percent, 0, "FATTURA", false, 0, &pages);
        const fs::path job = root / "fattura.txt";
        writeFile(job, "FATTURA N. 12 del 11.12.2026\r\n\r\nArticolo            Q.ta   Importo\r\n"
                       "Carta A4 80 g          10     42,00\r\nToner nero              2    118,00\r\n"
                       "\r\nTotale                        160,00\r\n");
        engine.RunJob(job);
    }
    preview.setPages(pages, printer.pageWidth(), printer.pageHeight(), "Laser_Ufficio");
    preview.show();
    shoot(out + "/07-preview.png");
    preview.hide();

    fs::remove_all(root);
    return 0;
}
