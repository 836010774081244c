#include "platform/Spooler.h"

#include "platform/AsciiCase.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace spoolar {
PrinterObject::PrinterObject(ISpooler& spooler) : m_spooler(spooler) {}

const std::vector<std::string>& PrinterObject::refresh()
{
    m_printers = m_spooler.printerNames();
    return m_printers;
}

void PrinterObject::setPrinterIndex(int index)
{
    std::string name;
    if (index == -1) {
        std::optional<std::string> def = m_spooler.defaultPrinter();
        if (!def)
            throw PrinterError("Nessuna stampante predefinita!");
        name = *def;
    } else {
        if (index < 0 || static_cast<std::size_t>(index) >= m_printers.size())
            throw PrinterError("Indice della stampante non valido: " + std::to_string(index));
        name = m_printers[static_cast<std::size_t>(index)];
    }

    std::unique_ptr<IPrinterDevice> device = m_spooler.openDevice(name);
    if (!device)
        throw PrinterError("Impossibile aprire la stampante \"" + name + "\"");

    // The previous selection stays intact until the new printer is open.
    m_device = std::move(device);
    m_currentName = std::move(name);
    m_index = index;
}

void PrinterObject::selectByName(std::string_view name)
{
    if (m_printers.empty())
        refresh();
    if (m_printers.empty())
        throw PrinterError("Nessuna stampante definita!");

    int index = -1;
    for (std::size_t i = 0; i < m_printers.size(); ++i) {
        if (equalsNoCase(m_printers[i], name)) {
            index = static_cast<int>(i);
            break;
        }
    }
    setPrinterIndex(index);
}

void PrinterObject::selectForJob(std::string_view name)
{
    selectByName(name);
    if (!m_spooler.readyForJobs(m_currentName))
        throw PrinterError("La stampante " + m_currentName + " non accetta lavori.");
}

std::string PrinterObject::currentName() const
{
    return m_device ? m_currentName : std::string();
}

IPrinterDevice& PrinterObject::device()
{
    if (!m_device) {
        // Nothing chosen yet: the default printer, as the Windows printer object does.
        if (m_printers.empty())
            refresh();
        if (m_printers.empty())
            throw PrinterError("Nessuna stampante definita!");
        setPrinterIndex(-1);
    }
    return *m_device;
}

} // namespace spoolar
