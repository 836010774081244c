#pragma once
#include "platform/FtpsClient.h"
#include "platform/WinPath.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace spoolar {

// Where the remote spool takes its jobs from. folder is key FTPPath of section REMOTESPOOL (empty
// switches the remote spool off) and mode follows key Passive; host, port, user, password and
// the certificate check come from the site's own configuration. Sites whose FTP server has a
// self-signed certificate give that certificate as caFile; verify = TlsVerify::None accepts any
// server and should stay a conscious exception.
struct RemoteSpoolConfig
{
    std::string host;
    int port = 21;
    std::string user;
    std::string password;
    std::string folder;
    FtpMode mode = FtpMode::Passive;
    TlsVerify verify = TlsVerify::Peer;
    std::string caFile;

    bool enabled() const { return !folder.empty(); }
};

enum class RemoteSpoolOutcome
{
    Off,     // no remote folder configured
    NoJob,   // the remote folder holds no job that can be fetched now
    Fetched, // one job's files are complete in C:\SPOOL and its settings file is gone remotely
    Failed   // connecting, listing or a transfer failed; nothing was taken, retried next tick
};

struct RemoteSpoolResult
{
    RemoteSpoolOutcome outcome = RemoteSpoolOutcome::Off;
    std::string job;     // the remote settings file fetched or being fetched
    std::string message; // why it failed, or what was left on the server (Italian, UTF-8)
};

// The remote spool step of a polling tick: fetches at most one SPO-scheme job (settings file
// SPO<id>.TMP, data file SPL<id>.TMP, cover file SPC<id>.TMP when there is one) from the
// remote folder into C:\SPOOL under the same names, where it becomes an ordinary waiting job.
//
// Order, chosen so that the local poller never sees a job before all its files are there and
// a job is never lost or printed twice when a step fails:
// 1. list the remote folder; the first settings file (in the server's order) whose data file is
//    listed too and whose names are all free in C:\SPOOL is the job;
// 2. download the data file, then the cover file, then the settings file under a hidden name;
// 3. delete the remote settings file - only then the job counts as taken;
// 4. give the settings file its name: the job is now visible to the local poller;
// 5. delete the remote data and cover files.
// A failure in 1-3 removes what was downloaded and leaves the server as it was, so the next
// tick starts again from scratch. The FTP connection stays open between ticks and is opened
// again when it was lost.
class RemoteSpool
{
public:
    RemoteSpool(RemoteSpoolConfig config, PathMapper paths);

    bool enabled() const { return m_config.enabled(); }
    const RemoteSpoolConfig& config() const { return m_config; }

    // At start-up: connects, logs in and enters the remote folder.
    FtpsStatus connect();

    // One tick. jobsListed is called once the listing holds settings files (the tray shows
    // that the remote spool is busy).
    RemoteSpoolResult tick(const std::function<void()>& jobsListed = {});

private:
    RemoteSpoolResult fetch(const std::string& settingsName, const std::string& dataName,
                            const std::optional<std::string>& coverName);

    RemoteSpoolConfig m_config;
    PathMapper m_paths;
    FtpsClient m_client;
};

} // namespace spoolar
