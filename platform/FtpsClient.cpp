#include "platform/FtpsClient.h"

#include <curl/curl.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace spoolar {

namespace {

constexpr long bufferSize = 65536;

// libcurl's process-wide set-up, done once before the first handle and undone at exit.
struct CurlGlobal
{
    CurlGlobal() { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }
    ~CurlGlobal()
    {
        if (ok)
            curl_global_cleanup();
    }
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    bool ok = false;
};

bool curlReady()
{
    static CurlGlobal global;
    return global.ok;
}

// A name or folder goes into FTP commands: no line breaks or other control characters.
bool sendable(std::string_view text)
{
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            return false;
    }
    return true;
}

bool validFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && sendable(name);
}

std::string escaped(CURL* curl, std::string_view text)
{
    char* e = curl_easy_escape(curl, text.data(), static_cast<int>(text.size()));
    if (!e)
        return {};
    std::string result(e);
    curl_free(e);
    return result;
}

int setSocketBuffers(void*, curl_socket_t fd, curlsocktype)
{
    const int size = static_cast<int>(bufferSize);
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    return CURL_SOCKOPT_OK;
}

size_t appendToString(char* data, size_t size, size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// The local side of a download: a new hidden file beside the target, removed again unless it
// was renamed onto the target.
class PartFile
{
public:
    explicit PartFile(const std::filesystem::path& target) : m_target(target)
    {
        static std::atomic<unsigned> counter{0};
        const std::filesystem::path dir = target.parent_path();
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_path = dir / ("." + target.filename().string() + "." + std::to_string(getpid()) +
                            "." + std::to_string(counter++) + ".part");
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            m_error = m_fd < 0 ? errno : 0;
            if (m_fd < 0 && m_error != EEXIST)
                break;
        }
        m_created = m_fd >= 0;
    }
    ~PartFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_created && !m_committed)
            ::unlink(m_path.c_str());
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // What went wrong with the file system, for the message.
    std::string error() const { return std::strerror(m_error); }

    bool write(const char* data, size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                m_error = errno;
                m_failed = true;
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool failed() const { return m_failed; }

    // Flushes the bytes to disk, renames the file onto the target and flushes the folder, so
    // that after a crash the target is either the old file or the whole new one.
    bool commit()
    {
        if (m_fd < 0 || ::fsync(m_fd) != 0)
            return fail();
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 || ::rename(m_path.c_str(), m_target.c_str()) != 0)
            return fail();
        m_committed = true;
        const std::filesystem::path dir =
            m_target.has_parent_path() ? m_target.parent_path() : std::filesystem::path(".");
        const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
        return true;
    }

private:
    bool fail()
    {
        m_error = errno;
        return false;
    }

    std::filesystem::path m_target;
    std::filesystem::path m_path;
    int m_fd = -1;
    int m_error = 0;
    bool m_created = false;
    bool m_failed = false;
    bool m_committed = false;
};

FtpsStatus invalidName(std::string_view name)
{
    return {FtpsErrorKind::InvalidName,
            "Nome di file remoto non valido: \"" + std::string(name) + "\""};
}

size_t writeToPartFile(char* data, size_t size, size_t count, void* user)
{
    auto* file = static_cast<PartFile*>(user);
    return file->write(data, size * count) ? size * count : 0;
}

} // namespace

struct FtpsClient::Handle
{
    Handle() : curl(curlReady() ? curl_easy_init() : nullptr) {}
    ~Handle()
    {
        if (curl)
            curl_easy_cleanup(curl);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    CURL* curl;
    char error[CURL_ERROR_SIZE] = {};
};

FtpsClient::FtpsClient(FtpsSettings settings)
    : m_settings(std::move(settings)), m_handle(std::make_unique<Handle>())
{
}

FtpsClient::~FtpsClient() = default;

std::string FtpsClient::serverName() const
{
    return m_settings.host + ":" + std::to_string(m_settings.port);
}

std::string FtpsClient::url(std::string_view folder, std::string_view name) const
{
    CURL* curl = m_handle->curl;
    std::string host = m_settings.host;
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";
    std::string u = "ftp://" + host + ":" + std::to_string(m_settings.port) + "/";
    // A leading slash makes the folder absolute on the server (the first segment "%2F"),
    // otherwise it is taken from the login folder.
    if (!folder.empty() && folder.front() == '/')
        u += "%2F";
    size_t start = 0;
    while (start <= folder.size()) {
        size_t end = folder.find('/', start);
        if (end == std::string_view::npos)
            end = folder.size();
        if (end > start)
            u += escaped(curl, folder.substr(start, end - start)) + "/";
        start = end + 1;
    }
    if (!name.empty())
        u += escaped(curl, name);
    return u;
}

FtpsStatus FtpsClient::prepare(std::string_view folder, std::string_view name)
{
    CURL* curl = m_handle->curl;
    if (!curl)
        return {FtpsErrorKind::Transfer, "Il client FTP non è disponibile (libcurl)"};
    if (!sendable(folder))
        return {FtpsErrorKind::InvalidName,
                "Nome di cartella remota non valido: \"" + std::string(folder) + "\""};
    if (!sendable(name))
        return invalidName(name);
    // Options of the previous call go; the open connection stays for reuse.
    curl_easy_reset(curl);
    m_handle->error[0] = '\0';
    const std::string address = url(folder, name);
    const long seconds = static_cast<long>(m_settings.timeout.count());

    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_handle->error);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
    // Explicit TLS: AUTH TLS on the plain port, required for the control connection (user name,
    // password, commands); the data channel stays clear, which libcurl asks for with PROT C.
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_CONTROL));
    curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, m_settings.verify == TlsVerify::Peer ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, m_settings.verify == TlsVerify::Peer ? 2L : 0L);
    if (!m_settings.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, m_settings.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_settings.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_settings.password.c_str());
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
    if (m_settings.mode == FtpMode::Active)
        curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
    // The time-out bounds every wait: connecting, each answer of the server, the server
    // connecting back in active mode, and a transfer that stops moving.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, seconds);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
    curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, seconds * 1000);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, seconds);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, bufferSize);
    curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, bufferSize);
    curl_easy_setopt(curl, CURLOPT_SOCKOPTFUNCTION, setSocketBuffers);
    return {};
}

FtpsStatus FtpsClient::perform(std::string_view what)
{
    CURL* curl = m_handle->curl;
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK)
        return {};
    const std::string detail =
        " (" + std::string(m_handle->error[0] ? m_handle->error : curl_easy_strerror(code)) + ")";
    const std::string server = serverName();
    const std::string quoted = "\"" + std::string(what) + "\"";
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_GOT_NOTHING:
        return {FtpsErrorKind::Unreachable,
                "Il server FTP " + server + " non è raggiungibile" + detail};
    case CURLE_OPERATION_TIMEDOUT:
        return {FtpsErrorKind::Unreachable, "Il server FTP " + server + " non risponde" + detail};
    case CURLE_USE_SSL_FAILED:
        return {FtpsErrorKind::Tls,
                "Il server FTP " + server + " non accetta connessioni protette (TLS)" + detail};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
        return {FtpsErrorKind::Tls,
                "Connessione protetta con il server FTP " + server + " non riuscita" + detail};
    case CURLE_LOGIN_DENIED:
        return {FtpsErrorKind::Login, "Accesso al server FTP " + server + " rifiutato" + detail};
    case CURLE_REMOTE_ACCESS_DENIED:
        return {FtpsErrorKind::Folder, "Cartella remota " + quoted + " non accessibile" + detail};
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
        return {FtpsErrorKind::NotFound, "File remoto " + quoted + " non trovato" + detail};
    case CURLE_QUOTE_ERROR:
        return {FtpsErrorKind::DeleteRefused,
                "Impossibile cancellare il file remoto " + quoted + detail};
    default:
        return {FtpsErrorKind::Transfer,
                "Errore di comunicazione con il server FTP " + server + detail};
    }
}

FtpsStatus FtpsClient::open(std::string_view folder)
{
    if (FtpsStatus status = prepare(folder, {}); !status.ok())
        return status;
    curl_easy_setopt(m_handle->curl, CURLOPT_NOBODY, 1L);
    return perform(folder);
}

FtpsListing FtpsClient::listNames(std::string_view folder)
{
    FtpsListing listing;
    listing.status = prepare(folder, {});
    if (!listing.status.ok())
        return listing;
    std::string text;
    curl_easy_setopt(m_handle->curl, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(m_handle->curl, CURLOPT_WRITEFUNCTION, appendToString);
    curl_easy_setopt(m_handle->curl, CURLOPT_WRITEDATA, &text);
    listing.status = perform(folder);
    if (!listing.status.ok())
        return listing;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // Some servers answer NLST with paths; only the name counts.
        const size_t slash = line.find_last_of('/');
        if (slash != std::string::npos)
            line.erase(0, slash + 1);
        if (!line.empty() && line != "." && line != "..")
            listing.names.push_back(std::move(line));
    }
    return listing;
}

FtpsStatus FtpsClient::download(std::string_view folder, std::string_view name,
                                const std::filesystem::path& target)
{
    if (!validFileName(name))
        return invalidName(name);
    if (FtpsStatus status = prepare(folder, name); !status.ok())
        return status;
    const std::string localError = "Impossibile scrivere il file " + target.string();
    PartFile part(target);
    if (!part.isOpen())
        return {FtpsErrorKind::LocalFile, localError + " (" + part.error() + ")"};
    curl_easy_setopt(m_handle->curl, CURLOPT_WRITEFUNCTION, writeToPartFile);
    curl_easy_setopt(m_handle->curl, CURLOPT_WRITEDATA, &part);
    FtpsStatus status = perform(name);
    if (part.failed())
        return {FtpsErrorKind::LocalFile, localError + " (" + part.error() + ")"};
    if (!status.ok())
        return status;
    if (!part.commit())
        return {FtpsErrorKind::LocalFile, localError + " (" + part.error() + ")"};
    return {};
}

FtpsStatus FtpsClient::remove(std::string_view folder, std::string_view name)
{
    if (!validFileName(name))
        return invalidName(name);
    if (FtpsStatus status = prepare(folder, {}); !status.ok())
        return status;
    // DELE after entering the folder, on a request that transfers nothing.
    const std::string command = "DELE " + std::string(name);
    curl_slist* commands = curl_slist_append(nullptr, command.c_str());
    if (!commands)
        return {FtpsErrorKind::Transfer, "Memoria insufficiente"};
    curl_easy_setopt(m_handle->curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(m_handle->curl, CURLOPT_POSTQUOTE, commands);
    FtpsStatus status = perform(name);
    // The list must outlive the transfer only; the next prepare() resets the option.
    curl_easy_setopt(m_handle->curl, CURLOPT_POSTQUOTE, nullptr);
    curl_slist_free_all(commands);
    return status;
}

} // namespace spoolar
