#include "app/JobDispatcher.h"

#include "app/JobPrinter.h"
#include "app/RemoteSpool.h"
#include "charts/ChartFaxCover.h"
#include "charts/ChartJob.h"
#include "engine/EngineHost.h"
#include "engine/PagePrinting.h"
#include "engine/PrnDos.h"
#include "platform/CodePage.h"
#include "platform/DocumentOpener.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "platform/WinPath.h"

#include <exception>
#include <stdexcept>

namespace fs = std::filesystem;

namespace spoolar {

namespace {

constexpr std::string_view kEmptySettingsMessage = "Il file di impostazione spooler è vuoto!";
constexpr std::string_view kProcessingErrorCaption = "Errore stampa PDF";
constexpr std::string_view kUnlockQuestion =
    "Questa operazione è da effettuare nei soli casi di emergenza reale!\n\n"
    "Si conferma l'interruzione dell'attesa del completamento operazione in corso?";

// An error of the dispatch itself while a job is processed; shown like the engine's errors.
class ProcessingError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

std::string orientationText(bool landscape)
{
    return landscape ? "Landscape" : "Portrait";
}

} // namespace

std::string_view pdfStatusText(PdfStatus status)
{
    switch (status) {
    case PdfStatus::None:
        return "";
    case PdfStatus::Creating:
        return "Creazione documento in corso";
    case PdfStatus::Waiting:
        return "Attesa elaborazione successiva";
    }
    return "";
}

JobDispatcher::JobDispatcher(DispatchServices services, ProgramSettings& settings,
                             SpoolFolder& folder)
    : m_services(std::move(services)), m_settings(settings), m_folder(folder)
{
}

std::string JobDispatcher::cannotPrintMessage(std::string_view title, std::string_view printer)
{
    return "Impossibile stampare " + ansiToUtf8(title) + " su " + ansiToUtf8(printer);
}

void JobDispatcher::setPolling(bool on)
{
    if (m_ended)
        on = false;
    if (m_polling == on)
        return;
    m_polling = on;
    if (m_timersChanged)
        m_timersChanged();
}

void JobDispatcher::setFaxTimer(bool on)
{
    if (m_ended)
        on = false;
    if (m_faxTimer == on)
        return;
    m_faxTimer = on;
    if (m_timersChanged)
        m_timersChanged();
}

void JobDispatcher::start()
{
    setPolling(true);
}

void JobDispatcher::tick()
{
    if (m_inTick || m_ended)
        return;
    m_inTick = true;
    setPolling(false);
    m_services.view.processPendingMessages();
    if (!m_ended) {
        m_services.view.showTrayImage(m_blink ? TrayImage::Idle0 : TrayImage::Idle1);
        m_blink = !m_blink;
        if (m_remote && m_remote->enabled())
            runRemoteSpool();
        serveOpenRequests();

        const std::optional<SpoolJob> job = m_folder.nextJob();
        if (job && m_folder.settingsStillExist(*job))
            runJob(*job);
        else
            setPolling(true);
    }
    m_inTick = false;
}

void JobDispatcher::runJob(const SpoolJob& job)
{
    IDispatchView& view = m_services.view;
    m_activeSettingsPath = job.settingsPath;
    view.setButtonPanelEnabled(false);
    bool done = false;
    bool faxWaitStarted = false;
    try {
        if (!prepare(job)) {
            m_services.prompts.show(PromptKind::Error, PromptButtons::Ok,
                                    cannotPrintMessage(m_title, m_printerLabel));
            if (!m_folder.removeJobFiles(job, JobOutcome::NotPrepared))
                view.log("Impossibile eliminare i file del lavoro " + job.settingsPath);
        } else {
            view.showTrayImage(TrayImage::Processing);
            done = process();
        }
        if (done && !m_ended) {
            if (!m_job.settings.pdfOutput && (m_kind == JobKind::Fax || m_kind == JobKind::ChartByFax)) {
                m_faxWaitCount = 0;
                setFaxTimer(true);
                faxWaitStarted = true;
            } else if (m_job.settings.pdfOutput && m_pdfHold) {
                view.showPdfStatus(PdfStatus::Waiting);
                view.setUnlockEnabled(true);
                view.processPendingMessages();
            }
        }
    } catch (const std::exception& e) {
        // Whatever escaped (the view, a file system error) leaves the job where it is.
        view.log(std::string("Errore durante l'elaborazione del lavoro: ") + e.what());
    }
    if (!(done && (m_pdfHold || faxWaitStarted)))
        setPolling(true);
    view.setButtonPanelEnabled(true);
    m_activeSettingsPath.clear();
}

bool JobDispatcher::prepare(const SpoolJob& job)
{
    IDispatchView& view = m_services.view;
    const SettingsResult read = readJobSettings(job.settingsFile);
    if (const SettingsError* error = std::get_if<SettingsError>(&read)) {
        if (*error == SettingsError::Empty)
            m_services.prompts.show(PromptKind::Error, PromptButtons::Ok, kEmptySettingsMessage);
        return false;
    }
    const JobSettings& settings = std::get<JobSettings>(read);
    m_job = CurrentJob{job, settings, settings.effectiveKind(m_kind), false};
    m_title = settings.title;
    m_kind = m_job.kind;
    m_printerLabel = settings.printerName;
    view.showPrinterLabel(ansiToUtf8(m_printerLabel));

    // A producer writes the data file before the settings file; without it there is nothing
    // to print, and taking the job again would not change that.
    std::error_code ec;
    if (!fs::is_regular_file(job.dataFile, ec))
        return false;

    if (settings.pdfOutput) {
        m_job.landscape = !settings.portrait;
        view.showJobLabels({job.dataPath, "Grafico", orientationText(m_job.landscape), "1"});
        return true;
    }
    return preparePrinter();
}

bool JobDispatcher::preparePrinter()
{
    const JobSettings& settings = m_job.settings;
    try {
        preparePrinterForJob(m_services.printers, settings.printerName, settings.copies,
                             m_settings.fascicola);
    } catch (const std::exception&) {
        m_services.prompts.show(PromptKind::Error, PromptButtons::Ok,
                                printerNotReachableMessage(ansiToUtf8(settings.printerName)));
        return false;
    }
    try {
        m_job.landscape = settings.landscape(m_kind);
        IPrinterDevice& device = m_services.printers.device();
        device.setOrientation(m_job.landscape ? Orientation::Landscape : Orientation::Portrait);
        m_services.view.showJobLabels({m_job.files.dataPath,
                                       m_kind == JobKind::Text ? "Testo" : "Grafico",
                                       orientationText(m_job.landscape),
                                       std::to_string(device.copies())});
        if (settings.needsFaxHandOff(m_kind))
            m_folder.writeFaxHandOff(settings); // a missing fax folder is no failure
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool JobDispatcher::option(PreviewOption which) const
{
    switch (which) {
    case PreviewOption::Collate:
        return m_settings.fascicola;
    case PreviewOption::PreviewChart:
        return m_settings.previewChart;
    case PreviewOption::PreviewPrints:
        return m_settings.previewGraphic;
    case PreviewOption::PreviewPdf:
        return m_settings.previewPdf;
    }
    return false;
}

void JobDispatcher::setOption(PreviewOption which, bool on)
{
    if (option(which) == on)
        return;
    switch (which) {
    case PreviewOption::Collate:
        m_settings.fascicola = on;
        break;
    case PreviewOption::PreviewChart:
        m_settings.previewChart = on;
        break;
    case PreviewOption::PreviewPrints:
        m_settings.previewGraphic = on;
        break;
    case PreviewOption::PreviewPdf:
        m_settings.previewPdf = on;
        break;
    }
    saveSettings();
    m_services.view.optionsChanged(m_settings);
}

void JobDispatcher::saveSettings()
{
    if (!m_services.settingsFile.empty() && !m_settings.save(m_services.settingsFile))
        m_services.view.log("Impossibile salvare le impostazioni in " +
                            m_services.settingsFile.string());
}

void JobDispatcher::stop()
{
    setPolling(false);
    setFaxTimer(false);
    m_ended = true;
}

bool JobDispatcher::previewApplies() const
{
    const bool pdf = m_job.settings.pdfOutput;
    switch (m_kind) {
    case JobKind::Graphic:
    case JobKind::Fax:
        return pdf ? m_settings.previewPdf : m_settings.previewGraphic;
    case JobKind::Text:
        return false;
    case JobKind::Chart:
    case JobKind::ChartByFax:
        return pdf ? m_settings.previewPdf : m_settings.previewChart;
    }
    return false;
}

bool JobDispatcher::process()
{
    IDispatchView& view = m_services.view;
    const bool pdf = m_job.settings.pdfOutput;
    const bool rememberedPdfPreview = m_settings.previewPdf;
    bool done = false;
    try {
        if (pdf && m_pdfHold) {
            setOption(PreviewOption::PreviewPdf, false);
            view.showPdfStatus(PdfStatus::Creating);
            view.processPendingMessages();
        }
        const bool preview = previewApplies();
        if (preview && m_kind == JobKind::Fax) {
            // The fax is previewed this once; afterwards its previews are off.
            setOption(PreviewOption::PreviewPrints, false);
            setOption(PreviewOption::PreviewPdf, false);
        }
        const bool hasCover = m_job.files.hasCover();
        TPageList pages;
        TPageList* pageList = (pdf || (!preview && !hasCover)) ? nullptr : &pages;
        done = pageList == nullptr;

        view.showJobCaption(" Stampa " + ansiToUtf8(m_title) + " - In corso... ");
        runEngine(pageList);

        if (preview) {
            if (pdf) {
                openFinishedPdf();
            } else {
                IPrinterDevice& device = m_services.printers.device();
                const PreviewPage page{device.pageWidth(), device.pageHeight(),
                                       m_services.printers.currentName()};
                done = view.showPreview(pages, page);
                pages.clear();
                if (m_callerWindow)
                    view.raiseCallerWindow(*m_callerWindow);
            }
        } else if (hasCover && pageList) {
            done = printPageList(m_services.printers.device(), pages);
            pages.clear();
        }

        if (!m_folder.removeJobFiles(m_job.files, JobOutcome::Processed))
            view.log("Impossibile eliminare i file del lavoro " + m_job.files.settingsPath);
        view.showJobCaption(" Stampa " + ansiToUtf8(m_title) + " - Terminata ");
        m_failingJob.clear();
        m_failures = 0;
        setOption(PreviewOption::PreviewPdf, rememberedPdfPreview);
    } catch (const std::exception& e) {
        // Also after a failure: an option switched off for this job only must not stay off.
        setOption(PreviewOption::PreviewPdf, rememberedPdfPreview);
        processingFailed(e.what());
        done = false;
    }
    return done;
}

void JobDispatcher::runEngine(TPageList* pages)
{
    const bool pdf = m_job.settings.pdfOutput;
    EngineHost host{m_services.paths, m_services.prompts, m_services.fonts,
                    m_services.oem,   m_services.clock,   nullptr,
                    m_debugMap,       m_services.controlCodesFile, &m_services.printers};
    host.barcodeKinds = &m_barcodeKinds;
    const fs::path& data = m_job.files.dataFile;
    const fs::path& cover = m_job.files.coverFile;
    const std::string fontName = fontNameOf(m_settings.fontIndex);

    if (m_kind == JobKind::Chart || m_kind == JobKind::ChartByFax) {
        const int variant = m_kind == JobKind::ChartByFax ? static_cast<int>(TChartVariant::Fax)
                            : pdf ? static_cast<int>(TChartVariant::Pdf)
                                  : static_cast<int>(TChartVariant::Printer);
        TChartJob job(TChartJobContext{host, m_title, pages, m_settings.pdfType,
                                       chartFaxCover(host, fontName)});
        job.PrintChart(data, cover, variant);
        if (pdf) {
            std::error_code ec;
            const fs::path written = job.pdfHostPath();
            if (written.empty() || !fs::is_regular_file(written, ec))
                throw ProcessingError("Il documento PDF di " + ansiToUtf8(m_title) +
                                      " non è stato creato.");
        }
        return;
    }

    TPrnDos engine(host, m_job.landscape, fontName, &m_settings.fontPercent, m_settings.pdfType,
                   m_title, pdf, m_job.settings.leftOffset, pages);
    if (m_kind == JobKind::Text) {
        if (!engine.PassThrough(data))
            throw ProcessingError("La stampante " + m_services.printers.currentName() +
                                  " non ha accettato il lavoro " + ansiToUtf8(m_title) + ".");
        return;
    }
    if (!engine.RunJob(data, cover))
        throw ProcessingError("Impossibile leggere il file " + m_job.files.dataPath + ".");
    if (pdf) {
        std::error_code ec;
        const fs::path written = engine.pdfHostPath();
        if (written.empty() || !fs::is_regular_file(written, ec))
            throw ProcessingError("Il documento PDF di " + ansiToUtf8(m_title) +
                                  " non è stato creato.");
    }
}

void JobDispatcher::openFinishedPdf()
{
    const std::optional<std::string> ready = m_folder.readPdfReadyFile();
    if (!ready)
        return;
    const fs::path document = m_services.paths.toHost(ansiToUtf8(*ready));
    std::error_code ec;
    if (fs::is_regular_file(document, ec)) {
        if (m_services.opener.open(document, ReaderSwitch::SlashA) == OpenResult::NotStarted)
            m_services.view.log("Impossibile aprire " + document.string());
    }
    m_folder.removePdfReadyFile();
}

void JobDispatcher::processingFailed(const std::string& text)
{
    IDispatchView& view = m_services.view;
    view.showTrayImage(TrayImage::Idle0);
    m_blink = false;
    if (m_job.settings.pdfOutput)
        m_folder.removePdfReadyFile();
    const PromptAnswer answer = m_services.prompts.showCaptioned(
        PromptKind::Error, PromptButtons::AbortRetryIgnore, text, kProcessingErrorCaption);
    switch (answer) {
    case PromptAnswer::Abort:
        m_ended = true;
        setPolling(false);
        setFaxTimer(false);
        view.endProgram(ProgramEnd::Abort);
        return;
    case PromptAnswer::Retry:
        m_ended = true;
        setPolling(false);
        setFaxTimer(false);
        view.endProgram(ProgramEnd::Restart);
        return;
    default:
        break;
    }
    if (m_failingJob != m_job.files.settingsPath) {
        m_failingJob = m_job.files.settingsPath;
        m_failures = 0;
    }
    ++m_failures;
    if (m_giveUpAfter > 0 && m_failures >= m_giveUpAfter)
        giveUp();
}

void JobDispatcher::giveUp()
{
    const ErrorFolderMove move = m_folder.moveJobToErrorFolder(m_job.files);
    std::string line = "Il lavoro " + ansiToUtf8(m_title) + " (" + m_job.files.settingsPath +
                       ") non è stato elaborato dopo " + std::to_string(m_failures) +
                       " tentativi: ";
    line += move.complete ? "spostato in C:\\SPOOL\\ERR" : "spostamento in C:\\SPOOL\\ERR incompleto";
    m_services.view.log(line);
    m_failingJob.clear();
    m_failures = 0;
}

void JobDispatcher::faxTick()
{
    if (m_ended)
        return;
    setFaxTimer(false);
    ++m_faxWaitCount;
    if (m_faxWaitCount >= 30 || !m_folder.faxHandOffPending())
        setPolling(true);
    else
        setFaxTimer(true);
}

void JobDispatcher::handleMessage(const WindowMessage& message)
{
    switch (message.id) {
    case kSetCallerWindow:
        m_callerWindow = message.handle;
        break;
    case kPdfHoldOn:
        m_pdfHold = true;
        break;
    case kPdfHoldOff:
        m_services.view.showPdfStatus(PdfStatus::None);
        m_services.view.setUnlockEnabled(false);
        m_pdfHold = false;
        setPolling(true);
        break;
    case kCloseNow:
        setPolling(false);
        setFaxTimer(false);
        m_ended = true;
        m_services.view.endProgram(ProgramEnd::CloseNow);
        break;
    default:
        break;
    }
}

bool JobDispatcher::unlockPdfHold()
{
    if (m_services.prompts.show(PromptKind::Warning, PromptButtons::OkCancel, kUnlockQuestion) !=
        PromptAnswer::Ok)
        return false;
    handleMessage(WindowMessage{kPdfHoldOff, std::nullopt});
    return true;
}

void JobDispatcher::runRemoteSpool()
{
    const RemoteSpoolResult result =
        m_remote->tick([this] { m_services.view.showTrayImage(TrayImage::RemoteFetch); });
    if (result.outcome == RemoteSpoolOutcome::Failed && !result.message.empty())
        m_services.view.log("Spool remoto: " + result.message);
}

void JobDispatcher::serveOpenRequests()
{
    for (const fs::path& request : m_folder.openRequests()) {
        const OpenRequest taken = m_folder.takeOpenRequest(request);
        if (taken.status != OpenRequestStatus::Open)
            continue;
        const OpenResult opened = m_services.opener.open(taken.target, ReaderSwitch::None);
        if (opened != OpenResult::Opened)
            m_services.view.log("Impossibile aprire " + taken.target.string());
    }
}

} // namespace spoolar
