#pragma once
#include <chrono>
#include <string>
#include <vector>

namespace spoolar {

// Starts the program's own executable anew with the given arguments, detached, telling it the
// process id of this process (environment variable SPOOLAR_RESTART_OF), so that the new
// process waits for this one to end before its single-instance check. False when it could not
// be started.
bool startNewInstance(const std::vector<std::string>& args);

// The same with the rights to administer printers: through pkexec, which asks for the
// administrator's password; the display, the drive mapping and the program folder of this
// process go with it.
bool startElevatedInstance(const std::vector<std::string>& args);

// In a process started by startNewInstance: waits until the process that started it has
// ended (at most `limit`), then forgets about it. Returns at once in any other process.
void waitForPredecessor(std::chrono::milliseconds limit = std::chrono::seconds(15));

} // namespace spoolar
