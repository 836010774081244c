#include "platform/QvorIni.h"

#include "platform/IniFile.h"
#include "platform/WinPath.h"

#include <array>
#include <cstdlib>
#include <pwd.h>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace spoolar {

namespace {

struct VersionRow
{
    int major;
    int minor;
    int servicePack;
    const char* name;
    std::int32_t level;
};

// Tested from the top; the first row the version reaches decides.
constexpr std::array<VersionRow, 12> kVersions{{
    {10, 0, 0, "Windows 10", 12},
    {6, 3, 0, "Windows 8.1", 11},
    {6, 2, 0, "Windows 8", 10},
    {6, 1, 1, "Windows 7 SP1", 9},
    {6, 1, 0, "Windows 7", 8},
    {6, 0, 2, "Windows Vista SP2", 7},
    {6, 0, 1, "Windows Vista SP1", 6},
    {6, 0, 0, "Windows Vista", 5},
    {5, 1, 3, "Windows XP SP3", 4},
    {5, 1, 2, "Windows XP SP2", 3},
    {5, 1, 1, "Windows XP SP1", 2},
    {5, 1, 0, "Windows XP", 1},
}};

constexpr std::int32_t kVistaLevel = 5;

// The environment variables are read into buffers of 2048 bytes; a longer value does not fit
// and counts as not set.
constexpr std::size_t kEnvironmentBuffer = 2048;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value)
        return {};
    std::string text(value);
    return text.size() < kEnvironmentBuffer ? text : std::string();
}

bool hasDriveLetter(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// The login name, which is also the name Wine gives the user's profile folder.
std::string userName()
{
    if (std::string user = environment("USER"); !user.empty())
        return user;
    std::string buffer(16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return found->pw_name;
    return "user";
}

// The folder a variable names, joined with a Windows-style relative path, on the host.
fs::path underFolder(const PathMapper& paths, const std::string& folder, std::string_view rest)
{
    if (hasDriveLetter(folder))
        return paths.toHost(folder + "\\" + std::string(rest));
    fs::path host(folder);
    std::string_view remaining = rest;
    while (!remaining.empty()) {
        const std::size_t cut = remaining.find('\\');
        host /= std::string(remaining.substr(0, cut));
        remaining = cut == std::string_view::npos ? std::string_view() : remaining.substr(cut + 1);
    }
    return resolveCaseInsensitive(host);
}

} // namespace

WIN_VERSION winVersionOf(int major, int minor, int servicePack)
{
    // VerifyVersionInfo with major, minor and service pack all "greater or equal" compares
    // them in that order of rank: 10.0 SP0 passes the test for 6.1 SP1.
    for (const VersionRow& row : kVersions) {
        if (std::tie(major, minor, servicePack) >= std::tie(row.major, row.minor, row.servicePack))
            return {row.name, row.level};
    }
    return {"Unknow", 0};
}

WIN_VERSION currentWinVersion()
{
    return winVersionOf(10, 0, 0);
}

fs::path qvorIniPath(const PathMapper& paths, const WIN_VERSION& version)
{
    if (version.level >= kVistaLevel) {
        std::string localAppData = environment("LOCALAPPDATA");
        if (localAppData.empty())
            localAppData = "C:\\Users\\" + userName() + "\\AppData\\Local";
        const fs::path virtualStore =
            underFolder(paths, localAppData, "VirtualStore\\Windows\\Qvor.ini");
        std::error_code ec;
        if (fs::is_regular_file(virtualStore, ec))
            return virtualStore;
    }
    std::string windir = environment("WINDIR");
    if (windir.empty())
        windir = "C:\\WINDOWS";
    return underFolder(paths, windir, "Qvor.ini");
}

std::string qvorCurrentDir(const PathMapper& paths)
{
    return TIniFile(qvorIniPath(paths)).ReadString("CODEBASE", "CurrentDir", "");
}

} // namespace spoolar
