#include "platform/SingleInstance.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <optional>
#include <system_error>
#include <unistd.h>

namespace spoolar {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kOneShotOptions[] = {"--send", "--convert", "--printer-list",
                                                "--help", "-h"};

// Length at which the kernel cuts the name in /proc/PID/comm.
constexpr std::size_t kCommLength = 15;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string baseName(std::string_view path)
{
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::string> readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string content;
    char chunk[512];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        content.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (content.size() > 64 * 1024)
            break;
    }
    return content;
}

// Target of the exe link, without the " (deleted)" the kernel appends when the file was
// replaced or removed while the process runs (an update does that).
std::optional<std::string> exeTarget(const fs::path& link)
{
    std::error_code ec;
    std::string target = fs::read_symlink(link, ec).string();
    if (ec || target.empty())
        return std::nullopt;
    constexpr std::string_view deleted = " (deleted)";
    if (target.size() > deleted.size() && target.ends_with(deleted))
        target.resize(target.size() - deleted.size());
    return target;
}

// State letter of /proc/PID/stat: "PID (COMM) S ..."; COMM may hold spaces and parentheses,
// so the state follows the last ')'.
std::optional<char> processState(const fs::path& processDir)
{
    const auto stat = readFile(processDir / "stat");
    if (!stat)
        return std::nullopt;
    const auto close = stat->rfind(')');
    if (close == std::string::npos || close + 2 >= stat->size())
        return std::nullopt;
    return (*stat)[close + 2];
}

enum class NameMatch
{
    No,
    Yes
};

// Compares a process's executable name with ours. The exe link is the truth; it cannot be read
// for other users' processes without privileges, so then argv[0] of the command line is used,
// and the kernel's short name (cut at 15 characters) as the last resort.
NameMatch executableNameMatches(const fs::path& processDir, std::string_view ownName)
{
    if (const auto target = exeTarget(processDir / "exe"))
        return equalsIgnoringCase(baseName(*target), ownName) ? NameMatch::Yes : NameMatch::No;
    if (const auto cmdline = readFile(processDir / "cmdline"); cmdline && !cmdline->empty()) {
        const std::string argv0 = cmdline->substr(0, cmdline->find('\0'));
        if (!argv0.empty())
            return equalsIgnoringCase(baseName(argv0), ownName) ? NameMatch::Yes : NameMatch::No;
    }
    if (auto comm = readFile(processDir / "comm")) {
        if (!comm->empty() && comm->back() == '\n')
            comm->pop_back();
        const std::string_view wanted = ownName.size() > kCommLength && comm->size() == kCommLength
                                            ? ownName.substr(0, kCommLength)
                                            : ownName;
        return equalsIgnoringCase(*comm, wanted) ? NameMatch::Yes : NameMatch::No;
    }
    return NameMatch::No;
}

std::optional<pid_t> pidOf(const std::string& name)
{
    pid_t pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc() || end != name.data() + name.size() || pid <= 0)
        return std::nullopt;
    return pid;
}

// A command that does one thing and ends (spoolar --send, --convert, ...) is no instance of the
// program: only the tray program and the headless spooler are. Told by the first argument.
bool runsOneShotCommand(const fs::path& processDir)
{
    const auto cmdline = readFile(processDir / "cmdline");
    if (!cmdline)
        return false;
    const std::size_t end0 = cmdline->find('\0');
    if (end0 == std::string::npos || end0 + 1 >= cmdline->size())
        return false;
    const std::string first = cmdline->substr(end0 + 1, cmdline->find('\0', end0 + 1) - end0 - 1);
    for (std::string_view oneShot : kOneShotOptions) {
        if (first == oneShot)
            return true;
    }
    return false;
}

} // namespace

bool anotherInstanceRunning(const fs::path& procRoot, pid_t ownPid, std::string_view ownName)
{
    if (ownName.empty())
        return false;
    std::error_code ec;
    fs::directory_iterator it(procRoot, ec);
    if (ec)
        return false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return false;
        const auto pid = pidOf(it->path().filename().string());
        if (!pid || *pid == ownPid)
            continue;
        // A process can end while it is looked at; whatever cannot be read is not counted.
        const auto state = processState(it->path());
        if (!state || *state == 'Z' || *state == 'X' || *state == 'x')
            continue;
        if (executableNameMatches(it->path(), ownName) == NameMatch::Yes &&
            !runsOneShotCommand(it->path()))
            return true;
    }
    return false;
}

std::string ownExecutableName()
{
    const auto target = exeTarget("/proc/self/exe");
    return target ? baseName(*target) : std::string();
}

bool anotherInstanceRunning()
{
    return anotherInstanceRunning("/proc", ::getpid(), ownExecutableName());
}

} // namespace spoolar
