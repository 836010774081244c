#pragma once
#include <string>
#include <string_view>

namespace spoolar {

class PrinterObject;

// Prepares the printer of a printer job: selects it by name (without regard to case; a name
// that is not installed selects the default printer), sets the driver's default collation when
// more than one copy is asked for and the driver can collate, and sets the copies.
// Throws PrinterError when no printer can take the job.
void preparePrinterForJob(PrinterObject& printers, std::string_view printerName, int copies,
                          bool collate);

// The message shown when a job's printer cannot be used.
std::string printerNotReachableMessage(std::string_view printerName);

} // namespace spoolar
