#include "app/PrinterTableBuilder.h"

#include "engine/EngineHost.h"
#include "engine/FontPercent.h"
#include "engine/PrnDos.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"

#include <system_error>

namespace spoolar {

std::filesystem::path printerCachePath(const PathMapper& paths)
{
    return paths.programHome() / "spoolar.grd";
}

PrinterTable::Build rebuildPrinterTable(const EngineHost& host, const std::string& fontName)
{
    PrinterTable::Build table;
    if (host.printers)
        table = PrinterTable::build(*host.printers, host.prompts);
    else
        table.rows.push_back(PrinterTable::pdfRow());
    std::error_code ec;
    std::filesystem::create_directories(host.paths.programHome(), ec);
    PrinterTable::saveCache(printerCachePath(host.paths), table.rows);
    try {
        FONTPERCENT percent;
        TPrnDos engine(host, false, fontName, &percent, 0, "", false, 0, nullptr);
        engine.WritePrinterList();
    } catch (const std::exception& e) {
        host.prompts.show(PromptKind::Error, PromptButtons::Ok,
                          std::string("Impossibile scrivere C:\\SPOOL\\PRINTERS.LST: ") + e.what());
    }
    return table;
}

std::vector<PrinterRow> printerTableAtStart(const EngineHost& host, const std::string& fontName)
{
    if (auto cached = PrinterTable::loadCache(printerCachePath(host.paths)))
        return *cached;
    return rebuildPrinterTable(host, fontName).rows;
}

} // namespace spoolar
