#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace spoolar {

// The four messages other programs send to the running instance. On Windows they were window
// messages to the main window; here they travel as one text line over a local socket of the
// user: "6025 HANDLE\n" or "6026\n", "6027\n", "32769\n".
enum WindowMessageId : int
{
    kSetCallerWindow = 6025, // carries the caller's window handle
    kPdfHoldOn = 6026,
    kPdfHoldOff = 6027,
    kCloseNow = 32769,
};

struct WindowMessage
{
    int id = 0;
    std::optional<std::uint64_t> handle; // only with kSetCallerWindow

    bool operator==(const WindowMessage&) const = default;
};

// Longest line a server accepts, newline included ("6025 " + 20 digits + "\n" fits).
inline constexpr std::size_t kMaxWindowMessageLine = 64;

// Whether `id` is one of the four messages.
bool isWindowMessageId(int id);

// "6025 123\n", "6027\n".
std::string formatWindowMessage(const WindowMessage& message);

// One line without its newline (a trailing '\r' is tolerated). Nothing for an unknown id, a
// 6025 without a handle, a handle on another message, or anything else that does not fit.
std::optional<WindowMessage> parseWindowMessage(std::string_view line);

// The words after "--send" on the command line: "6025 HANDLE", "6026", "6027" or "32769".
std::optional<WindowMessage> parseSendArguments(const std::vector<std::string>& words);

// Socket of the current user: "spoolar-<uid>" in the user's runtime folder.
std::string windowMessageSocketPath();

// Sends one message to the server at `socketPath`. False when no server listens there or the
// line could not be written within `timeout`.
bool sendWindowMessage(const WindowMessage& message, const std::string& socketPath,
                       std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
bool sendWindowMessage(const WindowMessage& message);

// Whether a server accepts connections at `socketPath` right now.
bool windowMessageServerAnswers(const std::string& socketPath);

// Receives the messages on the Qt event loop of the thread that creates it and hands each
// valid one to the handler, from the event loop (never from inside a socket's signal, so the
// handler may destroy the server). Malformed or oversized input is logged and dropped.
class WindowMessageServer
{
public:
    using Handler = std::function<void(const WindowMessage&)>;

    // Listens at `socketPath`. A socket left behind by an instance that ended without closing
    // it is taken over; a socket where a server still answers is not. Nothing, with the reason
    // in `error`, when listening is not possible.
    static std::unique_ptr<WindowMessageServer>
    listen(Handler handler, const std::string& socketPath, std::string* error = nullptr);
    static std::unique_ptr<WindowMessageServer> listen(Handler handler,
                                                       std::string* error = nullptr);

    ~WindowMessageServer();
    WindowMessageServer(const WindowMessageServer&) = delete;
    WindowMessageServer& operator=(const WindowMessageServer&) = delete;

    const std::string& socketPath() const { return m_socketPath; }

private:
    WindowMessageServer(Handler handler, std::string socketPath);
    void accept(QLocalSocket* socket);
    void deliver(const WindowMessage& message);

    Handler m_handler;
    std::string m_socketPath;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace spoolar
