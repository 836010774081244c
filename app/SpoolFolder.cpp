#include "app/SpoolFolder.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/WinPath.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace spoolar {

namespace {

constexpr std::string_view kSpoolDir = "C:\\SPOOL";
constexpr std::string_view kErrorDir = "C:\\SPOOL\\ERR";
constexpr std::string_view kPdfReadyFile = "C:\\SPOOL\\Pdf.ok";
constexpr std::string_view kRequestDir = "C:\\SPOOL\\TMP";
constexpr std::string_view kRequestPattern = "*.coda";
constexpr std::string_view kFaxHandOff = "C:\\KERVANIS\\TMPFILES\\SEND2FAX.DEL";
constexpr std::string_view kSplokPattern = "SPLOK??.???";
constexpr std::string_view kSpoPattern = "SPO*.TMP";
constexpr std::chrono::hours kFutureLimit{24};
constexpr int kMaxErrorSuffix = 9999;

// A file descriptor closed on every way out.
class UniqueFd
{
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd;
};

struct DirCloser
{
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

std::string upperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return result;
}

// The companion names of an upper-case settings file name.
struct DerivedNames
{
    SpoolScheme scheme;
    std::string settings;
    std::string data;
    std::string cover;
};

std::optional<DerivedNames> deriveNames(std::string_view settingsFileName)
{
    const std::string upper = upperAscii(settingsFileName);
    if (matchesWildcard(upper, kSplokPattern)) {
        // The name begins with SPLOK (the folder "C:\SPOOL\" cannot hold it), so replacing its
        // first occurrence in the full path replaces the prefix of the name.
        return DerivedNames{SpoolScheme::Splok, upper, "SPOOL" + upper.substr(5),
                            "SPLFC" + upper.substr(5)};
    }
    if (matchesWildcard(upper, kSpoPattern)) {
        DerivedNames names{SpoolScheme::Spo, upper, upper, upper};
        names.data[2] = 'L';
        names.cover[2] = 'C';
        return names;
    }
    return std::nullopt;
}

std::string inSpoolFolder(const std::string& name)
{
    return std::string(kSpoolDir) + "\\" + name;
}

bool isRegularFile(const fs::path& file)
{
    std::error_code ec;
    return fs::is_regular_file(file, ec);
}

// A job file as an entry of its own: a file or a symbolic link (the link is what goes).
// A folder that happens to carry a job file's name is never one.
bool isJobFileEntry(const fs::path& file)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(file, ec);
    return !ec && (fs::is_regular_file(status) || fs::is_symlink(status));
}

bool removeJobFile(const fs::path& file)
{
    if (file.empty())
        return true;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(file, ec);
    if (ec || !fs::exists(status))
        return true;
    if (!fs::is_regular_file(status) && !fs::is_symlink(status))
        return false;
    fs::remove(file, ec);
    return !ec;
}

// Renames without ever replacing an existing entry. Returns 0 or the errno of the failure.
int renameNoReplace(const fs::path& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // Filesystems without RENAME_NOREPLACE: a hard link refuses an existing name as well.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    // Neither (no hard links on the filesystem): look first, then rename.
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec)))
        return EEXIST;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::string withSuffix(const std::string& name, int suffix)
{
    return suffix == 0 ? name : name + "." + std::to_string(suffix);
}

// The access mode of descriptor `fd` of process `pid`, from the "flags:" line of its fdinfo.
std::optional<int> accessModeOf(const std::string& pid, const char* fd)
{
    const std::string infoPath = "/proc/" + pid + "/fdinfo/" + fd;
    const UniqueFd info(::open(infoPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (!info)
        return std::nullopt;
    char buffer[512];
    const ssize_t n = ::read(info.get(), buffer, sizeof buffer - 1);
    if (n <= 0)
        return std::nullopt;
    buffer[n] = '\0';
    const char* flags = std::strstr(buffer, "flags:");
    if (!flags)
        return std::nullopt;
    return static_cast<int>(std::strtol(flags + 6, nullptr, 8)) & O_ACCMODE;
}

bool isNumber(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

// True when some process other than through `ownFd` has the file (device, inode) open for
// writing. Processes whose descriptors we may not read (other users) are not seen.
bool openForWritingElsewhere(dev_t device, ino_t inode, int ownFd)
{
    const UniqueDir proc(::opendir("/proc"));
    if (!proc)
        return false;
    const std::string self = std::to_string(::getpid());
    const std::string own = std::to_string(ownFd);
    while (const dirent* process = ::readdir(proc.get())) {
        if (!isNumber(process->d_name))
            continue;
        const std::string pid = process->d_name;
        const std::string fdDir = "/proc/" + pid + "/fd";
        const int dirFd = ::open(fdDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd < 0)
            continue;
        const UniqueDir fds(::fdopendir(dirFd));
        if (!fds) {
            ::close(dirFd);
            continue;
        }
        while (const dirent* entry = ::readdir(fds.get())) {
            if (!isNumber(entry->d_name) || (pid == self && own == entry->d_name))
                continue;
            struct stat target
            {
            };
            if (::fstatat(dirFd, entry->d_name, &target, 0) != 0 || target.st_dev != device ||
                target.st_ino != inode)
                continue;
            const std::optional<int> mode = accessModeOf(pid, entry->d_name);
            if (mode && *mode != O_RDONLY)
                return true;
        }
    }
    return false;
}

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (c < 0x80)
            extra = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            extra = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            extra = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (extra > text.size() - i - 1)
            return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += extra + 1;
    }
    return true;
}

bool hasDriveLetter(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

} // namespace

std::optional<JobFileNames> jobFileNames(std::string_view settingsFileName)
{
    const std::optional<DerivedNames> names = deriveNames(settingsFileName);
    if (!names)
        return std::nullopt;
    return JobFileNames{names->scheme, inSpoolFolder(names->settings), inSpoolFolder(names->data),
                        inSpoolFolder(names->cover)};
}

SpoolFolder::SpoolFolder(const PathMapper& paths, const IClock& clock)
    : m_paths(paths), m_clock(clock)
{
}

std::optional<SpoolJob> SpoolFolder::nextJob() const
{
    std::vector<fs::path> candidates = m_paths.list(kSpoolDir, kSplokPattern);
    if (candidates.empty())
        candidates = m_paths.list(kSpoolDir, kSpoPattern);

    const auto limit = m_clock.now() + kFutureLimit;
    const fs::path* oldest = nullptr;
    std::chrono::system_clock::time_point oldestTime;
    for (const fs::path& candidate : candidates) {
        std::error_code ec;
        const fs::file_time_type written = fs::last_write_time(candidate, ec);
        if (ec)
            continue; // gone since the listing
        const auto time = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written));
        if (time >= limit)
            continue;
        // Only a strictly older file wins, so ties keep the listing order.
        if (!oldest || time < oldestTime) {
            oldest = &candidate;
            oldestTime = time;
        }
    }
    if (!oldest)
        return std::nullopt;
    return jobFor(*oldest);
}

std::optional<SpoolJob> SpoolFolder::jobFor(const fs::path& settingsFile) const
{
    const std::optional<DerivedNames> names = deriveNames(settingsFile.filename().string());
    if (!names)
        return std::nullopt;
    const fs::path folder = settingsFile.parent_path();
    SpoolJob job;
    job.scheme = names->scheme;
    job.settingsPath = inSpoolFolder(names->settings);
    job.dataPath = inSpoolFolder(names->data);
    job.settingsFile = settingsFile;
    job.dataFile = resolveCaseInsensitive(folder / names->data);
    // The cover counts only when it is there now.
    if (fs::path cover = resolveCaseInsensitive(folder / names->cover); isRegularFile(cover)) {
        job.coverPath = inSpoolFolder(names->cover);
        job.coverFile = std::move(cover);
    }
    return job;
}

bool SpoolFolder::settingsStillExist(const SpoolJob& job) const
{
    return isRegularFile(job.settingsFile);
}

bool SpoolFolder::removeJobFiles(const SpoolJob& job, JobOutcome outcome) const
{
    if (outcome == JobOutcome::ProcessingError)
        return true;
    bool clean = removeJobFile(job.settingsFile);
    // Resolved again: the name found when the job was taken is preferred when it still exists.
    clean = removeJobFile(resolveCaseInsensitive(job.dataFile)) && clean;
    if (outcome == JobOutcome::Processed && job.hasCover())
        clean = removeJobFile(resolveCaseInsensitive(job.coverFile)) && clean;
    return clean;
}

ErrorFolderMove SpoolFolder::moveJobToErrorFolder(const SpoolJob& job) const
{
    ErrorFolderMove result;
    const fs::path errorFolder = m_paths.toHost(kErrorDir);
    std::error_code ec;
    fs::create_directories(errorFolder, ec);
    if (!fs::is_directory(errorFolder, ec))
        return result;

    // The job's files as they are now; the settings file first.
    std::vector<fs::path> files;
    if (isJobFileEntry(job.settingsFile))
        files.push_back(job.settingsFile);
    const fs::path folder = job.settingsFile.parent_path();
    if (const auto names = deriveNames(job.settingsFile.filename().string())) {
        for (const std::string& name : {names->data, names->cover})
            if (fs::path file = resolveCaseInsensitive(folder / name); isJobFileEntry(file))
                files.push_back(std::move(file));
    }

    // One suffix for the whole job, so that its files stay recognisable together.
    int suffix = 0;
    const auto freeFor = [&](int s) {
        for (const fs::path& file : files) {
            std::error_code statusError;
            if (fs::exists(fs::symlink_status(errorFolder / withSuffix(file.filename().string(), s),
                                              statusError)))
                return false;
        }
        return true;
    };
    while (suffix <= kMaxErrorSuffix && !freeFor(suffix))
        ++suffix;

    result.complete = true;
    for (const fs::path& file : files) {
        int s = suffix;
        int error = EEXIST;
        fs::path target;
        // Another writer may take a name between the check and the move: try the next one.
        for (; s <= kMaxErrorSuffix && error == EEXIST; ++s) {
            target = errorFolder / withSuffix(file.filename().string(), s);
            error = renameNoReplace(file, target);
        }
        if (error != 0) {
            result.complete = false;
            // Without its settings file moved the job stays where it is, whole.
            if (file == job.settingsFile)
                return result;
            continue;
        }
        result.moved.push_back(target);
    }
    return result;
}

bool SpoolFolder::createWorkFolders() const
{
    bool created = true;
    for (const char* folder : {"C:\\SPOOL\\TMP", "C:\\SPOOL\\PDF"}) {
        std::error_code ec;
        const fs::path host = m_paths.toHost(folder);
        fs::create_directories(host, ec);
        if (!fs::is_directory(host, ec))
            created = false;
    }
    return created;
}

std::optional<std::string> SpoolFolder::readPdfReadyFile() const
{
    std::FILE* file = std::fopen(m_paths.toHost(kPdfReadyFile).c_str(), "rb");
    if (!file)
        return std::nullopt;
    char buffer[256];
    const std::size_t n = std::fread(buffer, 1, 255, file);
    std::fclose(file);
    std::string line(buffer, n);
    line = line.substr(0, line.find_first_of("\r\n"));
    if (line.empty())
        return std::nullopt;
    return line;
}

void SpoolFolder::removePdfReadyFile() const
{
    std::error_code ignored;
    fs::remove(m_paths.toHost(kPdfReadyFile), ignored);
}

std::vector<fs::path> SpoolFolder::openRequests() const
{
    return m_paths.list(kRequestDir, kRequestPattern);
}

OpenRequest SpoolFolder::takeOpenRequest(const fs::path& request) const
{
    // Nothing blocks: a writer that keeps the file open or locked makes it wait for a later
    // tick instead. Writers are seen two ways: a flock() lock (cooperating writers lock while
    // they write) and, for the writers that do not lock (DOS emulators, Wine, shell
    // redirections), a descriptor open for writing in any process we may inspect.
    const UniqueFd fd(::open(request.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd)
        return {OpenRequestStatus::Unreadable, {}};
    struct stat opened
    {
    };
    if (::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode))
        return {OpenRequestStatus::Unreadable, {}};
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return {OpenRequestStatus::Held, {}};
    if (openForWritingElsewhere(opened.st_dev, opened.st_ino, fd.get()))
        return {OpenRequestStatus::Held, {}};

    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {OpenRequestStatus::Unreadable, {}};
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }

    // Removed while still locked; a file put in its place meanwhile is a new request and stays.
    struct stat now
    {
    };
    if (::lstat(request.c_str(), &now) == 0 && now.st_dev == opened.st_dev &&
        now.st_ino == opened.st_ino && ::unlink(request.c_str()) != 0 && errno != ENOENT)
        return {OpenRequestStatus::NotRemoved, {}};

    // The path itself: up to a NUL, without the line break and blanks a writer may add, and
    // without quotes of its own (they are added when the document is opened).
    std::string_view text(content);
    text = trimBlanks(text.substr(0, text.find('\0')));
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = trimBlanks(text.substr(1, text.size() - 2));
    if (text.empty())
        return {OpenRequestStatus::Empty, {}};
    if (!hasDriveLetter(text))
        return {OpenRequestStatus::Open, fs::path(std::string(text))};
    // A Windows path comes from the Windows world in its ANSI code page; one already in
    // UTF-8 (written on the host) is taken as it is.
    const std::string utf8 = isValidUtf8(text) ? std::string(text) : ansiToUtf8(text);
    return {OpenRequestStatus::Open, m_paths.toHost(utf8)};
}

std::string SpoolFolder::faxHandOffLine(const JobSettings& settings)
{
    return "\"" + settings.faxField1 + "\",\"" + settings.faxField2 + "\",\"" + settings.faxField3 +
           "\"\r\n";
}

bool SpoolFolder::writeFaxHandOff(const JobSettings& settings) const
{
    const fs::path target = m_paths.toHost(kFaxHandOff);
    std::error_code ec;
    if (!fs::is_directory(target.parent_path(), ec))
        return false;
    // Written beside and renamed into place, so the fax program never reads half a line.
    const fs::path partial = target.parent_path() / (target.filename().string() + ".part");
    const std::string line = faxHandOffLine(settings);
    const int out = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (out < 0)
        return false;
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(out, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    const bool closed = ::close(out) == 0;
    if (done == line.size() && closed) {
        fs::rename(partial, target, ec);
        if (!ec)
            return true;
    }
    fs::remove(partial, ec);
    return false;
}

bool SpoolFolder::faxHandOffPending() const
{
    return isRegularFile(m_paths.toHost(kFaxHandOff));
}

} // namespace spoolar
