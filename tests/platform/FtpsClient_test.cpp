// The FTPS client against a private vsftpd on 127.0.0.1 (explicit TLS, self-signed certificate).
#include "platform/FtpsClient.h"
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
using ::testing::Not;
using ::testing::UnorderedElementsAre;

namespace fs = std::filesystem;

FtpsSettings settingsFor(const FtpsServer& server)
{
    FtpsSettings s;
    s.host = "127.0.0.1";
    s.port = server.port();
    s.user = "anonymous";
    s.password = "spoolar@localhost";
    s.caFile = server.certificate();
    return s;
}

// Every byte value, CR LF pairs and lone LFs (a text-mode transfer would change them), and
// more than one 64 KiB buffer.
std::string binaryBytes()
{
    std::string bytes;
    for (int round = 0; round < 700; ++round)
        for (int b = 0; b < 256; ++b)
            bytes.push_back(static_cast<char>(b));
    bytes += "\r\n\n\r";
    return bytes;
}

std::vector<std::string> entriesOf(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    return names;
}

class FtpsClientTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_server = FtpsServer::start(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override
    {
        if (!s_server->running())
            GTEST_SKIP() << s_server->skipReason();
        for (const std::string& name : s_server->names())
            fs::remove_all(s_server->folder() / name);
        m_local = fs::temp_directory_path() /
                  ("ftpsclient-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_local);
        fs::create_directories(m_local);
    }
    void TearDown() override { fs::remove_all(m_local); }

    static std::unique_ptr<FtpsServer> s_server;
    fs::path m_local;
};

std::unique_ptr<FtpsServer> FtpsClientTest::s_server;

TEST_F(FtpsClientTest, ListsDownloadsByteIdenticalAndDeletesInBothModes)
{
    const std::string bytes = binaryBytes();
    for (const FtpMode mode : {FtpMode::Passive, FtpMode::Active}) {
        SCOPED_TRACE(mode == FtpMode::Passive ? "passive" : "active");
        ASSERT_TRUE(s_server->put("SPL1.TMP", bytes));
        ASSERT_TRUE(s_server->put("EMPTY.TMP", ""));
        FtpsSettings settings = settingsFor(*s_server);
        settings.mode = mode;
        FtpsClient client(settings);

        EXPECT_TRUE(client.open(FtpsServer::ftpFolder).ok());
        const FtpsListing listing = client.listNames(FtpsServer::ftpFolder);
        ASSERT_TRUE(listing.status.ok()) << listing.status.message();
        EXPECT_THAT(listing.names, UnorderedElementsAre("SPL1.TMP", "EMPTY.TMP"));

        const FtpsStatus got = client.download(FtpsServer::ftpFolder, "SPL1.TMP", m_local / "a");
        ASSERT_TRUE(got.ok()) << got.message();
        EXPECT_EQ(FtpsServer::readFile(m_local / "a"), bytes);
        ASSERT_TRUE(client.download(FtpsServer::ftpFolder, "EMPTY.TMP", m_local / "b").ok());
        EXPECT_TRUE(fs::exists(m_local / "b"));
        EXPECT_EQ(fs::file_size(m_local / "b"), 0u);
        // No temporary file stays beside the targets.
        EXPECT_THAT(entriesOf(m_local), UnorderedElementsAre("a", "b"));

        EXPECT_TRUE(client.remove(FtpsServer::ftpFolder, "SPL1.TMP").ok());
        EXPECT_TRUE(client.remove(FtpsServer::ftpFolder, "EMPTY.TMP").ok());
        EXPECT_THAT(s_server->names(), IsEmpty());
        fs::remove(m_local / "a");
        fs::remove(m_local / "b");
    }
    // The sessions ran as the client is configured: AUTH TLS first, clear data, binary, the
    // data connection opened by the client (EPSV) or by the server (EPRT).
    const std::string log = s_server->protocolLog();
    EXPECT_THAT(log, HasSubstr("EPSV"));
    EXPECT_THAT(log, HasSubstr("EPRT"));
    EXPECT_THAT(log, HasSubstr("AUTH TLS"));
    EXPECT_THAT(log, HasSubstr("PROT C"));
    EXPECT_THAT(log, HasSubstr("TYPE I"));
}

TEST_F(FtpsClientTest, FailedDownloadLeavesTheTargetAsItWas)
{
    FtpsClient client(settingsFor(*s_server));
    std::ofstream(m_local / "x") << "old";
    const FtpsStatus missing = client.download(FtpsServer::ftpFolder, "NOPE.TMP", m_local / "x");
    EXPECT_EQ(missing.kind(), FtpsErrorKind::NotFound);
    EXPECT_THAT(missing.message(), HasSubstr("NOPE.TMP"));
    EXPECT_EQ(FtpsServer::readFile(m_local / "x"), "old");

    const FtpsStatus intoNowhere =
        client.download(FtpsServer::ftpFolder, "NOPE.TMP", m_local / "missing" / "y");
    EXPECT_EQ(intoNowhere.kind(), FtpsErrorKind::LocalFile);

    EXPECT_THAT(entriesOf(m_local), ElementsAre("x"));
    EXPECT_EQ(client.remove(FtpsServer::ftpFolder, "NOPE.TMP").kind(),
              FtpsErrorKind::DeleteRefused);
    EXPECT_EQ(client.listNames("no-such-folder").status.kind(), FtpsErrorKind::Folder);
}

TEST_F(FtpsClientTest, NamesThatWouldInjectCommandsOrLeaveTheFolderAreRefused)
{
    FtpsClient client(settingsFor(*s_server));
    for (const char* name : {"A\r\nDELE B", "../x", "", ".."}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(client.remove(FtpsServer::ftpFolder, name).kind(), FtpsErrorKind::InvalidName);
        EXPECT_EQ(client.download(FtpsServer::ftpFolder, name, m_local / "x").kind(),
                  FtpsErrorKind::InvalidName);
    }
    EXPECT_THAT(entriesOf(m_local), IsEmpty());
}

TEST_F(FtpsClientTest, ServerCertificateIsCheckedUnlessTheSiteTurnsItOff)
{
    struct Case
    {
        const char* what;
        TlsVerify verify;
        bool trustServerCertificate;
        bool connects;
    };
    const Case cases[] = {
        {"self-signed, not trusted", TlsVerify::Peer, false, false},
        {"self-signed, trusted as CA", TlsVerify::Peer, true, true},
        {"verification off", TlsVerify::None, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FtpsSettings settings = settingsFor(*s_server);
        settings.verify = c.verify;
        if (!c.trustServerCertificate)
            settings.caFile = m_local / "empty-store.pem"; // trusts nothing
        std::ofstream(m_local / "empty-store.pem") << "";
        FtpsClient client(settings);
        const FtpsStatus status = client.open(FtpsServer::ftpFolder);
        EXPECT_EQ(status.ok(), c.connects) << status.message();
        if (!c.connects) {
            EXPECT_EQ(status.kind(), FtpsErrorKind::Tls);
        }
    }
}

TEST_F(FtpsClientTest, WrongUserIsRefused)
{
    FtpsSettings settings = settingsFor(*s_server);
    settings.user = "mario";
    FtpsClient client(settings);
    const FtpsStatus status = client.open(FtpsServer::ftpFolder);
    EXPECT_EQ(status.kind(), FtpsErrorKind::Login);
    EXPECT_THAT(status.message(), HasSubstr("rifiutato"));
}

TEST(FtpsClientPlain, ServerWithoutTlsIsRefusedBeforeThePasswordIsSent)
{
    auto plain = FtpsServer::start({.tls = FtpsServer::Tls::Off});
    if (!plain->running())
        GTEST_SKIP() << plain->skipReason();
    ASSERT_TRUE(plain->put("SPO1.TMP", "x"));
    FtpsSettings settings;
    settings.host = "127.0.0.1";
    settings.port = plain->port();
    settings.user = "anonymous";
    settings.password = "secret-word";
    FtpsClient client(settings);

    const FtpsListing listing = client.listNames(FtpsServer::ftpFolder);
    EXPECT_EQ(listing.status.kind(), FtpsErrorKind::Tls);
    EXPECT_THAT(listing.names, IsEmpty());
    EXPECT_THAT(plain->protocolLog(), Not(HasSubstr("secret-word")));
    EXPECT_THAT(plain->protocolLog(), Not(HasSubstr("\"USER ")));
    EXPECT_THAT(plain->names(), ElementsAre("SPO1.TMP"));
}

TEST(FtpsClientUnreachable, NothingListeningIsReportedWithinTheTimeOut)
{
    FtpsSettings settings;
    settings.host = "127.0.0.1";
    settings.port = FtpsServer::freePort();
    FtpsClient client(settings);
    const auto start = std::chrono::steady_clock::now();
    const FtpsStatus status = client.open("spool");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(status.kind(), FtpsErrorKind::Unreachable);
    EXPECT_THAT(status.message(), HasSubstr("127.0.0.1:" + std::to_string(settings.port)));
}

} // namespace
} // namespace spoolar
