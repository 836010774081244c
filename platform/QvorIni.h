#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

namespace spoolar {

class PathMapper;

// Name and level of the Windows version the program runs on; it decides where Qvor.ini is.
struct WIN_VERSION
{
    std::string name;
    std::int32_t level = 0;
};

// The first row of the version table that the given version reaches (major.minor and service
// pack each at least the row's): "Windows 10" 12, "Windows 8.1" 11, ... "Windows XP" 1, else
// "Unknow" 0.
WIN_VERSION winVersionOf(int major, int minor, int servicePack);

// The version the producing programs see. On this host they run in a Windows environment
// (Wine, or DOSBox beside a current Windows setup), never in one older than Windows 10, so
// the version is that of Windows 10: "Windows 10", level 12.
WIN_VERSION currentWinVersion();

// Where the shared configuration file Qvor.ini is, on the host.
//
// From Windows Vista on (level 5 and up) the copy that file virtualisation keeps,
// %LOCALAPPDATA%\VirtualStore\Windows\Qvor.ini, is used when it exists; otherwise, and always
// before Vista, %WINDIR%\Qvor.ini. Each variable is used as follows:
//  - a value with a drive letter is a Windows path and goes through the drive mapping;
//  - any other value is a host folder and is used as it is;
//  - unset, empty or longer than 2047 bytes (more than the buffer the value is read into):
//    WINDIR is C:\WINDOWS and LOCALAPPDATA is C:\Users\<user>\AppData\Local, the folders
//    Windows and Wine use, both on the mapped drive C:.
// Every existing part of the path is found without regard to case.
std::filesystem::path qvorIniPath(const PathMapper& paths,
                                  const WIN_VERSION& version = currentWinVersion());

// CODEBASE/CurrentDir of Qvor.ini as written there (a Windows path as a rule; the caller maps
// it). Empty when the file or the key is missing.
std::string qvorCurrentDir(const PathMapper& paths);

} // namespace spoolar
