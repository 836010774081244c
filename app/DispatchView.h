#pragma once
#include "engine/PrnDos.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace spoolar {

struct ProgramSettings;

// The images of the tray icon: 0 and 1 alternate while idle, 2 while a job is processed,
// 3 while jobs are fetched from the remote spool.
enum class TrayImage
{
    Idle0 = 0,
    Idle1 = 1,
    Processing = 2,
    RemoteFetch = 3
};

// LBL_PdfStatus: empty, "Creazione documento in corso" in the normal caption colour, or
// "Attesa elaborazione successiva" in red.
enum class PdfStatus
{
    None,
    Creating,
    Waiting
};
std::string_view pdfStatusText(PdfStatus status);

// LBL_FileSpool, LBL_TipoOutput, LBL_Orientamento, LBL_NumeroCopie (UTF-8).
struct JobLabels
{
    std::string dataFile;
    std::string outputKind;  // "Grafico" or "Testo"
    std::string orientation; // "Landscape" or "Portrait"
    std::string copies;
};

// The page a preview shows: the selected printer's page in dots and its name.
struct PreviewPage
{
    int width = 0;
    int height = 0;
    std::string printerName; // UTF-8
};

// How the program is to end, when the dispatch ends it.
enum class ProgramEnd
{
    Abort,    // at once, without confirmation (Abort of the processing error box)
    Restart,  // a new process takes over (Retry of the processing error box)
    CloseNow, // window message 32769
};

// What the dispatch shows and asks besides its dialogs (which go through IPrompts): the main
// window's controls on the desktop, the log when headless, a recorder in tests. Texts are UTF-8.
class IDispatchView
{
public:
    virtual ~IDispatchView() = default;

    virtual void showTrayImage(TrayImage image) = 0;
    // Panel1, the buttons that open tool windows: off while a job runs.
    virtual void setButtonPanelEnabled(bool enabled) = 0;
    virtual void showPrinterLabel(std::string_view printer) = 0;   // LBL_Stampante
    virtual void showJobLabels(const JobLabels& labels) = 0;      // the status labels
    virtual void showJobCaption(std::string_view caption) = 0;    // GRB_Parametri
    virtual void showPdfStatus(PdfStatus status) = 0;             // LBL_PdfStatus
    virtual void setUnlockEnabled(bool enabled) = 0;              // BTN_SbloccaPdf
    // The preview options changed (check boxes and tray items follow); already saved.
    virtual void optionsChanged(const ProgramSettings& settings) = 0;
    // Lets window messages that wait be handled now (they may change the dispatch's state).
    virtual void processPendingMessages() = 0;
    // Shows the recorded pages modally; true when the user printed them (FPrinted). The view
    // releases the pages it printed or discarded.
    virtual bool showPreview(TPageList& pages, const PreviewPage& page) = 0;
    // Brings the window of the program that asked for the job back to the front.
    virtual void raiseCallerWindow(std::uint64_t handle) = 0;
    // Ends the program; the dispatch takes no job after this call.
    virtual void endProgram(ProgramEnd how) = 0;
    // A line for the log only: what happened without a dialog (a job given up, an open
    // request that failed). The desktop may show it in its status or drop it.
    virtual void log(std::string_view line) = 0;
};

} // namespace spoolar
