#include "engine/PagePrinting.h"

#include "platform/PrinterDevice.h"

namespace spoolar {

bool printPageList(IPrinterDevice& printer, const TPageList& pages)
{
    if (pages.empty())
        return false;
    printer.beginDoc();
    try {
        bool first = true;
        for (const auto& page : pages) {
            if (!first)
                printer.newPage();
            first = false;
            printer.drawPage(*page);
        }
        printer.endDoc();
    } catch (...) {
        printer.abortDoc();
        throw;
    }
    return true;
}

} // namespace spoolar
