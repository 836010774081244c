#pragma once
#include <string>
#include <vector>

namespace spoolar {

// spoolar --headless [--control-codes FILE]: the spooler without windows, for servers and
// services. Starts like the tray program (single instance, settings, folders, PDF reader,
// printer table, remote spool, stale Pdf.ok removed), then polls the spool folder until window
// message 32769, SIGTERM or SIGINT (each waits for the job in progress). Dialogs are answered
// with their safe default and written to standard error, one line each. Needs a Qt Gui
// application object (the engine measures fonts through Qt). Returns the exit code.
int runHeadless(const std::vector<std::string>& args);

} // namespace spoolar
