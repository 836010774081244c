#pragma once
#include "app/PrinterTable.h"

#include <string>
#include <vector>

namespace spoolar {

struct EngineHost;
class PathMapper;

// Builds the printer table from the spooler, saves it as the grid cache and writes
// C:\SPOOL\PRINTERS.LST with the given font. A list file that cannot be written is reported
// through the prompts; the table is returned all the same.
PrinterTable::Build rebuildPrinterTable(const EngineHost& host, const std::string& fontName);

// The printer table at start-up: the grid cache when there is one, else built as above.
std::vector<PrinterRow> printerTableAtStart(const EngineHost& host, const std::string& fontName);

// The grid cache beside the program: spoolar.grd.
std::filesystem::path printerCachePath(const PathMapper& paths);

} // namespace spoolar
