// spoolar --headless as a process: how it ends (window message, SIGTERM after the job in
// progress), that a second instance gives way, and that killing it in the middle of a job
// loses nothing. The tests wait for the lines the program logs, never for a fixed time.
#include "support/EngineFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace spoolar::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;

constexpr auto kPatience = std::chrono::seconds(120);

// A child process of the spoolar executable with its standard error read line by line.
class SpoolarProcess
{
public:
    SpoolarProcess(const std::vector<std::string>& args, const std::vector<std::string>& env)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(fds[1], STDERR_FILENO);
            for (const std::string& e : env)
                ::putenv(const_cast<char*>(e.c_str()));
            std::vector<char*> argv{const_cast<char*>(SPOOLAR_BINARY)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(SPOOLAR_BINARY, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        m_err = fds[0];
    }
    ~SpoolarProcess()
    {
        if (m_pid > 0 && !m_exit) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_err >= 0)
            ::close(m_err);
    }

    // Reads standard error until a line holds `text`; false at the end of output or time.
    bool waitFor(const std::string& text)
    {
        const auto deadline = Clock::now() + kPatience;
        std::size_t searched = 0;
        while (true) {
            if (m_log.find(text, searched) != std::string::npos)
                return true;
            searched = m_log.size() > text.size() ? m_log.size() - text.size() : 0;
            if (!readSome(deadline))
                return false;
        }
    }
    void signal(int sig) const { ::kill(m_pid, sig); }
    // Waits for the process to end (reading the rest of its output); its exit code.
    int wait()
    {
        const auto deadline = Clock::now() + kPatience;
        while (readSome(deadline)) {
        }
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return *m_exit;
    }
    const std::string& log() const { return m_log; }

private:
    bool readSome(Clock::time_point deadline)
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{m_err, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(m_err, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_log.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_err = -1;
    std::string m_log;
    std::optional<int> m_exit;
};

std::string settingsLine(std::string title)
{
    title.resize(8, ' ');
    std::string printer = "PDF Embedded";
    printer.resize(59, ' ');
    return title + printer + " 1PG\r\n";
}

// A job long enough that it is still running when the test acts on its first log line.
std::string longJob(int pages)
{
    std::string job;
    for (int p = 0; p < pages; ++p) {
        for (int l = 0; l < 60; ++l)
            job += "Riga " + std::to_string(l) + " della pagina " + std::to_string(p + 1) +
                   "      Articolo di magazzino        12,50\r\n";
        job += "\x0C";
    }
    return job;
}

class HeadlessTest : public ::testing::Test
{
protected:
    HeadlessTest() : m_root(makeTempDir("headless"))
    {
        fs::create_directories(spool());
        fs::create_directories(m_root / "home");
        fs::create_directories(m_root / "run");
        ::chmod((m_root / "run").c_str(), 0700);
    }
    ~HeadlessTest() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    std::vector<std::string> environment() const
    {
        return {"SPOOLAR_DRIVE_C=" + (m_root / "drive_c").string(),
                "SPOOLAR_HOME=" + (m_root / "home").string(),
                "XDG_RUNTIME_DIR=" + (m_root / "run").string(),
                // No CUPS here: the printer table is the PDF target only.
                "CUPS_SERVER=" + (m_root / "no-cups.sock").string(), "QT_QPA_PLATFORM=offscreen"};
    }
    std::unique_ptr<SpoolarProcess> startHeadless() const
    {
        return std::make_unique<SpoolarProcess>(
            std::vector<std::string>{"--headless", "--control-codes",
                                     std::string(SPOOLAR_FIXTURES) + "/PRNCONTR.COD"},
            environment());
    }
    int send(const std::string& message) const
    {
        SpoolarProcess sender({"--send", message}, environment());
        return sender.wait();
    }
    void addJob(const std::string& id, const std::string& title, const std::string& data) const
    {
        std::ofstream(spool() / ("SPL" + id + ".TMP"), std::ios::binary) << data;
        std::ofstream(spool() / ("SPO" + id + ".TMP"), std::ios::binary) << settingsLine(title);
    }
    fs::path spool() const { return m_root / "drive_c" / "SPOOL"; }
    bool jobWaiting(const std::string& id) const
    {
        return fs::exists(spool() / ("SPO" + id + ".TMP")) &&
               fs::exists(spool() / ("SPL" + id + ".TMP"));
    }
    // Complete PDFs of the title; a half-written one never carries the final name.
    std::vector<fs::path> finishedPdfs(const std::string& title) const
    {
        std::vector<fs::path> found;
        if (!fs::exists(spool() / "PDF"))
            return found;
        for (const auto& e : fs::directory_iterator(spool() / "PDF")) {
            const std::string name = e.path().filename().string();
            if (name.starts_with(title + "_") && name.ends_with(".pdf"))
                found.push_back(e.path());
        }
        return found;
    }
    static int pageCount(const fs::path& pdf)
    {
        const std::string info = capture("pdfinfo " + quoted(pdf) + " 2>/dev/null");
        const auto at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }

    fs::path m_root;
};

TEST_F(HeadlessTest, RunsJobsGivesWayToNoSecondInstanceAndEndsOnMessage)
{
    auto spoolar = startHeadless();
    ASSERT_TRUE(spoolar->waitFor("in attesa di lavori")) << spoolar->log();

    auto second = startHeadless();
    EXPECT_EQ(second->wait(), 0);
    EXPECT_THAT(second->log(), HasSubstr("già in esecuzione"));

    addJob("1", "FATTURA", "Fattura n. 1\r\nTotale 100,00\r\n");
    ASSERT_TRUE(spoolar->waitFor("Stampa FATTURA - Terminata")) << spoolar->log();
    EXPECT_FALSE(jobWaiting("1"));
    ASSERT_EQ(finishedPdfs("FATTURA").size(), 1u);

    EXPECT_EQ(send("32769"), 0);
    EXPECT_EQ(spoolar->wait(), 0) << spoolar->log();
    // Nobody listens any more.
    EXPECT_NE(send("32769"), 0);
}

TEST_F(HeadlessTest, TerminationSignalEndsAfterTheJobInProgress)
{
    addJob("1", "LUNGO", longJob(150));
    auto spoolar = startHeadless();
    ASSERT_TRUE(spoolar->waitFor("Stampa LUNGO - In corso")) << spoolar->log();
    spoolar->signal(SIGTERM);
    EXPECT_EQ(spoolar->wait(), 0) << spoolar->log();
    EXPECT_THAT(spoolar->log(), HasSubstr("Stampa LUNGO - Terminata"));
    EXPECT_FALSE(jobWaiting("1"));
    const auto pdfs = finishedPdfs("LUNGO");
    ASSERT_EQ(pdfs.size(), 1u);
    EXPECT_EQ(pageCount(pdfs[0]), 150);
}

TEST_F(HeadlessTest, KillingTheProcessInTheMiddleOfAJobLosesNothing)
{
    addJob("1", "LUNGO", longJob(150));
    {
        auto spoolar = startHeadless();
        ASSERT_TRUE(spoolar->waitFor("Stampa LUNGO - In corso")) << spoolar->log();
        spoolar->signal(SIGKILL);
        spoolar->wait();
    }
    // Either the job still waits, or its PDF is complete; never a job gone without output.
    const auto pdfs = finishedPdfs("LUNGO");
    if (!jobWaiting("1")) {
        ASSERT_EQ(pdfs.size(), 1u);
        EXPECT_EQ(pageCount(pdfs[0]), 150);
        return;
    }
    for (const fs::path& pdf : pdfs)
        EXPECT_EQ(pageCount(pdf), 150) << pdf;

    // The next run finishes the job.
    auto spoolar = startHeadless();
    ASSERT_TRUE(spoolar->waitFor("Stampa LUNGO - Terminata")) << spoolar->log();
    EXPECT_FALSE(jobWaiting("1"));
    bool complete = false;
    for (const fs::path& pdf : finishedPdfs("LUNGO"))
        complete = complete || pageCount(pdf) == 150;
    EXPECT_TRUE(complete);
    spoolar->signal(SIGINT);
    EXPECT_EQ(spoolar->wait(), 0);
}

} // namespace
} // namespace spoolar::test
