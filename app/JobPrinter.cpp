#include "app/JobPrinter.h"

#include "platform/Spooler.h"

namespace spoolar {

void preparePrinterForJob(PrinterObject& printers, std::string_view printerName, int copies,
                          bool collate)
{
    printers.refresh();
    printers.selectForJob(printerName);
    const std::string selected = printers.currentName();
    ISpooler& spooler = printers.spooler();
    if (copies > 1 && spooler.supportsCollate(selected) &&
        !spooler.setDefaultCollate(selected, collate))
        throw PrinterError("La stampante " + selected + " non accetta la fascicolazione.");
    printers.device().setCopies(copies);
}

std::string printerNotReachableMessage(std::string_view printerName)
{
    return "La stampante " + std::string(printerName) +
           " non risulta installata\no non e' raggiungibile!";
}

} // namespace spoolar
