#include "app/RemoteSpool.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace spoolar {

namespace fs = std::filesystem;

namespace {

constexpr const char* spoolFolder = "C:\\SPOOL";

FtpsSettings clientSettings(const RemoteSpoolConfig& config)
{
    FtpsSettings s;
    s.host = config.host;
    s.port = config.port;
    s.user = config.user;
    s.password = config.password;
    s.mode = config.mode;
    s.verify = config.verify;
    s.caFile = config.caFile;
    return s;
}

// A remote name becomes a local file name in C:\SPOOL: nothing that could name another folder
// or be read as a wildcard, no control characters.
bool safeLocalName(const std::string& name)
{
    if (name.empty() || name.front() == '.')
        return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string::npos)
            return false;
    }
    return true;
}

bool sameName(const std::string& a, const std::string& b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// The listed name that equals wanted without regard to case (servers on Linux keep the
// producer's case, which need not be the upper case the names are derived in).
std::optional<std::string> listedAs(const std::vector<std::string>& listing,
                                    const std::string& wanted)
{
    for (const std::string& name : listing)
        if (sameName(name, wanted))
            return name;
    return std::nullopt;
}

void removeQuietly(const fs::path& path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
}

void syncFolder(const fs::path& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

RemoteSpool::RemoteSpool(RemoteSpoolConfig config, PathMapper paths)
    : m_config(std::move(config)), m_paths(std::move(paths)), m_client(clientSettings(m_config))
{
}

FtpsStatus RemoteSpool::connect()
{
    return m_client.open(m_config.folder);
}

RemoteSpoolResult RemoteSpool::tick(const std::function<void()>& jobsListed)
{
    RemoteSpoolResult result;
    if (!enabled())
        return result;

    const FtpsListing listing = m_client.listNames(m_config.folder);
    if (!listing.status.ok()) {
        result.outcome = RemoteSpoolOutcome::Failed;
        result.message = listing.status.message();
        return result;
    }
    result.outcome = RemoteSpoolOutcome::NoJob;
    std::vector<std::string> settingsNames;
    for (const std::string& name : listing.names)
        if (matchesWildcard(name, "SPO*.TMP"))
            settingsNames.push_back(name);
    if (settingsNames.empty())
        return result;
    if (jobsListed)
        jobsListed();

    for (const std::string& name : settingsNames) {
        // "SPO" and ".TMP" need an identifier between them; the companions replace the O.
        if (name.size() <= 7 || !safeLocalName(name))
            continue;
        std::string dataName = name;
        dataName[2] = 'L';
        std::string coverName = name;
        coverName[2] = 'C';
        // A settings file whose data file is not (yet) there is no job to fetch; the next
        // settings file may be one.
        const std::optional<std::string> data = listedAs(listing.names, dataName);
        if (!data || !safeLocalName(*data))
            continue;
        const std::optional<std::string> cover = listedAs(listing.names, coverName);
        if (cover && !safeLocalName(*cover))
            continue;
        // A waiting local job (or a producer writing one) with the same names keeps its files:
        // this remote job waits on the server until they are gone.
        std::vector<std::string> localNames = {name, *data};
        if (cover)
            localNames.push_back(*cover);
        bool taken = false;
        for (const std::string& local : localNames)
            taken = taken || fs::exists(m_paths.toHost(std::string(spoolFolder) + "\\" + local));
        if (taken)
            continue;
        return fetch(name, *data, cover);
    }
    return result;
}

RemoteSpoolResult RemoteSpool::fetch(const std::string& settingsName, const std::string& dataName,
                                     const std::optional<std::string>& coverName)
{
    RemoteSpoolResult result;
    result.job = settingsName;
    result.outcome = RemoteSpoolOutcome::Failed;

    const fs::path spool = m_paths.toHost(spoolFolder);
    std::error_code ec;
    fs::create_directories(spool, ec);
    const fs::path dataPath = spool / dataName;
    const fs::path coverPath = coverName ? spool / *coverName : fs::path();
    const fs::path settingsPath = spool / settingsName;
    // Hidden: the local poller and the queue view skip names starting with a dot.
    const fs::path stagedSettings = spool / ("." + settingsName + ".remote");

    // Undoes the downloads of a job that could not be taken.
    const auto discard = [&](const FtpsStatus& status) {
        removeQuietly(dataPath);
        if (coverName)
            removeQuietly(coverPath);
        removeQuietly(stagedSettings);
        result.message = status.message();
        return result;
    };

    const std::string& folder = m_config.folder;
    if (FtpsStatus s = m_client.download(folder, dataName, dataPath); !s.ok())
        return discard(s);
    if (coverName) {
        if (FtpsStatus s = m_client.download(folder, *coverName, coverPath); !s.ok())
            return discard(s);
    }
    if (FtpsStatus s = m_client.download(folder, settingsName, stagedSettings); !s.ok())
        return discard(s);
    // Taking the settings file off the server is what takes the job: when that fails the job
    // stays there complete and is fetched again next tick, and nothing of it stays here.
    if (FtpsStatus s = m_client.remove(folder, settingsName); !s.ok())
        return discard(s);
    if (std::rename(stagedSettings.c_str(), settingsPath.c_str()) != 0) {
        result.message = "Impossibile creare il file " + settingsPath.string() +
                         " (il lavoro remoto è in " + stagedSettings.string() + ")";
        return result;
    }
    syncFolder(spool);
    result.outcome = RemoteSpoolOutcome::Fetched;

    // The job is here; companions left on the server are no job of their own (no settings
    // file names them) and are replaced when the producer sends the next job with this id.
    for (const std::string* name : {&dataName, coverName ? &*coverName : nullptr}) {
        if (!name)
            continue;
        if (FtpsStatus s = m_client.remove(folder, *name); !s.ok())
            result.message += (result.message.empty() ? "" : "\n") + s.message();
    }
    return result;
}

} // namespace spoolar
