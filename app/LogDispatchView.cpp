#include "app/LogDispatchView.h"

#include "engine/PagePrinting.h"
#include "platform/Spooler.h"

#include <QCoreApplication>

#include <string>

namespace spoolar {

LogDispatchView::LogDispatchView(PrinterObject& printers,
                                 std::function<void(ProgramEnd)> endRequested, std::FILE* out)
    : m_printers(printers), m_endRequested(std::move(endRequested)), m_out(out)
{
}

void LogDispatchView::log(std::string_view line)
{
    std::string text;
    for (char c : line)
        text += c == '\n' ? ' ' : c;
    std::fprintf(m_out, "spoolar: %s\n", text.c_str());
    std::fflush(m_out);
}

void LogDispatchView::showJobCaption(std::string_view caption)
{
    // " Stampa FATTURA - In corso... " without its framing blanks.
    const auto first = caption.find_first_not_of(' ');
    const auto last = caption.find_last_not_of(' ');
    if (first != std::string_view::npos)
        log(caption.substr(first, last - first + 1));
}

void LogDispatchView::showPdfStatus(PdfStatus status)
{
    if (status != PdfStatus::None)
        log(pdfStatusText(status));
}

void LogDispatchView::processPendingMessages()
{
    QCoreApplication::processEvents();
}

bool LogDispatchView::showPreview(TPageList& pages, const PreviewPage& page)
{
    log("Anteprima non disponibile senza finestre: il lavoro va direttamente alla stampante " +
        page.printerName);
    const bool printed = printPageList(m_printers.device(), pages);
    pages.clear();
    return printed;
}

void LogDispatchView::endProgram(ProgramEnd how)
{
    m_end = how;
    if (m_endRequested)
        m_endRequested(how);
}

} // namespace spoolar
