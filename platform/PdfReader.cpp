#include "platform/PdfReader.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace spoolar {

namespace {

constexpr const char* kWindowsFolders[] = {
    "C:\\Program Files (x86)\\Foxit Software",
    "C:\\Program Files\\Foxit Software",
    "C:\\Programmi\\Foxit Software",
};

constexpr const char* kWindowsReaderName = "foxitpdfreader.exe";

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string upperAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Searches one folder as the reader search on Windows does: every entry not starting with a
// dot, sub-folders whose name contains "foxit" recursively, and the first file named
// "foxitpdfreader.exe" (any case) is the reader. Entries are taken in the order a Windows
// listing gives them (names compared upper-cased) so that the result never depends on the
// order of the host's directory. `visited` holds the real paths of the folders searched, so a
// symbolic link back to a parent cannot make the search run forever.
std::optional<fs::path> searchFoxitFolder(const fs::path& folder, std::set<fs::path>& visited)
{
    std::error_code ec;
    const fs::path real = fs::canonical(folder, ec);
    if (ec || !visited.insert(real).second)
        return std::nullopt;

    std::vector<std::pair<std::string, fs::directory_entry>> entries;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        const std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        entries.emplace_back(name, *it);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const std::string ua = upperAscii(a.first);
        const std::string ub = upperAscii(b.first);
        return ua != ub ? ua < ub : a.first < b.first;
    });

    for (const auto& [name, entry] : entries) {
        const std::string lower = lowerAscii(name);
        std::error_code typeError;
        if (entry.is_directory(typeError)) {
            if (lower.find("foxit") != std::string::npos)
                if (auto found = searchFoxitFolder(folder / name, visited))
                    return found;
            continue;
        }
        if (lower == kWindowsReaderName && entry.is_regular_file(typeError))
            return folder / name;
    }
    return std::nullopt;
}

bool isExecutableFile(const fs::path& p)
{
    std::error_code ec;
    return fs::is_regular_file(p, ec) && access(p.c_str(), X_OK) == 0;
}

std::optional<fs::path> firstExecutable(const std::vector<fs::path>& folders,
                                        std::initializer_list<const char*> names)
{
    for (const fs::path& folder : folders)
        for (const char* name : names)
            if (isExecutableFile(folder / name))
                return folder / name;
    return std::nullopt;
}

} // namespace

LinuxReaderPlaces LinuxReaderPlaces::fromEnvironment()
{
    LinuxReaderPlaces places;
    places.installFolders.emplace_back("/opt/foxitsoftware/foxitreader");
    if (const char* home = std::getenv("HOME"); home && *home)
        places.installFolders.push_back(fs::path(home) / "opt/foxitsoftware/foxitreader");
    places.installFolders.emplace_back("/usr/lib/foxitreader");

    // Empty and relative entries of PATH are left out: the reader is never taken from
    // whatever the current folder happens to be.
    const char* path = std::getenv("PATH");
    const std::string list = path ? path : "";
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const fs::path folder = list.substr(start, end - start);
        if (folder.is_absolute())
            places.searchPath.push_back(folder);
        start = end + 1;
    }
    return places;
}

std::optional<fs::path> findPdfReader(const PathMapper& mapper, const LinuxReaderPlaces& places)
{
    std::set<fs::path> visited;
    for (const char* windowsFolder : kWindowsFolders) {
        const fs::path folder = mapper.toHost(windowsFolder);
        std::error_code ec;
        if (!fs::is_directory(folder, ec))
            continue;
        if (auto found = searchFoxitFolder(folder, visited))
            return found;
    }
    if (auto found = firstExecutable(places.installFolders, {"FoxitReader.sh", "FoxitReader"}))
        return found;
    return firstExecutable(places.searchPath, {"FoxitReader", "foxitreader"});
}

std::optional<fs::path> findPdfReader(const PathMapper& mapper)
{
    return findPdfReader(mapper, LinuxReaderPlaces::fromEnvironment());
}

ReaderKind readerKind(const fs::path& reader)
{
    return lowerAscii(reader.extension().string()) == ".exe" ? ReaderKind::Windows
                                                             : ReaderKind::Linux;
}

} // namespace spoolar
