#pragma once
// A private CUPS scheduler for tests: cupsd runs in the foreground as root with its whole
// configuration, spool, cache, state and logs under a temporary folder, listens on a socket file
// only, and lets queues print into files (FileDevice). While it lives, CUPS_SERVER points this
// process (libcups, Qt, lpadmin, lpstat) at it; the previous value comes back afterwards.
//
//     static std::unique_ptr<CupsServer> server = CupsServer::start();
//     if (!server->running()) GTEST_SKIP() << server->skipReason();
//     server->addQueue("PDF", CupsServer::Queue::Pdf);
#include <cups/cups.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace spoolar::test {

class CupsServer
{
public:
    enum class Queue
    {
        PostScript, // sample generic PostScript driver: the file gets PostScript
        Pdf,        // cups-filters' generic PDF printer: the file gets PDF
        Text,       // "Generic / Text Only": the file gets the job's bytes unchanged
        NoPpd,      // a queue without PPD (raw): cupsd accepts jobs but writes nothing to a file
    };

    struct CommandResult
    {
        int exitCode = -1;  // -1: could not run, or killed after the time limit
        std::string output; // stdout and stderr together
    };

    using Clock = std::chrono::steady_clock;

    // Starts a scheduler and waits (at most about ten seconds) until it answers. Check
    // running(): when it is not, skipReason() says why (not root, no cupsd, start failed).
    static std::unique_ptr<CupsServer> start()
    {
        std::unique_ptr<CupsServer> server(new CupsServer);
        server->launch();
        return server;
    }

    ~CupsServer()
    {
        stop();
        if (!m_dir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_dir, ignored);
        }
    }

    CupsServer(const CupsServer&) = delete;
    CupsServer& operator=(const CupsServer&) = delete;

    bool running() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }
    // What the last lpadmin/cupsenable/... printed, to explain a failure.
    const std::string& lastOutput() const { return m_lastOutput; }
    const std::string& skipReason() const { return m_reason; }
    const std::string& dir() const { return m_dir; }
    std::string socketPath() const { return m_dir + "/cups.sock"; }
    std::string errorLog() const { return readFile(m_dir + "/log/error_log"); }
    std::string pageLog() const { return readFile(m_dir + "/log/page_log"); }

    // The file a queue added here prints into (each job replaces it).
    std::string outputPath(const std::string& queue) const
    {
        return m_dir + "/out/" + queue + ".out";
    }
    std::string output(const std::string& queue) const { return readFile(outputPath(queue)); }

    // Adds an enabled queue that accepts jobs, printing into outputPath(name). An empty
    // comment leaves printer-info as cupsd sets it (the queue's name).
    bool addQueue(const std::string& name, Queue kind, const std::string& comment = {})
    {
        std::vector<std::string> args = {"lpadmin", "-p", name,
                                         "-E",      "-v", "file://" + outputPath(name)};
        switch (kind) {
        case Queue::PostScript:
            args.insert(args.end(), {"-m", "drv:///sample.drv/generic.ppd"});
            break;
        case Queue::Pdf:
            args.insert(args.end(), {"-m", "lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd"});
            break;
        case Queue::Text:
            args.insert(args.end(), {"-P", textOnlyPpd()});
            break;
        case Queue::NoPpd:
            break;
        }
        if (!comment.empty())
            args.insert(args.end(), {"-D", comment});
        return lp(args);
    }
    // Adds an enabled queue with the given PPD text, printing into outputPath(name).
    bool addQueueWithPpd(const std::string& name, const std::string& ppdText)
    {
        const std::string ppd = m_dir + "/" + name + ".ppd";
        return writeFile(ppd, ppdText) &&
               lp({"lpadmin", "-p", name, "-E", "-v", "file://" + outputPath(name), "-P", ppd});
    }
    bool removeQueue(const std::string& name) { return lp({"lpadmin", "-x", name}); }
    bool setDefault(const std::string& name) { return lp({"lpadmin", "-d", name}); }
    bool enable(const std::string& name)
    {
        return lp({"cupsenable", name}) && lp({"cupsaccept", name});
    }
    bool reject(const std::string& name) { return lp({"cupsreject", name}); }

    // Waits until no job is pending or processing; false after the time limit.
    bool waitForJobs(std::chrono::milliseconds limit = std::chrono::seconds(30)) const
    {
        const auto deadline = Clock::now() + limit;
        do {
            cups_job_t* jobs = nullptr;
            const int count =
                cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, nullptr, 0, CUPS_WHICHJOBS_ACTIVE);
            cupsFreeJobs(count, jobs);
            if (count == 0 && cupsLastError() <= IPP_STATUS_OK_CONFLICTING)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (Clock::now() < deadline);
        return false;
    }

    // Runs a program (searched on PATH) with this process's environment, so CUPS_SERVER
    // points at this scheduler. Killed after the time limit.
    static CommandResult run(const std::vector<std::string>& args,
                             std::chrono::milliseconds limit = std::chrono::seconds(30))
    {
        CommandResult result;
        int fds[2];
        if (args.empty() || pipe2(fds, O_CLOEXEC) != 0)
            return result;
        const pid_t pid = fork();
        if (pid < 0) {
            close(fds[0]);
            close(fds[1]);
            return result;
        }
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            dup2(fds[1], STDERR_FILENO);
            std::vector<char*> argv;
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        const auto deadline = Clock::now() + limit;
        bool killed = false;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                kill(pid, SIGKILL);
                killed = true;
                break;
            }
            pollfd pfd{fds[0], POLLIN, 0};
            if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            result.output.append(buffer, static_cast<std::size_t>(n));
        }
        close(fds[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!killed && WIFEXITED(status))
            result.exitCode = WEXITSTATUS(status);
        return result;
    }

    static std::string readFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // A queue that hands the job's bytes to its device unchanged, named as the Windows
    // generic text driver is.
    static std::string textOnlyPpdText()
    {
        return "*PPD-Adobe: \"4.3\"\n"
               "*FormatVersion: \"4.3\"\n"
               "*FileVersion: \"1.0\"\n"
               "*LanguageVersion: English\n"
               "*LanguageEncoding: ISOLatin1\n"
               "*PCFileName: \"TEXTONLY.PPD\"\n"
               "*Manufacturer: \"Generic\"\n"
               "*Product: \"(Generic)\"\n"
               "*ModelName: \"Generic / Text Only\"\n"
               "*ShortNickName: \"Generic / Text Only\"\n"
               "*NickName: \"Generic / Text Only\"\n"
               "*PSVersion: \"(3010.000) 0\"\n"
               "*ColorDevice: False\n"
               "*DefaultColorSpace: Gray\n"
               "*FileSystem: False\n"
               "*LandscapeOrientation: Plus90\n"
               "*TTRasterizer: Type42\n"
               "*cupsFilter: \"application/vnd.cups-raw 0 gziptoany\"\n"
               "*OpenUI *PageSize/Page Size: PickOne\n"
               "*DefaultPageSize: A4\n"
               "*PageSize A4/A4: \"\"\n"
               "*CloseUI: *PageSize\n"
               "*DefaultImageableArea: A4\n"
               "*ImageableArea A4: \"0 0 595 842\"\n"
               "*DefaultPaperDimension: A4\n"
               "*PaperDimension A4: \"595 842\"\n";
    }

private:
    CupsServer() = default;

    static bool writeFile(const std::string& path, const std::string& text)
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
        return static_cast<bool>(out);
    }

    bool lp(const std::vector<std::string>& args)
    {
        if (!running())
            return false;
        const CommandResult r = run(args);
        m_lastOutput = r.output;
        return r.exitCode == 0;
    }

    std::string textOnlyPpd() const { return m_dir + "/textonly.ppd"; }

    void launch()
    {
        if (geteuid() != 0) {
            m_reason = "a private cupsd needs root (the scheduler runs its filters as lp)";
            return;
        }
        const char* cupsd = "/usr/sbin/cupsd";
        if (access(cupsd, X_OK) != 0) {
            m_reason = "cupsd is not installed (package cups)";
            return;
        }
        // Short: the socket path of a unix socket has room for about 107 bytes.
        char pattern[] = "/tmp/cupsXXXXXX";
        if (!mkdtemp(pattern)) {
            m_reason = std::string("no temporary folder: ") + std::strerror(errno);
            return;
        }
        m_dir = pattern;
        // Filters run as the lp user and must reach the spool below this folder.
        chmod(m_dir.c_str(), 0755);
        for (const char* sub :
             {"/root", "/spool", "/spool/tmp", "/cache", "/state", "/log", "/out", "/ssl"})
            mkdir((m_dir + sub).c_str(), 0755);

        const bool written = writeFile(m_dir + "/cupsd.conf", cupsdConf()) &&
                             writeFile(m_dir + "/cups-files.conf", cupsFilesConf()) &&
                             writeFile(textOnlyPpd(), textOnlyPpdText());
        if (!written) {
            m_reason = "cannot write the configuration under " + m_dir;
            return;
        }

        const pid_t pid = fork();
        if (pid < 0) {
            m_reason = "fork failed";
            return;
        }
        if (pid == 0) {
            const int null = open("/dev/null", O_RDWR);
            if (null >= 0) {
                dup2(null, STDIN_FILENO);
                dup2(null, STDOUT_FILENO);
            }
            const std::string conf = m_dir + "/cupsd.conf";
            const std::string files = m_dir + "/cups-files.conf";
            execl(cupsd, cupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        m_pid = pid;

        if (!waitUntilAnswering(std::chrono::seconds(10))) {
            stop();
            m_reason = "the private cupsd did not start; its log:\n" + errorLog();
            return;
        }
        if (const char* previous = std::getenv("CUPS_SERVER"))
            m_previousServer = previous;
        setenv("CUPS_SERVER", socketPath().c_str(), 1);
        m_serverSet = true;
        // libcups keeps the server it read first; make it read the environment again.
        cupsSetServer(nullptr);
    }

    bool waitUntilAnswering(std::chrono::milliseconds limit)
    {
        const std::string path = socketPath();
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return false;
            }
            const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (fd >= 0) {
                sockaddr_un addr{};
                addr.sun_family = AF_UNIX;
                std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
                const bool connected =
                    connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
                close(fd);
                if (connected)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    void stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            const auto deadline = Clock::now() + std::chrono::seconds(5);
            int status = 0;
            while (waitpid(m_pid, &status, WNOHANG) == 0) {
                if (Clock::now() > deadline) {
                    kill(m_pid, SIGKILL);
                    waitpid(m_pid, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            m_pid = -1;
        }
        if (m_serverSet) {
            m_serverSet = false;
            if (m_previousServer)
                setenv("CUPS_SERVER", m_previousServer->c_str(), 1);
            else
                unsetenv("CUPS_SERVER");
            cupsSetServer(nullptr);
        }
    }

    std::string cupsdConf() const
    {
        // The access rules of Debian's default configuration: anyone may print, only the
        // system group (root here) may administer printers; over the socket file the user is
        // known from the peer credentials.
        std::ostringstream c;
        c << "LogLevel info\n"
             "Listen "
          << socketPath()
          << "\n"
             "Browsing No\n"
             "WebInterface No\n"
             "DefaultAuthType Basic\n"
             "ErrorPolicy abort-job\n"
             "PreserveJobHistory Yes\n"
             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
             "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
             "<Policy default>\n"
             "  JobPrivateAccess default\n"
             "  JobPrivateValues default\n"
             "  <Limit Create-Job Print-Job Print-URI Validate-Job>\n"
             "    Order deny,allow\n"
             "  </Limit>\n"
             "  <Limit Send-Document Send-URI Hold-Job Release-Job Restart-Job Purge-Jobs "
             "Set-Job-Attributes Cancel-My-Jobs Close-Job CUPS-Move-Job CUPS-Get-Document>\n"
             "    Require user @OWNER @SYSTEM\n"
             "    Order deny,allow\n"
             "  </Limit>\n"
             "  <Limit CUPS-Add-Modify-Printer CUPS-Delete-Printer CUPS-Add-Modify-Class "
             "CUPS-Delete-Class CUPS-Set-Default CUPS-Get-Devices Pause-Printer Resume-Printer "
             "Enable-Printer Disable-Printer CUPS-Accept-Jobs CUPS-Reject-Jobs Cancel-Jobs>\n"
             "    AuthType Default\n"
             "    Require user @SYSTEM\n"
             "    Order deny,allow\n"
             "  </Limit>\n"
             "  <Limit Cancel-Job CUPS-Authenticate-Job>\n"
             "    Require user @OWNER @SYSTEM\n"
             "    Order deny,allow\n"
             "  </Limit>\n"
             "  <Limit All>\n"
             "    Order deny,allow\n"
             "  </Limit>\n"
             "</Policy>\n";
        return c.str();
    }

    std::string cupsFilesConf() const
    {
        std::ostringstream c;
        c << "ServerRoot " << m_dir << "/root\n"
          << "RequestRoot " << m_dir << "/spool\n"
          << "TempDir " << m_dir << "/spool/tmp\n"
          << "CacheDir " << m_dir << "/cache\n"
          << "StateDir " << m_dir << "/state\n"
          << "ServerKeychain " << m_dir << "/ssl\n"
          << "ErrorLog " << m_dir << "/log/error_log\n"
          << "AccessLog " << m_dir << "/log/access_log\n"
          << "PageLog " << m_dir << "/log/page_log\n"
          << "Printcap " << m_dir << "/printcap\n"
          << "CreateSelfSignedCerts no\n"
             "FileDevice Yes\n"
             "SystemGroup root\n"
             "PeerCred on\n";
        return c.str();
    }

    std::string m_dir;
    pid_t m_pid = -1;
    std::string m_reason;
    std::optional<std::string> m_previousServer;
    bool m_serverSet = false;
    std::string m_lastOutput;
};

} // namespace spoolar::test
