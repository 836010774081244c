#include "platform/WindowMessages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace spoolar;

namespace {

struct ParseCase
{
    const char* line;
    std::optional<WindowMessage> expected;
};

TEST(WindowMessageLine, ParsesTheFourMessagesAndRejectsEverythingElse)
{
    const ParseCase cases[] = {
        {"6025 123", WindowMessage{6025, 123}},
        {"6025 18446744073709551615", WindowMessage{6025, 18446744073709551615ull}},
        {"6026", WindowMessage{6026, std::nullopt}},
        {"6027\r", WindowMessage{6027, std::nullopt}},
        {"32769", WindowMessage{32769, std::nullopt}},
        {"", std::nullopt},
        {"6025", std::nullopt},                      // handle missing
        {"6025 ", std::nullopt},                     // handle empty
        {"6025 12x", std::nullopt},                  // handle not a number
        {"6025 -1", std::nullopt},                   // no sign
        {"6025 18446744073709551616", std::nullopt}, // beyond 64 bits
        {"6025 1 2", std::nullopt},                  // one handle only
        {"6026 5", std::nullopt},                    // 6026 carries nothing
        {"6028", std::nullopt},                      // not one of ours
        {"0", std::nullopt},
        {"4294973321", std::nullopt}, // 6025 + 2^32 must not wrap onto 6025
        {" 6026", std::nullopt},
        {"hello", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseWindowMessage(c.line), c.expected) << '"' << c.line << '"';
}

TEST(WindowMessageLine, FormatsWhatItParses)
{
    EXPECT_EQ(formatWindowMessage({6025, 123}), "6025 123\n");
    EXPECT_EQ(formatWindowMessage({6027, std::nullopt}), "6027\n");
    for (const WindowMessage m : {WindowMessage{6025, 0}, WindowMessage{6026, std::nullopt},
                                  WindowMessage{32769, std::nullopt}}) {
        std::string line = formatWindowMessage(m);
        line.pop_back();
        EXPECT_EQ(parseWindowMessage(line), m);
    }
}

TEST(WindowMessageLine, SendArguments)
{
    using Words = std::vector<std::string>;
    EXPECT_EQ(parseSendArguments(Words{"6025", "77"}), (WindowMessage{6025, 77}));
    EXPECT_EQ(parseSendArguments(Words{"32769"}), (WindowMessage{32769, std::nullopt}));
    for (const Words& bad : {Words{}, Words{"6025"}, Words{"6026", "1"}, Words{"1234"},
                             Words{"6025", "1", "2"}, Words{"abc"}})
        EXPECT_FALSE(parseSendArguments(bad)) << bad.size();
}

// A server on a socket in a private temporary folder, with the messages it delivered.
class ServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath("spoolar-test").toStdString();
    }

    std::unique_ptr<WindowMessageServer> startServer()
    {
        std::string error;
        auto server = WindowMessageServer::listen(
            [this](const WindowMessage& m) {
                m_received.push_back(m);
                if (m_loop && m_received.size() >= m_wanted)
                    m_loop->quit();
            },
            m_path, &error);
        EXPECT_TRUE(server) << error;
        return server;
    }

    // Runs the event loop until `count` messages arrived or the time is up.
    bool waitForMessages(std::size_t count, int timeoutMs = 5000)
    {
        if (m_received.size() >= count)
            return true;
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        m_loop = &loop;
        m_wanted = count;
        loop.exec();
        m_loop = nullptr;
        return m_received.size() >= count;
    }

    // Gives the server time to handle whatever it was sent, without waiting for a message.
    void pump(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // A plain client that sends raw bytes; returns the socket (or -1).
    int rawConnect()
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval limit{2, 0}; // a read that would block fails the test instead
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    QTemporaryDir m_dir;
    std::string m_path;
    std::vector<WindowMessage> m_received;
    QEventLoop* m_loop = nullptr;
    std::size_t m_wanted = 0;
};

TEST_F(ServerTest, ReceivesEachMessageSentFromAnotherThread)
{
    auto server = startServer();
    ASSERT_TRUE(server);
    const std::vector<WindowMessage> sent = {
        {6025, 123}, {6026, std::nullopt}, {6027, std::nullopt}, {32769, std::nullopt}};
    std::vector<bool> results(sent.size());
    std::thread client([&] {
        for (std::size_t i = 0; i < sent.size(); ++i)
            results[i] = sendWindowMessage(sent[i], m_path);
    });
    const bool arrived = waitForMessages(sent.size());
    client.join();
    ASSERT_TRUE(arrived);
    EXPECT_EQ(results, std::vector<bool>(sent.size(), true));
    EXPECT_EQ(m_received, sent);
}

TEST_F(ServerTest, CommandLineSendReachesTheServer)
{
    // The command line finds the socket in the user's runtime folder.
    const QString runtime = m_dir.filePath("run");
    ASSERT_TRUE(QDir().mkpath(runtime));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_path = QDir(runtime).filePath(QStringLiteral("spoolar-%1").arg(::getuid())).toStdString();
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime);

    auto run = [&](const QStringList& args, QByteArray* err = nullptr) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(SPOOLAR_BINARY, args);
        if (!process.waitForFinished(10000))
            return -1;
        if (err)
            *err = process.readAllStandardError();
        return process.exitCode();
    };

    QByteArray err;
    EXPECT_EQ(run({"--send", "6027"}, &err), 1) << "nothing listens yet";
    EXPECT_TRUE(err.contains("non è in esecuzione")) << err.constData();
    EXPECT_EQ(run({"--send", "6025"}), 2);
    EXPECT_EQ(run({"--send", "6030"}), 2);
    EXPECT_EQ(run({"--send"}), 2);

    auto server = startServer();
    ASSERT_TRUE(server);
    EXPECT_EQ(run({"--send", "6025", "4242"}), 0);
    EXPECT_EQ(run({"--send", "32769"}), 0);
    ASSERT_TRUE(waitForMessages(2));
    EXPECT_EQ(m_received, (std::vector<WindowMessage>{{6025, 4242}, {32769, std::nullopt}}));
}

TEST_F(ServerTest, GarbageAndOversizedInputAreDroppedAndTheServerGoesOn)
{
    auto server = startServer();
    ASSERT_TRUE(server);

    // Invalid lines are skipped; the connection stays usable.
    const int garbage = rawConnect();
    ASSERT_GE(garbage, 0);
    const std::string lines = "hello\n6025\n6026 5\n\n6028\n\x01\xff\n";
    ASSERT_EQ(::write(garbage, lines.data(), lines.size()), ssize_t(lines.size()));

    // An overlong line, and a stream without any newline: the server closes those
    // connections instead of buffering them.
    for (const std::string& oversized : {std::string(200, '7') + "\n", std::string(4096, 'x')}) {
        const int fd = rawConnect();
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, oversized.data(), oversized.size()), ssize_t(oversized.size()));
        pump(200);
        char byte;
        errno = 0;
        const auto n = ::read(fd, &byte, 1); // end of stream, or reset: unread data was left
        EXPECT_TRUE(n == 0 || (n < 0 && errno == ECONNRESET)) << n << ' ' << errno;
        ::close(fd);
    }

    ASSERT_EQ(::write(garbage, "6026\n", 5), 5);
    ASSERT_TRUE(waitForMessages(1));
    ::close(garbage);
    EXPECT_TRUE(sendWindowMessage({6027, std::nullopt}, m_path));
    ASSERT_TRUE(waitForMessages(2));
    EXPECT_EQ(m_received, (std::vector<WindowMessage>{{6026, std::nullopt}, {6027, std::nullopt}}));
}

TEST_F(ServerTest, NothingIsDeliveredFromAnIncompleteLine)
{
    auto server = startServer();
    ASSERT_TRUE(server);
    const int fd = rawConnect();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "6025 12", 7), 7); // cut short: must not become handle 12
    ::close(fd);
    pump(200);
    EXPECT_TRUE(m_received.empty());
}

TEST_F(ServerTest, NoServerFailsQuickly)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(sendWindowMessage({6026, std::nullopt}, m_path));
    EXPECT_FALSE(sendWindowMessage({6026, std::nullopt}, "/nonexistent/folder/spoolar-0"));
    EXPECT_FALSE(sendWindowMessage({6026, std::nullopt}, std::string(200, 'a')));
    EXPECT_LT(timer.elapsed(), 1000);
    // Messages that are not ours are not sent at all.
    auto server = startServer();
    EXPECT_FALSE(sendWindowMessage({6030, std::nullopt}, m_path));
    EXPECT_FALSE(sendWindowMessage({6025, std::nullopt}, m_path));
    EXPECT_FALSE(sendWindowMessage({6026, 5}, m_path));
}

TEST_F(ServerTest, StaleSocketIsTakenOverButALiveServerIsNot)
{
    // A socket file nobody listens on, as a crashed instance leaves it.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_path.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    ASSERT_TRUE(std::filesystem::exists(m_path));
    EXPECT_FALSE(sendWindowMessage({6026, std::nullopt}, m_path));

    auto server = startServer();
    ASSERT_TRUE(server);
    EXPECT_TRUE(sendWindowMessage({6026, std::nullopt}, m_path));
    ASSERT_TRUE(waitForMessages(1));

    std::string error;
    EXPECT_FALSE(WindowMessageServer::listen([](const WindowMessage&) {}, m_path, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(sendWindowMessage({6027, std::nullopt}, m_path)) << "the first server still serves";
    ASSERT_TRUE(waitForMessages(2));

    server.reset();
    EXPECT_FALSE(std::filesystem::exists(m_path)) << "closing removes the socket";
}

TEST_F(ServerTest, APathThatIsNotASocketIsLeftAlone)
{
    std::ofstream(m_path) << "data";
    std::string error;
    EXPECT_FALSE(WindowMessageServer::listen([](const WindowMessage&) {}, m_path, &error));
    EXPECT_FALSE(error.empty());
    std::ifstream in(m_path);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "data");
}

TEST_F(ServerTest, HandlerMayDestroyTheServer)
{
    // The close message ends the program: its handler destroys the server while the
    // connection that carried it is still open and has more to read.
    QEventLoop loop;
    std::unique_ptr<WindowMessageServer> server;
    int handled = 0;
    server = WindowMessageServer::listen(
        [&](const WindowMessage& m) {
            ++handled;
            if (m.id == kCloseNow) {
                server.reset();
                loop.quit();
            }
        },
        m_path);
    ASSERT_TRUE(server);
    const int fd = rawConnect();
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "32769\n6026\n", 11), 11);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(server);
    pump(50);
    ::close(fd);
    EXPECT_EQ(handled, 1) << "nothing is delivered once the server is gone";
}

TEST(WindowMessageSocket, IsPerUserInTheRuntimeFolder)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    const std::string path = windowMessageSocketPath();
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
    EXPECT_EQ(path, dir.filePath(QStringLiteral("spoolar-%1").arg(::getuid())).toStdString());
}

} // namespace
