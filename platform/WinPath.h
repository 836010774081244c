#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

// Maps the fixed Windows paths of the spool protocol ("C:\SPOOL\PDF\x.pdf") onto the host.
// Drive C: is a host folder; every existing component is found without regard to case,
// components that do not exist yet keep the case the caller wrote.
class PathMapper
{
public:
    PathMapper(std::filesystem::path driveC, std::filesystem::path programHome);

    // SPOOLAR_DRIVE_C (default ~/.local/share/spoolar/drive_c) and SPOOLAR_HOME (default: the
    // executable's folder when writable, else ~/.config/spoolar).
    static PathMapper fromEnvironment();

    const std::filesystem::path& driveC() const { return m_driveC; }
    const std::filesystem::path& programHome() const { return m_programHome; }

    // "C:\SPOOL\x" or "c:/spool/x" -> host path under driveC(). A path without drive letter is
    // taken as a host path and returned unchanged.
    std::filesystem::path toHost(std::string_view windowsPath) const;

    // The Windows form of a host path under driveC() ("C:\SPOOL\PDF\x.pdf"), if it is there.
    std::optional<std::string> toWindows(const std::filesystem::path& hostPath) const;

    // Regular, non-hidden files of a folder whose names match a DOS wildcard (? and *),
    // without regard to case, sorted by name.
    std::vector<std::filesystem::path> list(std::string_view windowsDir,
                                            std::string_view pattern) const;

private:
    std::filesystem::path m_driveC;
    std::filesystem::path m_programHome;
};

// DOS wildcard match without regard to case: '?' one character, '*' any run.
bool matchesWildcard(std::string_view name, std::string_view pattern);

// Resolves each component of a host path case-insensitively against what exists.
std::filesystem::path resolveCaseInsensitive(const std::filesystem::path& hostPath);

// Finds a file by name in the current folder, then in each folder of PATH (case-insensitive).
std::optional<std::filesystem::path> findOnSearchPath(std::string_view fileName);

} // namespace spoolar
