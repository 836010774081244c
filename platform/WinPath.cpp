#include "platform/WinPath.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace spoolar {

namespace {

// Orders names as a DOS listing would (without regard to case); equal names under that rule
// fall back to byte order so the result never depends on the order of the directory.
bool lessNoCase(const std::string& a, const std::string& b)
{
    const auto cmp =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [](char x, char y) { return lowerAscii(x) < lowerAscii(y); });
    if (cmp || !equalsNoCase(a, b))
        return cmp;
    return a < b;
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The user's home folder: $HOME, else the password database, else a per-user folder in the
// temporary directory so that nothing ends up relative to whatever the current folder is.
fs::path homeFolder()
{
    if (const std::string home = environment("HOME"); !home.empty())
        return home;
    std::string buffer(16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    std::error_code ec;
    fs::path tmp = fs::temp_directory_path(ec);
    if (ec)
        tmp = "/tmp";
    return tmp / ("spoolar-" + std::to_string(getuid()));
}

// An absolute folder path without a trailing separator, so that parent_path() and lexical
// comparisons see the folder itself.
fs::path withoutTrailingSeparator(fs::path p)
{
    if (p.is_relative() && !p.empty()) {
        std::error_code ec;
        if (fs::path abs = fs::absolute(p, ec); !ec)
            p = std::move(abs);
    }
    p = p.lexically_normal();
    if (!p.has_filename() && p.has_relative_path())
        p = p.parent_path();
    return p;
}

// The entry of `folder` that matches `name` without regard to case: the exact name when it
// exists, else the first case-insensitive match in name order.
std::optional<std::string> findEntryNoCase(const fs::path& folder, const std::string& name)
{
    std::error_code ec;
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    if (fs::exists(fs::symlink_status(dir / name, ec)))
        return name;
    std::optional<std::string> best;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return std::nullopt;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::string candidate = it->path().filename().string();
        if (equalsNoCase(candidate, name) && (!best || candidate < *best))
            best = std::move(candidate);
    }
    return best;
}

// Splits the part of a Windows path after the drive letter into clean components: both
// separators, "." dropped, ".." clamped at the root, and the trailing dots and blanks that
// Windows ignores in a name removed ("SPO12." is "SPO12").
std::vector<std::string> windowsComponents(std::string_view rest)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find_first_of("\\/", start);
        if (end == std::string_view::npos)
            end = rest.size();
        std::string_view item = rest.substr(start, end - start);
        start = end + 1;
        if (item == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        while (!item.empty() && (item.back() == '.' || item.back() == ' '))
            item.remove_suffix(1);
        if (!item.empty())
            parts.emplace_back(item);
    }
    return parts;
}

bool isDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

PathMapper::PathMapper(fs::path driveC, fs::path programHome)
    : m_driveC(withoutTrailingSeparator(std::move(driveC))),
      m_programHome(withoutTrailingSeparator(std::move(programHome)))
{
}

PathMapper PathMapper::fromEnvironment()
{
    fs::path driveC = environment("SPOOLAR_DRIVE_C");
    if (driveC.empty())
        driveC = homeFolder() / ".local/share/spoolar/drive_c";

    fs::path home = environment("SPOOLAR_HOME");
    if (home.empty()) {
        std::error_code ec;
        const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (!ec && exe.has_parent_path() && access(exe.parent_path().c_str(), W_OK) == 0)
            home = exe.parent_path();
    }
    if (home.empty()) {
        home = homeFolder() / ".config/spoolar";
        // The settings are written here later; the folder has to exist for that.
        std::error_code ec;
        fs::create_directories(home, ec);
    }
    return PathMapper(std::move(driveC), std::move(home));
}

fs::path PathMapper::toHost(std::string_view windowsPath) const
{
    // A Windows API would stop reading at a NUL; so does the mapping.
    if (const auto nul = windowsPath.find('\0'); nul != std::string_view::npos)
        windowsPath = windowsPath.substr(0, nul);
    if (windowsPath.size() < 2 || windowsPath[1] != ':' || !isDriveLetter(windowsPath[0]))
        return fs::path(windowsPath);

    // Only C: is named by the configuration. Any other drive letter X: is the folder
    // "drive_x" beside the C: folder, so that a job naming D:\ still lands somewhere known
    // instead of in a path relative to the current folder.
    const char letter = lowerAscii(windowsPath[0]);
    fs::path result =
        letter == 'c' ? m_driveC : m_driveC.parent_path() / (std::string("drive_") + letter);

    // Components are resolved one by one: an existing entry gives its real name, the first
    // missing one (and everything below it) keeps the case written.
    bool resolving = true;
    for (const std::string& part : windowsComponents(windowsPath.substr(2))) {
        if (resolving) {
            if (auto found = findEntryNoCase(result, part)) {
                result /= *found;
                continue;
            }
            resolving = false;
        }
        result /= part;
    }
    return result;
}

std::optional<std::string> PathMapper::toWindows(const fs::path& hostPath) const
{
    // The drive folders are the C: folder and its "drive_x" siblings (see toHost).
    const auto driveOf = [this](const fs::path& p) -> std::optional<std::pair<char, fs::path>> {
        const fs::path normal = withoutTrailingSeparator(p);
        const auto tryDrive =
            [&](char letter, const fs::path& root) -> std::optional<std::pair<char, fs::path>> {
            const fs::path rel = normal.lexically_relative(root);
            if (rel.empty() || *rel.begin() == "..")
                return std::nullopt;
            return std::make_pair(letter, rel);
        };
        if (auto c = tryDrive('C', m_driveC))
            return c;
        const fs::path parent = m_driveC.parent_path();
        const fs::path rel = normal.lexically_relative(parent);
        if (rel.empty() || *rel.begin() == "..")
            return std::nullopt;
        const std::string first = rel.begin()->string();
        if (first.size() == 7 && first.starts_with("drive_") && isDriveLetter(first[6]) &&
            lowerAscii(first[6]) == first[6] && first[6] != 'c')
            return tryDrive(static_cast<char>(first[6] - 'a' + 'A'), parent / first);
        return std::nullopt;
    };

    std::error_code ec;
    const fs::path absolute = fs::absolute(hostPath, ec);
    if (ec)
        return std::nullopt;
    auto drive = driveOf(absolute);
    if (!drive) {
        // The same folder reached through a symbolic link: compare the real paths.
        std::error_code realError;
        std::error_code realCError;
        const fs::path real = fs::weakly_canonical(absolute, realError);
        const fs::path realC = fs::weakly_canonical(m_driveC, realCError);
        if (realError || realCError)
            return std::nullopt;
        if (real == absolute && realC == m_driveC)
            return std::nullopt;
        return PathMapper(realC, m_programHome).toWindows(real);
    }

    std::string result{drive->first, ':', '\\'};
    bool first = true;
    for (const fs::path& part : drive->second) {
        if (part == ".")
            continue;
        if (!first)
            result += '\\';
        result += part.string();
        first = false;
    }
    return result;
}

std::vector<fs::path> PathMapper::list(std::string_view windowsDir, std::string_view pattern) const
{
    const fs::path dir = toHost(windowsDir);
    std::vector<std::pair<std::string, fs::path>> found;
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return {};
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError)
            continue;
        if (matchesWildcard(name, pattern))
            found.emplace_back(std::move(name), it->path());
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return lessNoCase(a.first, b.first); });
    std::vector<fs::path> result;
    result.reserve(found.size());
    for (auto& entry : found)
        result.push_back(std::move(entry.second));
    return result;
}

namespace {

bool matchesPlain(std::string_view name, std::string_view pattern)
{
    // Iterative match with one back-tracking point (the last '*'): linear memory, no
    // recursion, quadratic time at worst.
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool matchesWildcard(std::string_view name, std::string_view pattern)
{
    if (matchesPlain(name, pattern))
        return true;
    // As in DOS, "NAME.*" also takes "NAME" without an extension, and "*.*" takes everything.
    if (pattern.ends_with(".*") && name.find('.') == std::string_view::npos)
        return matchesPlain(name, pattern.substr(0, pattern.size() - 2));
    return false;
}

fs::path resolveCaseInsensitive(const fs::path& hostPath)
{
    fs::path result = hostPath.root_path();
    bool resolving = true;
    for (const fs::path& part : hostPath.relative_path()) {
        const std::string name = part.string();
        if (resolving && !name.empty() && name != "." && name != "..") {
            if (auto found = findEntryNoCase(result, name)) {
                result /= *found;
                continue;
            }
            resolving = false;
        }
        result /= part;
    }
    return result;
}

std::optional<fs::path> findOnSearchPath(std::string_view fileName)
{
    if (const auto nul = fileName.find('\0'); nul != std::string_view::npos)
        fileName = fileName.substr(0, nul);
    if (fileName.empty())
        return std::nullopt;

    const auto isFile = [](const fs::path& p) {
        std::error_code ec;
        return fs::exists(p, ec) && !fs::is_directory(p, ec);
    };

    std::error_code ec;
    const fs::path current = fs::current_path(ec);

    // A name with a folder part is looked up as given, not along PATH.
    if (fileName.find('/') != std::string_view::npos) {
        fs::path p = resolveCaseInsensitive(fs::path(fileName));
        if (p.is_relative() && !current.empty())
            p = current / p;
        return isFile(p) ? std::optional<fs::path>(p) : std::nullopt;
    }

    std::vector<fs::path> folders;
    if (!current.empty())
        folders.push_back(current);
    const std::string path = environment("PATH");
    std::size_t start = 0;
    while (!path.empty() && start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        // An empty entry means the current folder, which was searched first already.
        if (end > start)
            folders.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }

    const std::string name(fileName);
    for (const fs::path& folder : folders) {
        if (auto found = findEntryNoCase(folder, name)) {
            fs::path candidate = folder / *found;
            if (candidate.is_relative() && !current.empty())
                candidate = current / candidate;
            if (isFile(candidate))
                return candidate;
        }
    }
    return std::nullopt;
}

} // namespace spoolar
