#pragma once
// A private FTP server for tests: vsftpd in the foreground on 127.0.0.1 at a free port, with its
// configuration, a self-signed certificate (made by openssl for 127.0.0.1 and localhost) and
// the served files under a temporary folder. It runs as the user that starts it
// (run_as_launching_user), so it needs neither root nor system users: logins are anonymous
// ("anonymous", any password), allowed to download, upload and delete in folder(). With
// Tls::Required the login must be protected by TLS (plain clients get 530), data connections may
// be clear; with Tls::Off the server speaks plain FTP only. Every FTP command it receives is
// written to protocolLog().
//
//     auto server = FtpsServer::start();
//     if (!server->running()) GTEST_SKIP() << server->skipReason();
//     server->put("SPO1.TMP", "...");
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace spoolar::test {

class FtpsServer
{
public:
    enum class Tls
    {
        Required,
        Off
    };
    enum class Deletion
    {
        Allowed,
        Refused // DELE answers 550, everything else works
    };
    struct Options
    {
        Tls tls = Tls::Required;
        Deletion deletion = Deletion::Allowed;
        std::uint16_t port = 0; // 0: a free port
    };

    using Clock = std::chrono::steady_clock;

    static std::unique_ptr<FtpsServer> start() { return start(Options{}); }
    static std::unique_ptr<FtpsServer> start(Options options)
    {
        std::unique_ptr<FtpsServer> server(new FtpsServer(options));
        server->launch();
        return server;
    }

    ~FtpsServer()
    {
        stop();
        if (!m_dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
        }
    }
    FtpsServer(const FtpsServer&) = delete;
    FtpsServer& operator=(const FtpsServer&) = delete;

    bool running() const { return m_pid > 0; }
    const std::string& skipReason() const { return m_reason; }
    std::uint16_t port() const { return m_options.port; }
    // The server's certificate, to be trusted as the CA of its own TLS.
    std::string certificate() const { return m_dir + "/cert.pem"; }
    // The folder the tests work in, as FTP names it after login, and on disk.
    static constexpr const char* ftpFolder = "spool";
    std::filesystem::path folder() const { return m_dir + "/root/spool"; }
    std::string protocolLog() const { return readFile(m_dir + "/vsftpd.log"); }

    bool put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(folder() / name, std::ios::binary);
        out << bytes;
        return static_cast<bool>(out);
    }
    std::string read(const std::string& name) const { return readFile(folder() / name); }
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder(), ec))
            result.push_back(entry.path().filename().string());
        std::sort(result.begin(), result.end());
        return result;
    }

    // A port on 127.0.0.1 where nothing listens (it was free a moment ago).
    static std::uint16_t freePort()
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return 0;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof addr;
        std::uint16_t port = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
            port = ntohs(addr.sin_port);
        close(fd);
        return port;
    }

    static std::string readFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    explicit FtpsServer(Options options) : m_options(options) {}

    static bool writeFile(const std::string& path, const std::string& text)
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
        return static_cast<bool>(out);
    }

    // Runs a program with its output thrown away; true when it exits with 0.
    static bool runQuietly(const std::vector<std::string>& args)
    {
        const pid_t pid = fork();
        if (pid < 0)
            return false;
        if (pid == 0) {
            const int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
                dup2(null, STDERR_FILENO);
            }
            std::vector<char*> argv;
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    void launch()
    {
        const char* vsftpd = "/usr/sbin/vsftpd";
        if (access(vsftpd, X_OK) != 0) {
            m_reason = "vsftpd is not installed (package vsftpd)";
            return;
        }
        char pattern[] = "/tmp/ftpsXXXXXX";
        if (!mkdtemp(pattern)) {
            m_reason = "no temporary folder";
            return;
        }
        m_dir = pattern;
        for (const char* sub : {"/root", "/root/spool", "/empty"})
            mkdir((m_dir + sub).c_str(), 0755);

        if (m_options.tls == Tls::Required &&
            !runQuietly({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                         "-subj", "/CN=localhost", "-addext",
                         "subjectAltName=IP:127.0.0.1,DNS:localhost", "-keyout", m_dir + "/key.pem",
                         "-out", certificate()})) {
            m_reason = "openssl could not make a self-signed certificate (package openssl)";
            return;
        }
        if (m_options.port == 0)
            m_options.port = freePort();
        if (!writeFile(m_dir + "/vsftpd.conf", configuration())) {
            m_reason = "cannot write the configuration under " + m_dir;
            return;
        }

        const pid_t pid = fork();
        if (pid < 0) {
            m_reason = "fork failed";
            return;
        }
        if (pid == 0) {
            // Its own process group: stop() ends the listener and every session it forked.
            setpgid(0, 0);
            const int null = open("/dev/null", O_RDWR);
            const int err = open((m_dir + "/stderr.txt").c_str(),
                                 O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
            }
            if (err >= 0)
                dup2(err, STDERR_FILENO);
            const std::string conf = m_dir + "/vsftpd.conf";
            execl(vsftpd, vsftpd, conf.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        setpgid(pid, pid);
        m_pid = pid;
        if (!waitForGreeting(std::chrono::seconds(10))) {
            stop();
            m_reason = "vsftpd did not start on port " + std::to_string(m_options.port) + ": " +
                       readFile(m_dir + "/stderr.txt");
        }
    }

    std::string configuration() const
    {
        std::ostringstream c;
        c << "listen=YES\n"
             "listen_address=127.0.0.1\n"
             "listen_port="
          << m_options.port
          << "\n"
             "background=NO\n"
             "run_as_launching_user=YES\n"
             "seccomp_sandbox=NO\n"
             "secure_chroot_dir="
          << m_dir
          << "/empty\n"
             "anonymous_enable=YES\n"
             "local_enable=NO\n"
             "anon_root="
          << m_dir
          << "/root\n"
             "write_enable=YES\n"
             "anon_upload_enable=YES\n"
             "anon_other_write_enable="
          << (m_options.deletion == Deletion::Allowed ? "YES" : "NO")
          << "\n"
             "anon_umask=022\n"
             "pasv_enable=YES\n"
             "port_enable=YES\n"
             "connect_from_port_20=NO\n"
             "log_ftp_protocol=YES\n"
             "xferlog_enable=YES\n"
             "xferlog_std_format=NO\n"
             "vsftpd_log_file="
          << m_dir << "/vsftpd.log\n";
        if (m_options.tls == Tls::Required)
            c << "ssl_enable=YES\n"
                 "allow_anon_ssl=YES\n"
                 "force_anon_logins_ssl=YES\n"
                 "force_anon_data_ssl=NO\n"
                 "require_ssl_reuse=NO\n"
                 "rsa_cert_file="
              << certificate()
              << "\n"
                 "rsa_private_key_file="
              << m_dir << "/key.pem\n";
        else
            c << "ssl_enable=NO\n";
        return c.str();
    }

    // Waits until the server sends its "220" greeting on a connection.
    bool waitForGreeting(std::chrono::milliseconds limit)
    {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd >= 0) {
                sockaddr_in addr{};
                addr.sin_family = AF_INET;
                addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                addr.sin_port = htons(m_options.port);
                bool greeted = false;
                if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
                    pollfd pfd{fd, POLLIN, 0};
                    char buffer[64] = {};
                    greeted = poll(&pfd, 1, 2000) > 0 && recv(fd, buffer, 3, 0) == 3 &&
                              std::string(buffer, 3) == "220";
                }
                close(fd);
                if (greeted)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void stop()
    {
        if (m_pid <= 0)
            return;
        kill(-m_pid, SIGTERM);
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(-m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        m_pid = -1;
    }

    Options m_options;
    std::string m_dir;
    std::string m_reason;
    pid_t m_pid = -1;
};

} // namespace spoolar::test
