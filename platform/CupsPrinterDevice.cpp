#include "platform/CupsPrinterDevice.h"

#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/Spooler.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <cups/cups.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace spoolar {
namespace {

constexpr int fallbackResolution = 600;

std::string quoted(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace

std::unique_ptr<CupsPrinterDevice>
CupsPrinterDevice::open(const std::string& name, std::optional<int> resolution, Collation collation)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QString printerName = QString::fromStdString(name);
    printer->setPrinterName(printerName);
    // Qt keeps the previous printer (the default one) when it does not know the name: printing
    // would silently go elsewhere.
    if (printer->outputFormat() != QPrinter::NativeFormat || printer->printerName() != printerName)
        return nullptr;
    printer->setResolution(resolution.value_or(fallbackResolution));
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setFullPage(false);
    printer->setCopyCount(1);
    printer->setCollateCopies(collation == Collation::Collated);
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
    // Qt keeps the driver's margins as they are on the turned page (its minimum margins do not
    // turn with the sheet); CUPS fits the landscape page onto the sheet.
    m_printer->setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                        : QPageLayout::Portrait);
}

void CupsPrinterDevice::setCopies(int copies)
{
    m_copies = std::max(1, copies);
    m_printer->setCopyCount(m_copies);
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
        throw PrinterError("La stampante " + quoted(m_name) +
                           " non esiste, non accetta stampe o il server di stampa non risponde");
}

void CupsPrinterDevice::beginDoc()
{
    if (m_painter)
        throw std::logic_error("CupsPrinterDevice: beginDoc while a document is open");
    // Qt renders into a local file first and talks to CUPS only when the document ends: a
    // queue that is gone or a server that is down would be found out only then.
    checkQueue();
    m_printer->setDocName(ansiToQString(m_title));
    m_printer->setCopyCount(m_copies);
    m_printer->setCollateCopies(m_collation == Collation::Collated);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get()))
        throw PrinterError("Impossibile iniziare la stampa sulla stampante " + quoted(m_name));
    m_painter = std::move(painter);
}

void CupsPrinterDevice::newPage()
{
    if (!m_painter)
        throw std::logic_error("CupsPrinterDevice: newPage without beginDoc");
    if (!m_printer->newPage())
        throw PrinterError("Impossibile aggiungere una pagina sulla stampante " + quoted(m_name));
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
    try {
        checkQueue();
    } catch (const PrinterError&) {
        abortDoc();
        throw;
    }
    // The check above leaves libcups' last status at success; ending the painter submits the
    // job through libcups in this thread (cupsPrintFile), which sets it again. Qt itself does
    // not report whether CUPS took the job.
    const bool ended = m_painter->end();
    m_painter.reset();
    const ipp_status_t status = cupsLastError();
    if (!ended || status > IPP_STATUS_OK_CONFLICTING)
        throw PrinterError("La stampante " + quoted(m_name) +
                           " non ha accettato la stampa: " + cupsLastErrorString());
}

void CupsPrinterDevice::abortDoc()
{
    // Also called from clean-up paths where no document is open.
    if (!m_painter)
        return;
    m_printer->abort();
    m_painter->end();
    m_painter.reset();
}

} // namespace spoolar
