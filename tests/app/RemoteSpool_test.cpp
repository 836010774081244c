// The remote spool step against a private vsftpd on 127.0.0.1 (explicit TLS, self-signed
// certificate), fetching into a C: drive under a temporary folder.
#include "app/RemoteSpool.h"
#include "support/FtpsServer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace spoolar {
namespace {

using test::FtpsServer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

namespace fs = std::filesystem;

std::string bytesOf(int seed, std::size_t size)
{
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>((i * 31 + static_cast<std::size_t>(seed)) % 256));
    return bytes;
}

class RemoteSpoolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() /
                 ("remotespool-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "home");
    }
    void TearDown() override { fs::remove_all(m_root); }

    PathMapper paths() const { return PathMapper(m_root / "drive_c", m_root / "home"); }
    fs::path spool() const { return m_root / "drive_c" / "SPOOL"; }

    // Every entry of C:\SPOOL, hidden ones included.
    std::vector<std::string> spoolEntries() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(spool(), ec))
            names.push_back(e.path().filename().string());
        return names;
    }

    static RemoteSpoolConfig configFor(std::uint16_t port)
    {
        RemoteSpoolConfig c;
        c.host = "127.0.0.1";
        c.port = port;
        c.user = "anonymous";
        c.password = "spoolar@localhost";
        c.folder = FtpsServer::ftpFolder;
        return c;
    }
    static RemoteSpoolConfig configFor(const FtpsServer& server)
    {
        RemoteSpoolConfig c = configFor(server.port());
        c.caFile = server.certificate();
        return c;
    }

    fs::path m_root;
};

TEST_F(RemoteSpoolTest, JobArrivesByteIdenticalAndLeavesTheServer)
{
    auto server = FtpsServer::start();
    if (!server->running())
        GTEST_SKIP() << server->skipReason();
    struct Case
    {
        const char* what;
        bool withCover;
    };
    for (const Case c : {Case{"with cover", true}, Case{"without cover", false}}) {
        SCOPED_TRACE(c.what);
        const std::string settings = "FATTURA PDF Embedded" + std::string(51, ' ') + "1PG\r\n";
        const std::string data = bytesOf(1, 150000) + "\x1b@\r\n\x0c";
        const std::string cover = "[Fields]\r\nA=1\r\n";
        ASSERT_TRUE(server->put("SPL0042.TMP", data));
        if (c.withCover) {
            ASSERT_TRUE(server->put("SPC0042.TMP", cover));
        }
        ASSERT_TRUE(server->put("SPO0042.TMP", settings));

        RemoteSpool remote(configFor(*server), paths());
        int listed = 0;
        const RemoteSpoolResult result = remote.tick([&] { ++listed; });
        ASSERT_EQ(result.outcome, RemoteSpoolOutcome::Fetched) << result.message;
        EXPECT_EQ(result.job, "SPO0042.TMP");
        EXPECT_EQ(listed, 1);

        if (c.withCover) {
            EXPECT_THAT(spoolEntries(),
                        UnorderedElementsAre("SPO0042.TMP", "SPL0042.TMP", "SPC0042.TMP"));
            EXPECT_EQ(FtpsServer::readFile(spool() / "SPC0042.TMP"), cover);
        } else {
            EXPECT_THAT(spoolEntries(), UnorderedElementsAre("SPO0042.TMP", "SPL0042.TMP"));
        }
        EXPECT_EQ(FtpsServer::readFile(spool() / "SPO0042.TMP"), settings);
        EXPECT_EQ(FtpsServer::readFile(spool() / "SPL0042.TMP"), data);
        EXPECT_THAT(server->names(), IsEmpty());
        // The job is an ordinary waiting job for the local poller.
        EXPECT_EQ(paths().list("C:\\SPOOL", "SPO*.TMP").size(), 1u);

        EXPECT_EQ(remote.tick().outcome, RemoteSpoolOutcome::NoJob);
        fs::remove_all(spool());
    }
}

TEST_F(RemoteSpoolTest, TakesTheFirstJobThatIsCompleteAndFreeLocally)
{
    auto server = FtpsServer::start();
    if (!server->running())
        GTEST_SKIP() << server->skipReason();
    ASSERT_TRUE(server->put("SPO.TMP", "no identifier"));
    ASSERT_TRUE(server->put("SPO7.TMP", "data file not uploaded yet"));
    ASSERT_TRUE(server->put("SPO8.TMP", "remote 8"));
    ASSERT_TRUE(server->put("SPL8.TMP", "remote data 8"));
    // A producer on a case-sensitive server wrote lower case names.
    ASSERT_TRUE(server->put("spo9.tmp", "remote 9"));
    ASSERT_TRUE(server->put("spl9.tmp", "remote data 9"));
    // Job 8 of a local producer is waiting: the remote one must not replace it.
    fs::create_directories(spool());
    std::ofstream(spool() / "spo8.tmp") << "local 8";

    RemoteSpool remote(configFor(*server), paths());
    const RemoteSpoolResult result = remote.tick();
    ASSERT_EQ(result.outcome, RemoteSpoolOutcome::Fetched) << result.message;
    EXPECT_EQ(result.job, "spo9.tmp");
    EXPECT_THAT(spoolEntries(), UnorderedElementsAre("spo8.tmp", "spo9.tmp", "spl9.tmp"));
    EXPECT_EQ(FtpsServer::readFile(spool() / "spo8.tmp"), "local 8");
    EXPECT_EQ(FtpsServer::readFile(spool() / "spl9.tmp"), "remote data 9");
    EXPECT_THAT(server->names(), ElementsAre("SPL8.TMP", "SPO.TMP", "SPO7.TMP", "SPO8.TMP"));

    EXPECT_EQ(remote.tick().outcome, RemoteSpoolOutcome::NoJob);
}

TEST_F(RemoteSpoolTest, JobThatCannotBeTakenOffTheServerLeavesNothingLocally)
{
    auto server = FtpsServer::start({.deletion = FtpsServer::Deletion::Refused});
    if (!server->running())
        GTEST_SKIP() << server->skipReason();
    ASSERT_TRUE(server->put("SPO1.TMP", "settings"));
    ASSERT_TRUE(server->put("SPL1.TMP", "data"));
    ASSERT_TRUE(server->put("SPC1.TMP", "cover"));

    RemoteSpool remote(configFor(*server), paths());
    const RemoteSpoolResult result = remote.tick();
    EXPECT_EQ(result.outcome, RemoteSpoolOutcome::Failed);
    EXPECT_EQ(result.job, "SPO1.TMP");
    EXPECT_THAT(result.message, HasSubstr("SPO1.TMP"));
    // Printing it here would print it again once the server lets it go.
    EXPECT_THAT(spoolEntries(), IsEmpty());
    EXPECT_THAT(server->names(), ElementsAre("SPC1.TMP", "SPL1.TMP", "SPO1.TMP"));
}

TEST_F(RemoteSpoolTest, FailedTickLeavesNothingAndTheNextTickWorks)
{
    const std::uint16_t port = FtpsServer::freePort();
    // The server is started again below with a new certificate: trust is not the point here.
    RemoteSpoolConfig config = configFor(port);
    config.verify = TlsVerify::None;
    RemoteSpool remote(config, paths());

    const auto start = std::chrono::steady_clock::now();
    RemoteSpoolResult result = remote.tick();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(result.outcome, RemoteSpoolOutcome::Failed);
    EXPECT_THAT(result.message, HasSubstr("non è raggiungibile"));
    EXPECT_FALSE(fs::exists(spool()));

    for (const char* id : {"1", "2"}) {
        SCOPED_TRACE(id);
        // Each round is a new server on the same port; the first round's connection is gone.
        auto server = FtpsServer::start({.port = port});
        if (!server->running())
            GTEST_SKIP() << server->skipReason();
        ASSERT_TRUE(server->put(std::string("SPL") + id + ".TMP", "data"));
        ASSERT_TRUE(server->put(std::string("SPO") + id + ".TMP", "settings"));
        result = remote.tick();
        EXPECT_EQ(result.outcome, RemoteSpoolOutcome::Fetched) << result.message;
        EXPECT_TRUE(fs::exists(spool() / (std::string("SPO") + id + ".TMP")));
        EXPECT_THAT(server->names(), IsEmpty());
    }
}

} // namespace
} // namespace spoolar
