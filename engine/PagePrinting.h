#pragma once
#include "engine/PrnDos.h"

namespace spoolar {

class IPrinterDevice;

// Prints recorded pages as one printer document: the print-all action of the preview, also
// used for jobs whose pages were recorded only to put a fax cover in front of them.
// False when there is nothing to print. A failure aborts the document and throws, so a job is
// never reported printed while the printer has only part of it.
bool printPageList(IPrinterDevice& printer, const TPageList& pages);

} // namespace spoolar
