#pragma once
#include "app/DispatchView.h"

#include <cstdio>
#include <functional>
#include <optional>

namespace spoolar {

class PrinterObject;

// The view of the headless spooler: no windows. Captions, PDF states and log lines are written
// as one line each to the log (standard error); a preview cannot be shown, so its pages are
// printed as the print-all action of the preview would; the end of the program is handed to
// `endRequested`, which leaves the event loop.
class LogDispatchView : public IDispatchView
{
public:
    LogDispatchView(PrinterObject& printers, std::function<void(ProgramEnd)> endRequested,
                    std::FILE* out = stderr);

    void showTrayImage(TrayImage) override {}
    void setButtonPanelEnabled(bool) override {}
    void showPrinterLabel(std::string_view) override {}
    void showJobLabels(const JobLabels&) override {}
    void showJobCaption(std::string_view caption) override;
    void showPdfStatus(PdfStatus status) override;
    void setUnlockEnabled(bool) override {}
    void optionsChanged(const ProgramSettings&) override {}
    void processPendingMessages() override;
    bool showPreview(TPageList& pages, const PreviewPage& page) override;
    void raiseCallerWindow(std::uint64_t) override {}
    void endProgram(ProgramEnd how) override;
    void log(std::string_view line) override;

    std::optional<ProgramEnd> endRequest() const { return m_end; }

private:
    PrinterObject& m_printers;
    std::function<void(ProgramEnd)> m_endRequested;
    std::FILE* m_out;
    std::optional<ProgramEnd> m_end;
};

} // namespace spoolar
