#pragma once
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace spoolar {

// Whether another process of the same executable runs on this machine: a process other than
// this one whose executable file name, without folder and without regard to case, equals ours.
// Processes of every user count. A process that has exited but not yet been reaped (a zombie)
// does not, nor does one that runs a one-shot command of the program (spoolar --send,
// --convert, --printer-list, --help). When the process table cannot be read the answer is
// false, so start-up goes on.
bool anotherInstanceRunning();

// The same over a process table laid out as /proc under `procRoot`, for a process `ownPid`
// whose executable is named `ownName`.
bool anotherInstanceRunning(const std::filesystem::path& procRoot, pid_t ownPid,
                            std::string_view ownName);

// File name of the running executable ("spoolar"), empty when it cannot be read.
std::string ownExecutableName();

} // namespace spoolar
