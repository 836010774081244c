#include "platform/CupsPrinterDevice.h"

#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/Spooler.h"

#include <QDir>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace spoolar {
namespace {

std::string inQuotes(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace

CupsPrinterDevice::CupsPrinterDevice(std::string name, std::optional<int> resolution,
                                     Collation collation, const QMarginsF& a4Margins)
    : m_name(std::move(name)), m_resolution(resolution), m_collation(collation),
      m_a4Margins(a4Margins)
{
    setOrientation(Orientation::Portrait);
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
        return DeviceMode{600, 0};
    return DeviceMode{*m_resolution, *m_resolution};
}

void CupsPrinterDevice::setOrientation(Orientation orientation)
{
    m_orientation = orientation;
    // The unprintable borders belong to the sheet: on a landscape page they are the portrait
    // ones turned a quarter counter-clockwise, as drivers turn landscape pages.
    QMarginsF margins = m_a4Margins;
    if (orientation == Orientation::Landscape)
        margins = QMarginsF(margins.bottom(), margins.left(), margins.top(), margins.right());
    m_layout = QPageLayout(QPageSize(QPageSize::A4),
                           orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                 : QPageLayout::Portrait,
                           margins, QPageLayout::Millimeter);
    m_layout.setMode(QPageLayout::StandardMode);
    if (m_writer)
        m_writer->setPageLayout(m_layout);
}

void CupsPrinterDevice::setCopies(int copies)
{
    m_copies = std::max(1, copies);
}

int CupsPrinterDevice::pageWidth() const
{
    return m_layout.paintRectPixels(resolution()).width();
}

int CupsPrinterDevice::pageHeight() const
{
    return m_layout.paintRectPixels(resolution()).height();
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
    auto writer = std::make_unique<QPdfWriter>(file.get());
    writer->setResolution(resolution());
    writer->setPageLayout(m_layout);
    writer->setTitle(ansiToQString(m_title));
    writer->setCreator(QStringLiteral("Spoolar"));
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(writer.get()))
        throw PrinterError("Impossibile iniziare la stampa sulla stampante " + inQuotes(m_name));
    m_file = std::move(file);
    m_writer = std::move(writer);
    m_painter = std::move(painter);
}

void CupsPrinterDevice::newPage()
{
    if (!m_painter)
        throw std::logic_error("CupsPrinterDevice: newPage without beginDoc");
    if (!m_writer->newPage())
        throw PrinterError("Impossibile aggiungere una pagina sulla stampante " + inQuotes(m_name));
}

void CupsPrinterDevice::drawPage(const TMetafile& page)
{
    if (!m_painter)
        throw std::logic_error("CupsPrinterDevice: drawPage without beginDoc");
    // The page is recorded in its own dots; the painter's unit is a device pixel.
    const double deviceDpi = resolution();
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
    m_writer.reset();
    const std::unique_ptr<QTemporaryFile> file = std::move(m_file);
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

    if (!file.seek(0)) {
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
    m_painter->end();
    m_painter.reset();
    m_writer.reset();
    m_file.reset();
}

} // namespace spoolar
