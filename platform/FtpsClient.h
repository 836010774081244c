#pragma once
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

enum class FtpMode
{
    Passive, // the client opens the data connection (PASV/EPSV)
    Active   // the server connects back to the client (PORT/EPRT)
};

enum class TlsVerify
{
    // The server's certificate must chain to a trusted certificate (caFile when set, else the
    // system's store) and name the host. A site's self-signed certificate is trusted by giving
    // that certificate itself as caFile.
    Peer,
    // Any certificate is accepted: the connection is encrypted but the server is not
    // authenticated, so the password goes to whoever answers. Only for sites that decide so.
    None
};

// How to reach the server. The default is the safe one: TLS required on the control connection
// and the server's certificate checked.
struct FtpsSettings
{
    std::string host;
    int port = 21;
    std::string user;
    std::string password;
    FtpMode mode = FtpMode::Passive;
    TlsVerify verify = TlsVerify::Peer;
    std::string caFile; // PEM file of trusted certificates; empty: the system's store
    std::chrono::seconds timeout{15};
};

enum class FtpsErrorKind
{
    None,
    Unreachable,   // nothing answers at host and port, or no answer in time
    Tls,           // the server offers no TLS, or the TLS handshake or certificate check failed
    Login,         // user name or password refused
    Folder,        // the remote folder cannot be entered
    NotFound,      // the remote file does not exist (or cannot be read)
    DeleteRefused, // the server refused to delete the remote file
    LocalFile,     // the local file cannot be written
    InvalidName,   // a file or folder name that cannot be sent in an FTP command
    Transfer       // any other failure of the connection or the transfer
};

// Success, or the kind of a failure with a message for the user (Italian, UTF-8).
class FtpsStatus
{
public:
    FtpsStatus() = default;
    FtpsStatus(FtpsErrorKind kind, std::string message)
        : m_kind(kind), m_message(std::move(message))
    {
    }

    bool ok() const { return m_kind == FtpsErrorKind::None; }
    FtpsErrorKind kind() const { return m_kind; }
    const std::string& message() const { return m_message; }

private:
    FtpsErrorKind m_kind = FtpsErrorKind::None;
    std::string m_message;
};

struct FtpsListing
{
    FtpsStatus status;
    std::vector<std::string> names; // in the server's order, without folder part
};

// An FTP client with explicit TLS (AUTH TLS on port 21 style servers) over libcurl: the control
// connection must be encrypted, the data channel is clear (PROT C), transfers are binary
// (TYPE I), every step waits at most the settings' time-out (connecting, each server answer, a
// stalled transfer), and socket and transfer buffers are 64 KiB. The control connection is kept
// between calls and opened again by the next call when it was lost, so a failed call leaves
// nothing to clean up. Folders are paths as the server takes them after login ("spool",
// "/data/spool"); an empty folder is the login folder. Not thread-safe: one caller at a time.
class FtpsClient
{
public:
    explicit FtpsClient(FtpsSettings settings);
    ~FtpsClient(); // sends QUIT on an open connection
    FtpsClient(const FtpsClient&) = delete;
    FtpsClient& operator=(const FtpsClient&) = delete;

    const FtpsSettings& settings() const { return m_settings; }

    // Connects (when not connected), logs in and enters the folder.
    FtpsStatus open(std::string_view folder);
    // The names in the folder (NLST).
    FtpsListing listNames(std::string_view folder);
    // Downloads folder/name to target. The bytes go to a hidden temporary file beside target
    // that is flushed to disk and then renamed onto target, so target is either absent (or
    // its previous content) or the complete file - never a part of it.
    FtpsStatus download(std::string_view folder, std::string_view name,
                        const std::filesystem::path& target);
    // Deletes folder/name on the server (DELE).
    FtpsStatus remove(std::string_view folder, std::string_view name);

private:
    struct Handle;

    FtpsStatus perform(std::string_view what);
    FtpsStatus prepare(std::string_view folder, std::string_view name);
    std::string url(std::string_view folder, std::string_view name) const;
    std::string serverName() const;

    FtpsSettings m_settings;
    std::unique_ptr<Handle> m_handle;
};

} // namespace spoolar
