#include "platform/WindowMessages.h"

#include <QByteArray>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaObject>
#include <QStandardPaths>
#include <QTimer>
#include <QtGlobal>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace spoolar {

namespace {

// A client sends one line and closes; a connection still open after this time is dropped, so
// idle connections cannot pile up in the server.
constexpr int kConnectionLifetimeMs = 5000;

std::optional<std::uint64_t> parseNumber(std::string_view text)
{
    if (text.empty() || text.size() > 20)
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<WindowMessage> fromWords(std::string_view idWord,
                                       std::optional<std::string_view> handleWord)
{
    const auto id = parseNumber(idWord);
    if (!id || *id > 0xFFFFFFFFu || !isWindowMessageId(static_cast<int>(*id)))
        return std::nullopt;
    WindowMessage message{static_cast<int>(*id), std::nullopt};
    if (message.id == kSetCallerWindow) {
        if (!handleWord)
            return std::nullopt;
        message.handle = parseNumber(*handleWord);
        if (!message.handle)
            return std::nullopt;
    } else if (handleWord) {
        return std::nullopt;
    }
    return message;
}

// RAII for a plain socket descriptor.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool makeAddress(const std::string& path, sockaddr_un& address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// A connected socket to `path` with send and receive time limits, or -1. A blocking connect
// to a local socket waits only while the server's backlog is full, bounded by the send limit.
int connectTo(const std::string& path, std::chrono::milliseconds timeout)
{
    sockaddr_un address;
    if (!makeAddress(path, address))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const auto ms = std::max<long long>(1, timeout.count());
    timeval limit{};
    limit.tv_sec = static_cast<time_t>(ms / 1000);
    limit.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

bool isWindowMessageId(int id)
{
    return id == kSetCallerWindow || id == kPdfHoldOn || id == kPdfHoldOff || id == kCloseNow;
}

std::string formatWindowMessage(const WindowMessage& message)
{
    std::string line = std::to_string(message.id);
    if (message.handle)
        line += ' ' + std::to_string(*message.handle);
    line += '\n';
    return line;
}

std::optional<WindowMessage> parseWindowMessage(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const auto space = line.find(' ');
    if (space == std::string_view::npos)
        return fromWords(line, std::nullopt);
    return fromWords(line.substr(0, space), line.substr(space + 1));
}

std::optional<WindowMessage> parseSendArguments(const std::vector<std::string>& words)
{
    if (words.empty() || words.size() > 2)
        return std::nullopt;
    if (words.size() == 1)
        return fromWords(words[0], std::nullopt);
    return fromWords(words[0], std::string_view(words[1]));
}

std::string windowMessageSocketPath()
{
    // The runtime folder belongs to the user alone (mode 0700); Qt falls back to a private
    // folder under /tmp when the session has none.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("spoolar-%1").arg(::getuid())).toStdString();
}

bool sendWindowMessage(const WindowMessage& message, const std::string& socketPath,
                       std::chrono::milliseconds timeout)
{
    if (!isWindowMessageId(message.id) ||
        message.handle.has_value() != (message.id == kSetCallerWindow))
        return false;
    const Descriptor socket(connectTo(socketPath, timeout));
    if (socket.get() < 0)
        return false;
    const std::string line = formatWindowMessage(message);
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n =
            ::send(socket.get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool sendWindowMessage(const WindowMessage& message)
{
    return sendWindowMessage(message, windowMessageSocketPath());
}

bool windowMessageServerAnswers(const std::string& socketPath)
{
    const Descriptor socket(connectTo(socketPath, std::chrono::milliseconds(500)));
    return socket.get() >= 0;
}

WindowMessageServer::WindowMessageServer(Handler handler, std::string socketPath)
    : m_handler(std::move(handler)), m_socketPath(std::move(socketPath)),
      m_server(std::make_unique<QLocalServer>())
{
}

WindowMessageServer::~WindowMessageServer()
{
    // Closing removes the socket file; the connections are children of the server.
    m_server->close();
}

std::unique_ptr<WindowMessageServer> WindowMessageServer::listen(Handler handler,
                                                                 std::string* error)
{
    return listen(std::move(handler), windowMessageSocketPath(), error);
}

std::unique_ptr<WindowMessageServer>
WindowMessageServer::listen(Handler handler, const std::string& socketPath, std::string* error)
{
    auto fail = [&](std::string reason) -> std::unique_ptr<WindowMessageServer> {
        if (error)
            *error = std::move(reason);
        return nullptr;
    };
    sockaddr_un address;
    if (!makeAddress(socketPath, address))
        return fail("percorso del socket non valido: " + socketPath);

    std::unique_ptr<WindowMessageServer> server(
        new WindowMessageServer(std::move(handler), socketPath));
    // Something already at the path: a live server keeps it; a socket nobody answers on was
    // left by an instance that ended without closing it and is replaced. Anything that is not
    // a socket is not ours to delete. (Qt would replace the path without asking.)
    if (windowMessageServerAnswers(socketPath))
        return fail("un'altra istanza riceve già i messaggi su " + socketPath);
    struct stat info;
    if (::lstat(socketPath.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode))
            return fail("il percorso esiste e non è un socket: " + socketPath);
        qWarning("spoolar: socket abbandonato sostituito: %s", socketPath.c_str());
        if (!QLocalServer::removeServer(QString::fromStdString(socketPath)))
            return fail("impossibile rimuovere il socket abbandonato " + socketPath);
    }
    QLocalServer& local = *server->m_server;
    // The socket file is created readable and writable by the user alone.
    local.setSocketOptions(QLocalServer::UserAccessOption);
    if (!local.listen(QString::fromStdString(socketPath)))
        return fail(local.errorString().toStdString());
    QObject::connect(&local, &QLocalServer::newConnection, &local, [raw = server.get()] {
        while (QLocalSocket* socket = raw->m_server->nextPendingConnection())
            raw->accept(socket);
    });
    return server;
}

void WindowMessageServer::accept(QLocalSocket* socket)
{
    auto buffer = std::make_shared<QByteArray>();
    auto* lifetime = new QTimer(socket);
    lifetime->setSingleShot(true);
    QObject::connect(lifetime, &QTimer::timeout, socket, [socket] {
        qWarning("spoolar: connessione rimasta aperta troppo a lungo, chiusa");
        socket->abort();
        socket->deleteLater();
    });
    lifetime->start(kConnectionLifetimeMs);
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);

    auto drop = [socket](const char* why) {
        qWarning("spoolar: %s, connessione chiusa", why);
        socket->abort();
        socket->deleteLater();
    };
    auto read = [this, socket, buffer, drop] {
        char chunk[256];
        qint64 n;
        while ((n = socket->read(chunk, sizeof chunk)) > 0) {
            buffer->append(chunk, static_cast<qsizetype>(n));
            qsizetype newline;
            while ((newline = buffer->indexOf('\n')) >= 0) {
                const QByteArray line = buffer->left(newline);
                buffer->remove(0, newline + 1);
                if (line.size() >= static_cast<qsizetype>(kMaxWindowMessageLine))
                    return drop("messaggio troppo lungo");
                if (auto message = parseWindowMessage(std::string_view(line.data(), line.size())))
                    deliver(*message);
                else
                    qWarning("spoolar: messaggio non valido ignorato: %s",
                             line.toPercentEncoding(" ").constData());
            }
            // No newline within the longest line there is: not one of ours, and nothing to
            // keep buffering.
            if (buffer->size() >= static_cast<qsizetype>(kMaxWindowMessageLine))
                return drop("messaggio troppo lungo");
        }
    };
    QObject::connect(socket, &QLocalSocket::readyRead, socket, read);
    // Data may have arrived before the connection was handed over.
    if (socket->bytesAvailable() > 0)
        read();
}

void WindowMessageServer::deliver(const WindowMessage& message)
{
    // Queued on the server object: the handler runs from the event loop, after the socket's
    // signal has returned, and is dropped if the server is gone by then.
    QMetaObject::invokeMethod(
        m_server.get(),
        [this, message] {
            // The handler may destroy this server (the close message ends the program), so it
            // runs from a copy and nothing of the server is touched afterwards.
            const Handler handler = m_handler;
            try {
                handler(message);
            } catch (const std::exception& e) {
                qWarning("spoolar: errore nella gestione del messaggio %d: %s", message.id,
                         e.what());
            }
        },
        Qt::QueuedConnection);
}

} // namespace spoolar
