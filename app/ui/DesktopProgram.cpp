#include "app/ui/DesktopProgram.h"

#include "app/DispatchTimers.h"
#include "app/JobDispatcher.h"
#include "app/PrinterTableBuilder.h"
#include "app/RemoteSpool.h"
#include "app/Settings.h"
#include "app/SpoolFolder.h"
#include "app/ui/DarkStyle.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PrinterGrid.h"
#include "app/ui/MessageBoxPrompts.h"
#include "app/ui/TrayImages.h"
#include "app/ui/Spoolar_coda.h"
#include "app/ui/Spoolar_filelst.h"
#include "app/ui/Spoolar_fileset.h"
#include "charts/ui/Spoolar_chart.h"
#include "engine/ui/Spoolar_preview.h"
#include "overlays/ui/Spoolar_faxcover.h"
#include "overlays/ui/Spoolar_header.h"
#include "tools/ui/Spoolar_colors.h"
#include "tools/ui/Spoolar_help.h"
#include "engine/EngineHost.h"
#include "engine/PagePrinting.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/DocumentOpener.h"
#include "platform/FontRegistry.h"
#include "platform/PdfReader.h"
#include "platform/ProgramRestart.h"
#include "platform/SingleInstance.h"
#include "platform/Spooler.h"
#include "platform/TerminationSignals.h"
#include "platform/WinPath.h"
#include "platform/WindowMessages.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <csignal>
#include <cstdio>

namespace spoolar {

namespace {

constexpr const char* kApplicationTitle = "Qvor - Spool emulazione Epson";

void logLine(const std::string& line)
{
    std::fprintf(stderr, "spoolar: %s\n", line.c_str());
    std::fflush(stderr);
}

RemoteSpoolConfig remoteConfigOf(const ProgramSettings& settings)
{
    RemoteSpoolConfig config;
    config.host = settings.host;
    config.port = settings.port;
    config.user = settings.user;
    config.password = settings.password;
    config.folder = settings.ftpPath;
    config.mode = settings.passive ? FtpMode::Passive : FtpMode::Active;
    config.verify = settings.verifyCertificate ? TlsVerify::Peer : TlsVerify::None;
    config.caFile = settings.caFile;
    return config;
}

} // namespace

int runDesktop(const std::vector<std::string>& args)
{
    waitForPredecessor();
    if (anotherInstanceRunning())
        return 0;

    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) {
        logLine("manca l'applicazione Qt Widgets");
        return 1;
    }
    QApplication::setApplicationDisplayName(kApplicationTitle);
    QApplication::setWindowIcon(programIcon());
    QApplication::setQuitOnLastWindowClosed(false);
    applyDarkStyle(*app);

    const PathMapper paths = PathMapper::fromEnvironment();
    MessageBoxPrompts prompts(kApplicationTitle);
    FontRegistry fonts;
    const OemConverter oem;
    SystemClock clock;
    CupsSpooler spooler;
    PrinterObject printers(spooler);

    ProgramSettings settings;
    const std::filesystem::path settingsFile = settingsFilePath(paths);
    settings.load(settingsFile);

    SpoolFolder folder(paths, clock);
    folder.createWorkFolders();
    const std::optional<std::filesystem::path> reader = findPdfReader(paths);
    DetachedProcessLauncher launcher;
    const DocumentOpener opener(launcher, reader);

    const EngineHost host{paths, prompts, fonts, oem, clock, nullptr, false, std::nullopt,
                          &printers};

    bool restart = false;
    MainWindowActions actions;
    actions.rebuildPrinterTable = [&](int fontIndex) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        PrinterTable::Build table = rebuildPrinterTable(host, fontNameOf(fontIndex));
        QApplication::restoreOverrideCursor();
        return table;
    };
    actions.namePrinter = [&](const QString& printer, const QString& userName) {
        const NamingResult result = setPrinterUserName(
            spooler, prompts, utf8ToAnsi(printer.toStdString()), utf8ToAnsi(userName.toStdString()),
            [&] {
                if (!startElevatedInstance(args))
                    prompts.show(PromptKind::Error, PromptButtons::Ok,
                                 "Impossibile riavviare Spoolar con i privilegi di "
                                 "amministratore.");
                else
                    QCoreApplication::exit(0);
            });
        return result == NamingResult::Named;
    };
    // The preview window is created after the main window; until then nothing is previewed.
    std::function<bool(TPageList&, const PreviewPage&)> preview;
    actions.showPreview = [&](TPageList& pages, const PreviewPage& page) {
        return preview ? preview(pages, page) : false;
    };
    JobDispatcher* dispatcherPointer = nullptr;
    auto dispatcherJobInProgress = [&]() -> std::string {
        return dispatcherPointer ? dispatcherPointer->jobInProgress() : std::string();
    };
    actions.quit = [&](bool restartWanted) {
        restart = restartWanted;
        QCoreApplication::exit(0);
    };

    MainWindow window(settings, prompts, actions);
    prompts.setParent(&window);
    window.setProductVersion(QString::fromLatin1(SPOOLAR_VERSION));
    window.setReaderFound(reader.has_value());

    // Windows created while the screen is wider than 1920 pixels grow with it.
    double scale = 1.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const int width = screen->geometry().width();
        if (width > 1920)
            scale = width / 1920.0;
    }
    if (scale > 1.0)
        window.setFixedSize(static_cast<int>(860 * scale), static_cast<int>(493 * scale));

    // The tool windows, created once for the whole run, in the order the program always had.
    TFRM_Chart chartWindow(paths, prompts, &window);
    TFRM_Coda queueWindow(paths, [&] { return dispatcherJobInProgress(); }, &window);
    TFRM_Colors coloursWindow(&window);
    TFRM_FaxCover faxCoverWindow(paths, prompts, &window);
    TFRM_FileLst fileLstWindow(paths, prompts, &window);
    TFRM_FileSet fileSetWindow(paths, prompts, &window);
    TFRM_Preview previewWindow(printers, prompts, &window);
    TFRM_Header headerWindow(paths, prompts, &window);
    TFRM_Help helpWindow(paths, prompts, &window);
    window.setToolWindow(ToolWindow::FaxCover, [&] { faxCoverWindow.ShowModal(); });
    window.setToolWindow(ToolWindow::Header, [&] { headerWindow.ShowModal(); });
    headerWindow.setHelpOpener([&] { helpWindow.ShowModal(); });
    window.setToolWindow(ToolWindow::Chart, [&] { chartWindow.ShowModal(); });
    window.setToolWindow(ToolWindow::Coda, [&] { queueWindow.ShowModal(); });
    window.setToolWindow(ToolWindow::Colors, [&] { coloursWindow.ShowModal(); });
    window.setToolWindow(ToolWindow::FileLst, [&] { fileLstWindow.ShowModal(); });
    window.setToolWindow(ToolWindow::FileSet, [&] { fileSetWindow.ShowModal(); });
    previewWindow.setChartSettingsOpener([&] { chartWindow.ShowModal(); });
    previewWindow.setQueueOpener([&] { queueWindow.ShowModal(); });
    if (scale > 1.0) {
        queueWindow.ScaleForm(scale);
        coloursWindow.ScaleForm(scale);
        fileLstWindow.ScaleForm(scale);
        fileSetWindow.ScaleForm(scale);
        previewWindow.ScaleForm(scale);
        faxCoverWindow.ScaleForm(scale);
        headerWindow.ScaleForm(scale);
        helpWindow.ScaleForm(scale);
    }
    preview = [&](TPageList& pages, const PreviewPage& page) {
        return previewWindow.showPages(pages, page.width, page.height,
                                       QString::fromStdString(page.printerName));
    };

    JobDispatcher dispatcher(DispatchServices{paths, prompts, fonts, oem, clock, printers, opener,
                                              window, settingsFile, std::nullopt},
                             settings, folder);
    window.attach(dispatcher);
    dispatcherPointer = &dispatcher;
    window.showSettings();
    window.showPrinterRows(printerTableAtStart(host, settings.fontName()));

    RemoteSpool remote(remoteConfigOf(settings), paths);
    dispatcher.setRemoteSpool(&remote);
    if (remote.enabled()) {
        const FtpsStatus status = remote.connect();
        if (!status.ok())
            logLine("spool remoto non raggiungibile: " + status.message());
    }
    folder.removePdfReadyFile();

    DispatchTimers timers(dispatcher);
    std::string listenError;
    auto server = WindowMessageServer::listen(
        [&](const WindowMessage& message) {
            dispatcher.handleMessage(message);
            timers.sync();
        },
        &listenError);
    if (!server)
        logLine("messaggi non disponibili: " + listenError);
    TerminationSignals termination([&](int) {
        dispatcher.handleMessage(WindowMessage{kCloseNow, std::nullopt});
    });

    window.showTrayIcon();
    dispatcher.start();
    timers.sync();
    const int code = QApplication::exec();

    dispatcher.stop();
    if (!settings.save(settingsFile))
        logLine("impossibile salvare le impostazioni in " + settingsFile.string());
    PrinterTable::saveCache(printerCachePath(paths), window.printerGrid()->rows());
    if (restart) {
        server.reset();
        if (!startNewInstance(args))
            logLine("impossibile riavviare Spoolar");
    }
    return code;
}

} // namespace spoolar
