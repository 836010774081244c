#include "app/HeadlessProgram.h"

#include "app/DispatchTimers.h"
#include "app/JobDispatcher.h"
#include "app/LogDispatchView.h"
#include "app/PrinterTableBuilder.h"
#include "app/RemoteSpool.h"
#include "app/Settings.h"
#include "app/SpoolFolder.h"
#include "engine/EngineHost.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/DocumentOpener.h"
#include "platform/FontRegistry.h"
#include "platform/PdfReader.h"
#include "platform/ProgramRestart.h"
#include "platform/Prompts.h"
#include "platform/SingleInstance.h"
#include "platform/Spooler.h"
#include "platform/TerminationSignals.h"
#include "platform/WinPath.h"
#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <csignal>
#include <cstdio>
#include <optional>

namespace spoolar {

namespace {

// A job that fails this often in a row is moved to C:\SPOOL\ERR: nobody answers the error box.
constexpr int kHeadlessGiveUpAfter = 3;

struct HeadlessOptions
{
    std::optional<std::filesystem::path> controlCodes;
};

std::optional<HeadlessOptions> parseHeadlessOptions(const std::vector<std::string>& args,
                                                    std::string& error)
{
    HeadlessOptions options;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--control-codes" && i + 1 < args.size()) {
            options.controlCodes = std::filesystem::path(args[++i]);
        } else {
            error = "opzione sconosciuta: " + args[i];
            return std::nullopt;
        }
    }
    return options;
}

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

int runHeadless(const std::vector<std::string>& args)
{
    std::string error;
    const auto options = parseHeadlessOptions(args, error);
    if (!options) {
        logLine(error);
        return 2;
    }

    // A restarted program waits for the one it replaces, then checks for another instance.
    waitForPredecessor();
    if (anotherInstanceRunning()) {
        logLine("un'altra istanza di Spoolar è già in esecuzione");
        return 0;
    }

    const PathMapper paths = PathMapper::fromEnvironment();
    LogPrompts prompts;
    FontRegistry fonts;
    const OemConverter oem;
    SystemClock clock;
    CupsSpooler spooler;
    PrinterObject printers(spooler);

    ProgramSettings settings;
    const std::filesystem::path settingsFile = settingsFilePath(paths);
    settings.load(settingsFile);

    SpoolFolder folder(paths, clock);
    if (!folder.createWorkFolders())
        logLine("impossibile creare C:\\SPOOL\\TMP o C:\\SPOOL\\PDF in " +
                paths.toHost("C:\\").string());

    const std::optional<std::filesystem::path> reader = findPdfReader(paths);
    logLine(reader ? "lettore PDF: " + reader->string() : std::string("nessun lettore PDF trovato"));
    DetachedProcessLauncher launcher;
    const DocumentOpener opener(launcher, reader);

    const EngineHost host{paths,        prompts, fonts, oem, clock, nullptr, false,
                          options->controlCodes, &printers};
    const std::vector<PrinterRow> table = printerTableAtStart(host, settings.fontName());
    logLine("stampanti: " + std::to_string(table.size() > 0 ? table.size() - 1 : 0) +
            " oltre a PDF Embedded");

    RemoteSpool remote(remoteConfigOf(settings), paths);
    if (remote.enabled()) {
        const FtpsStatus status = remote.connect();
        if (!status.ok())
            logLine("spool remoto non raggiungibile, nuovo tentativo al prossimo ciclo: " +
                    status.message());
    }

    folder.removePdfReadyFile();

    int exitCode = 0;
    bool restart = false;
    LogDispatchView view(printers, [&](ProgramEnd how) {
        if (how == ProgramEnd::Abort)
            exitCode = 1;
        restart = how == ProgramEnd::Restart;
        // Leaves the event loop once the tick in progress has returned.
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    });
    JobDispatcher dispatcher(
        DispatchServices{paths, prompts, fonts, oem, clock, printers, opener, view, settingsFile,
                         options->controlCodes},
        settings, folder);
    dispatcher.setRemoteSpool(&remote);
    dispatcher.setGiveUpAfter(kHeadlessGiveUpAfter);
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

    TerminationSignals termination([&](int signal) {
        logLine(signal == SIGINT ? "interruzione richiesta (SIGINT)"
                                 : "terminazione richiesta (SIGTERM)");
        dispatcher.handleMessage(WindowMessage{kCloseNow, std::nullopt});
    });

    logLine("in attesa di lavori in " + paths.toHost("C:\\SPOOL").string());
    dispatcher.start();
    timers.sync();
    QCoreApplication::exec();

    if (!settings.save(settingsFile))
        logLine("impossibile salvare le impostazioni in " + settingsFile.string());
    if (restart) {
        server.reset();
        if (!startNewInstance(args))
            logLine("impossibile riavviare Spoolar");
    }
    logLine("Spoolar terminato");
    return exitCode;
}

} // namespace spoolar
