#pragma once
#include "platform/WinPath.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace spoolar {

// Where the Linux build of the Foxit reader may be installed, besides drive C.
struct LinuxReaderPlaces
{
    // Install folders, each searched for "FoxitReader.sh" (the installer's launcher, which sets
    // the reader's library path) and then "FoxitReader".
    std::vector<std::filesystem::path> installFolders;
    // Folders of PATH, each searched for "FoxitReader" and then "foxitreader".
    std::vector<std::filesystem::path> searchPath;

    // /opt/foxitsoftware/foxitreader (installed as root), ~/opt/foxitsoftware/foxitreader
    // (installed as a user), /usr/lib/foxitreader (distribution packages), and PATH.
    static LinuxReaderPlaces fromEnvironment();
};

// The PDF reader, looked for once at start-up: "foxitpdfreader.exe" in the Foxit folders of
// drive C ("C:\Program Files (x86)\Foxit Software", "C:\Program Files\Foxit Software",
// "C:\Programmi\Foxit Software", in this order), then the Linux reader in `places`.
std::optional<std::filesystem::path> findPdfReader(const PathMapper& mapper,
                                                   const LinuxReaderPlaces& places);
std::optional<std::filesystem::path> findPdfReader(const PathMapper& mapper);

// A reader found on drive C is a Windows program and runs through Wine; the Linux reader runs
// directly. Told apart by the ".exe" ending of the file name (any case).
enum class ReaderKind
{
    Windows,
    Linux
};
ReaderKind readerKind(const std::filesystem::path& reader);

} // namespace spoolar
