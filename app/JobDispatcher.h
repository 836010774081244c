#pragma once
#include "app/DispatchView.h"
#include "app/JobSettings.h"
#include "app/Settings.h"
#include "app/SpoolFolder.h"
#include "engine/FontPercent.h"
#include "engine/PrnDos.h"
#include "overlays/BarcodeKinds.h"
#include "platform/WindowMessages.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace spoolar {

class DocumentOpener;
class FontRegistry;
class IClock;
class IPrompts;
class OemConverter;
class PathMapper;
class PrinterObject;
class RemoteSpool;

// The services the dispatch works with; all are kept by reference and must outlive it.
struct DispatchServices
{
    const PathMapper& paths;
    IPrompts& prompts;
    const FontRegistry& fonts;
    const OemConverter& oem;
    const IClock& clock;
    PrinterObject& printers;
    const DocumentOpener& opener;
    IDispatchView& view;
    // Where the program settings are saved when the dispatch changes an option.
    std::filesystem::path settingsFile;
    // PRNCONTR.COD to use instead of the search of the engine (tests, --control-codes).
    std::optional<std::filesystem::path> controlCodesFile;
};

// The preview options the dispatch changes (and the user, through the same call).
enum class PreviewOption
{
    Collate,       // CKB_Fascicola
    PreviewChart,  // CKB_PreviewGrafici
    PreviewPrints, // CKB_PreviewStampe
    PreviewPdf,    // CKB_PreviewPDF
};

// The job dispatch: once a second (while polling is on) it fetches from the remote spool,
// serves the deferred open requests, takes the next job of the spool folder, prepares the
// printer or the PDF output, runs the engine, shows or prints what a preview needs, hands fax
// jobs to the fax program, and removes the job's files once the output is complete.
//
// It owns no timer: the caller runs tick() while pollingEnabled() and faxTick() while
// faxWaitRunning(), one second apart, and is told of every change of the two through
// setTimersChanged(). Everything runs on one thread; window messages come in through
// handleMessage(), also while a tick lets pending messages run.
class JobDispatcher
{
public:
    JobDispatcher(DispatchServices services, ProgramSettings& settings, SpoolFolder& folder);

    // The remote spool to poll; null or disabled switches the remote step off.
    void setRemoteSpool(RemoteSpool* remote) { m_remote = remote; }
    // CKB_Debug: the engine writes its box map.
    void setDebugMap(bool on) { m_debugMap = on; }
    // Without anybody to answer the error box, a job that fails this many times in a row is
    // moved to C:\SPOOL\ERR. 0 keeps taking it again (the desktop: the user decides).
    void setGiveUpAfter(int failures) { m_giveUpAfter = failures; }
    void setTimersChanged(std::function<void()> changed) { m_timersChanged = std::move(changed); }

    // Starts polling (the last step of the start-up).
    void start();
    // One tick of the polling timer. Does nothing while a tick runs (a message loop entered
    // from inside the tick may deliver the timer again) or once the program is ending.
    void tick();
    // One tick of the fax wait timer.
    void faxTick();
    // Window messages 6025, 6026, 6027 and 32769.
    void handleMessage(const WindowMessage& message);
    // "S&blocca": asks for confirmation, then releases the PDF hold. True when released.
    bool unlockPdfHold();
    // A change of a preview option: saved at once, the view follows.
    void setOption(PreviewOption option, bool on);
    // Writes the program settings (after a change the dispatcher did not make itself).
    void saveSettings();
    // TMR_Wait off while the user is asked whether to end, and on again after Cancel.
    void suspendPolling() { setPolling(false); }
    void resumePolling() { setPolling(true); }
    // The program ends: no tick, fax wait or message does anything any more.
    void stop();

    bool pollingEnabled() const { return m_polling; }
    bool faxWaitRunning() const { return m_faxTimer; }
    bool busy() const { return m_inTick; }
    bool ended() const { return m_ended; }
    bool pdfHold() const { return m_pdfHold; }
    int faxWaitCount() const { return m_faxWaitCount; }
    std::optional<std::uint64_t> callerWindow() const { return m_callerWindow; }
    // The settings path of the job in progress (the queue view never deletes it).
    const std::string& jobInProgress() const { return m_activeSettingsPath; }

    // The messages of the dispatch.
    static std::string cannotPrintMessage(std::string_view title, std::string_view printer);

private:
    // The job in progress, as the settings line and the preparation left it.
    struct CurrentJob
    {
        SpoolJob files;
        JobSettings settings;
        JobKind kind = JobKind::Graphic;
        bool landscape = false;
    };

    void setPolling(bool on);
    void setFaxTimer(bool on);
    void runRemoteSpool();
    void serveOpenRequests();
    void runJob(const SpoolJob& job);
    bool prepare(const SpoolJob& job);
    bool preparePrinter();
    bool process();
    bool previewApplies() const;
    void runEngine(TPageList* pages);
    void openFinishedPdf();
    void processingFailed(const std::string& text);
    void giveUp();
    bool option(PreviewOption option) const;

    DispatchServices m_services;
    ProgramSettings& m_settings;
    SpoolFolder& m_folder;
    RemoteSpool* m_remote = nullptr;
    std::function<void()> m_timersChanged;
    bool m_debugMap = false;
    int m_giveUpAfter = 0;
    // The last barcode kind looked up, kept from job to job for the whole run.
    BarcodeKindCache m_barcodeKinds;

    bool m_polling = false;
    bool m_faxTimer = false;
    bool m_inTick = false;
    bool m_ended = false;
    bool m_blink = false;
    bool m_pdfHold = false;
    int m_faxWaitCount = 0;
    std::optional<std::uint64_t> m_callerWindow;

    // The texts shown for the job in progress; an unreadable settings file keeps the
    // previous job's, as the error message shows them.
    std::string m_title;        // ANSI
    std::string m_printerLabel; // ANSI
    JobKind m_kind = JobKind::Graphic;
    CurrentJob m_job;
    std::string m_activeSettingsPath;

    // Consecutive processing failures of one job (settings path → count).
    std::string m_failingJob;
    int m_failures = 0;
};

} // namespace spoolar
