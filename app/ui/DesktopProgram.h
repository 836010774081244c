#pragma once
#include <string>
#include <vector>

namespace spoolar {

// spoolar with a desktop: the tray program. Starts like the headless spooler (single instance,
// settings, folders, PDF reader, printer table, remote spool, stale Pdf.ok removed), creates
// its windows once, shows the tray icon (the main window stays hidden) and polls the spool
// folder until the user ends it, message 32769, the error box's Abort, or a restart. Needs a
// QApplication. Returns the exit code.
int runDesktop(const std::vector<std::string>& args);

} // namespace spoolar
