#include "platform/CupsPrinterDevice.h"

#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/Spooler.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace spoolar {
namespace {

constexpr int fallbackResolution = 600;

std::string inQuotes(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace

std::unique_ptr<CupsPrinterDevice>
CupsPrinterDevice::open(const std::string& name, std::optional<int> resolution, Collation collation)
{
    // The queue's A4 layout as Qt reads it from the driver: the margins are the unprintable
    // borders of the sheet.
    QPageLayout layout;
    {
        QPrinter queue(QPrinter::HighResolution);
        const QString printerName = QString::fromStdString(name);
        queue.setPrinterName(printerName);
        // Qt keeps the previous printer (the default one) when it does not know the name.
        if (queue.outputFormat() != QPrinter::NativeFormat || queue.printerName() != printerName)
            return nullptr;
        queue.setPageSize(QPageSize(QPageSize::A4));
        queue.setPageOrientation(QPageLayout::Portrait);
        queue.setFullPage(false);
        layout = queue.pageLayout();
    }

    // Qt's own CUPS submission neither reports a refused job nor can it be aborted (the job is
    // sent when the painter ends, aborted or not): render to PDF and send it ourselves.
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(resolution.value_or(fallbackResolution));
    printer->setPageLayout(layout);
    printer->setFullPage(false);
    printer->setColorMode(QPrinter::Color);
    return std::unique_ptr<CupsPrinterDevice>(
        new CupsPrinterDevice(name, resolution, collation, std::move(printer)));
}

CupsPrinterDevice::CupsPrinterDevice(std::string name, std::optional<int> resolution,
                                     Collation collation, std::unique_ptr<QPrinter> printer)
    : m_name(std::move(name)), m_resolution(resolution), m_collation(collation),
      m_printer(std::move(printer))
{
}

CupsPrinterDevice::~CupsPrinterDevice()
{
    // A document left open is not printed half-done.
    abortDoc();
}

std::optional<DeviceMode> CupsPrinterDevice::defaultDeviceMode() const
{
    // Without a resolution of the driver the engine lays out at 600 dpi with no margin.
    if (!m_resolution)
        return DeviceMode{fallbackResolution, 0};
    return DeviceMode{*m_resolution, *m_resolution};
}

void CupsPrinterDevice::setTitle(std::string_view title)
{
    m_title = title;
    m_printer->setDocName(ansiToQString(m_title));
}

void CupsPrinterDevice::setOrientation(Orientation orientation)
{
    m_orientation = orientation;
    // Qt keeps the driver's margins as they are on the turned page; CUPS fits the landscape
    // page onto the sheet.
    m_printer->setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait);
}

void CupsPrinterDevice::setCopies(int copies)
{
    m_copies = std::max(1, copies);
}

int CupsPrinterDevice::resolution() const
{
    return m_printer->resolution();
}

int CupsPrinterDevice::pageWidth() const
{
    return static_cast<int>(std::lround(m_printer->pageRect(QPrinter::DevicePixel).width()));
}

int CupsPrinterDevice::pageHeight() const
{
    return static_cast<int>(std::lround(m_printer->pageRect(QPrinter::DevicePixel).height()));
}

void CupsPrinterDevice::checkQueue() const
{
    if (!CupsSpooler().acceptsJobs(m_name))
        throw PrinterError("La stampante " + inQuotes(m_name) +
                           " non esiste, non accetta stampe o il server di stampa non risponde");
}

void CupsPrinterDevice::beginDoc()
{
    if (m_painter)
        throw std::logic_error("CupsPrinterDevice: beginDoc while a document is open");
    // The job is sent only when the document ends: find out a missing queue or a server that
    // is down before the pages are drawn.
    checkQueue();

    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/spoolar-XXXXXX.pdf");
    if (!file->open())
        throw PrinterError("Impossibile creare il file temporaneo di stampa per la stampante " +
                           inQuotes(m_name));
    m_printer->setOutputFileName(file->fileName());
    m_printer->setDocName(ansiToQString(m_title));
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get()))
        throw PrinterError("Impossibile iniziare la stampa sulla stampante " + inQuotes(m_name));
    m_file = std::move(file);
    m_painter = std::move(painter);
}

void CupsPrinterDevice::newPage()
{
    if (!m_painter)
        throw std::logic_error("CupsPrinterDevice: newPage without beginDoc");
    if (!m_printer->newPage())
        throw PrinterError("Impossibile aggiungere una pagina sulla stampante " + inQuotes(m_name));
}

void CupsPrinterDevice::drawPage(const TMetafile& page)
{
    if (!m_painter)
        throw std::logic_error("CupsPrinterDevice: drawPage without beginDoc");
    // The page is recorded in its own dots; the painter's unit is a device pixel.
    const double deviceDpi = m_printer->resolution();
    m_painter->save();
    if (page.dpiX() > 0 && page.dpiY() > 0)
        m_painter->scale(deviceDpi / page.dpiX(), deviceDpi / page.dpiY());
    page.play(*m_painter);
    m_painter->restore();
}

void CupsPrinterDevice::endDoc()
{
    if (!m_painter)
        throw std::logic_error("CupsPrinterDevice: endDoc without beginDoc");
    const bool ended = m_painter->end();
    m_painter.reset();
    std::unique_ptr<QTemporaryFile> file = std::move(m_file);
    if (!ended)
        throw PrinterError("Impossibile completare il documento per la stampante " +
                           inQuotes(m_name));
    submit(*file);
}

void CupsPrinterDevice::submit(QTemporaryFile& file)
{
    const CupsSpooler::JobOptions options = {
        {"copies", std::to_string(m_copies)},
        {"multiple-document-handling", m_collation == Collation::Collated
                                           ? "separate-documents-collated-copies"
                                           : "separate-documents-uncollated-copies"},
        {"media", "iso_a4_210x297mm"},
    };
    std::unique_ptr<IRawDocument> job =
        CupsSpooler().startDocument(m_name, m_title, "application/pdf", options);
    if (!job)
        throw PrinterError("La stampante " + inQuotes(m_name) +
                           " non esiste, non accetta stampe o il server di stampa non risponde");

    // Qt wrote the PDF through its own handle: read it from the start.
    file.close();
    if (!file.open()) {
        job->abort();
        throw PrinterError("Impossibile leggere il file temporaneo di stampa");
    }
    char buffer[65536];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0) {
            job->abort();
            throw PrinterError("Impossibile leggere il file temporaneo di stampa");
        }
        if (n == 0)
            break;
        if (!job->write(std::string_view(buffer, static_cast<std::size_t>(n))))
            throw PrinterError("Invio della stampa interrotto sulla stampante " + inQuotes(m_name));
    }
    if (!job->finish())
        throw PrinterError("La stampante " + inQuotes(m_name) + " non ha accettato la stampa");
}

void CupsPrinterDevice::abortDoc()
{
    // Also called from clean-up paths where no document is open.
    if (!m_painter)
        return;
    m_printer->abort();
    m_painter->end();
    m_painter.reset();
    m_file.reset();
}

} // namespace spoolar
