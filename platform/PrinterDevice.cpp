#include "platform/PrinterDevice.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace spoolar {
namespace {

// A4 as printer drivers report it: 2480 x 3508 dots at 300 dpi (4960 x 7016 at 600 dpi),
// scaled to the resolution.
constexpr double a4ShortDotsAt300 = 2480.0;
constexpr double a4LongDotsAt300 = 3508.0;

int a4Dots(double dotsAt300, int dpi)
{
    return static_cast<int>(std::lround(dotsAt300 * dpi / 300.0));
}

} // namespace

VirtualPrinter::VirtualPrinter(std::string name, int dpi)
    : m_name(std::move(name)), m_dpi(dpi), m_mode(DeviceMode{dpi, dpi})
{
}

std::optional<DeviceMode> VirtualPrinter::defaultDeviceMode() const
{
    return m_mode;
}

int VirtualPrinter::pageWidth() const
{
    return a4Dots(m_orientation == Orientation::Portrait ? a4ShortDotsAt300 : a4LongDotsAt300,
                  m_dpi);
}

int VirtualPrinter::pageHeight() const
{
    return a4Dots(m_orientation == Orientation::Portrait ? a4LongDotsAt300 : a4ShortDotsAt300,
                  m_dpi);
}

void VirtualPrinter::beginDoc()
{
    if (m_inDoc)
        throw std::logic_error("VirtualPrinter: beginDoc while a document is open");
    Document doc;
    doc.title = m_title;
    doc.pages.emplace_back(pageWidth(), pageHeight(), m_dpi, m_dpi);
    m_documents.push_back(std::move(doc));
    m_inDoc = true;
}

void VirtualPrinter::newPage()
{
    if (!m_inDoc)
        throw std::logic_error("VirtualPrinter: newPage without beginDoc");
    m_documents.back().pages.emplace_back(pageWidth(), pageHeight(), m_dpi, m_dpi);
}

void VirtualPrinter::endDoc()
{
    if (!m_inDoc)
        throw std::logic_error("VirtualPrinter: endDoc without beginDoc");
    m_documents.back().finished = true;
    m_inDoc = false;
}

void VirtualPrinter::abortDoc()
{
    // Also called from clean-up paths after a failure, where no document may be open: then
    // there is nothing to abort.
    if (!m_inDoc)
        return;
    m_documents.back().aborted = true;
    m_inDoc = false;
}

void VirtualPrinter::drawPage(const TMetafile& page)
{
    if (!m_inDoc)
        throw std::logic_error("VirtualPrinter: drawPage without beginDoc");
    TMetafile& current = m_documents.back().pages.back();
    if (current.ops().empty()) {
        current = page;
        return;
    }
    for (const MetafileOp& op : page.ops())
        current.append(op);
}

} // namespace spoolar
