#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace spoolar {

class PathMapper;

// Where a letterhead name led: the folder read from Qvor.ini, the first candidate built from
// it, and the final file (Windows path and host path).
struct LetterheadResolution
{
    std::string currentDir;
    std::string firstCandidate;
    std::string windowsPath;
    std::filesystem::path hostPath;
    bool found = false;
};

// Resolves a letterhead name (Windows-1252, as the job carries it): "<CurrentDir of
// Qvor.ini>\<name>.hdr" when that file exists, else "C:\SPOOL\<name>.hdr". A name that could leave
// those folders or is no valid file name (path separators, drive colons, wildcards, control
// characters) finds nothing. Every resolution writes the trace HTest.txt anew in the working
// folder.
LetterheadResolution resolveLetterhead(const PathMapper& paths, std::string_view name,
                                       const std::filesystem::path& workingFolder);

// The host file of a Windows path (Windows-1252): a drive letter goes through the drive mapping, a
// path from the root of the drive ("\x") is on drive C:, a relative path is taken from the working
// folder.
std::filesystem::path hostPathOf(const PathMapper& paths, std::string_view ansiPath,
                                 const std::filesystem::path& workingFolder);

} // namespace spoolar
