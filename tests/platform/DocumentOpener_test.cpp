#include "platform/DocumentOpener.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace spoolar;

namespace {

// Records every start; only the programs it was told about "start".
class FakeLauncher : public IProcessLauncher
{
public:
    struct Call
    {
        std::string program;
        std::vector<std::string> args;
        bool operator==(const Call&) const = default;
    };

    explicit FakeLauncher(std::set<std::string> available) : m_available(std::move(available)) {}

    bool start(const std::string& program, const std::vector<std::string>& args) override
    {
        calls.push_back({program, args});
        return m_available.count(program) > 0;
    }

    std::vector<Call> calls;

private:
    std::set<std::string> m_available;
};

std::ostream& operator<<(std::ostream& os, const FakeLauncher::Call& call)
{
    os << call.program;
    for (const std::string& arg : call.args)
        os << " [" << arg << "]";
    return os;
}

class DocumentOpenerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        m_root = fs::temp_directory_path() /
                 ("spoolar-opener-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
        fs::create_directories(m_root);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    fs::path makeFile(const std::string& name) const
    {
        const fs::path p = m_root / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "%PDF-1.4\n";
        return p;
    }

    fs::path m_root;
};

} // namespace

TEST_F(DocumentOpenerTest, ChoosesTheProgramAndItsArguments)
{
    const fs::path doc = makeFile("PDF/Fattura 12_20260101-101010.pdf");
    const std::string winReader = "/c/Programmi/Foxit Software/FoxitPDFReader.exe";
    const std::string linuxReader = "/opt/foxitsoftware/foxitreader/FoxitReader.sh";
    const std::string winDoc = wineDosPath(doc);
    using Call = FakeLauncher::Call;

    struct Case
    {
        const char* name;
        std::optional<fs::path> reader;
        ReaderSwitch readerSwitch;
        std::set<std::string> available;
        OpenResult result;
        std::vector<Call> calls;
    };
    const Case cases[] = {
        {"windows reader under wine, finished pdf",
         winReader,
         ReaderSwitch::SlashA,
         {"wine", "xdg-open"},
         OpenResult::Opened,
         {{"wine", {winReader, winDoc, "/A"}}}},
        {"windows reader under wine, open request",
         winReader,
         ReaderSwitch::None,
         {"wine", "xdg-open"},
         OpenResult::Opened,
         {{"wine", {winReader, winDoc}}}},
        {"windows reader without wine falls back to the desktop",
         winReader,
         ReaderSwitch::SlashA,
         {"xdg-open"},
         OpenResult::Opened,
         {{"wine", {winReader, winDoc, "/A"}}, {"xdg-open", {doc.string()}}}},
        {"linux reader gets the path alone",
         linuxReader,
         ReaderSwitch::SlashA,
         {linuxReader},
         OpenResult::Opened,
         {{linuxReader, {doc.string()}}}},
        {"no reader: the desktop's opener",
         std::nullopt,
         ReaderSwitch::SlashA,
         {"xdg-open"},
         OpenResult::Opened,
         {{"xdg-open", {doc.string()}}}},
        {"nothing can be started",
         linuxReader,
         ReaderSwitch::None,
         {},
         OpenResult::NotStarted,
         {{linuxReader, {doc.string()}}, {"xdg-open", {doc.string()}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeLauncher launcher(c.available);
        DocumentOpener opener(launcher, c.reader);
        EXPECT_EQ(opener.open(doc, c.readerSwitch), c.result);
        EXPECT_EQ(launcher.calls, c.calls);
    }
}

TEST_F(DocumentOpenerTest, BlanksQuotesAndShellCharactersStayOneArgument)
{
    const fs::path doc = makeFile("a \"b\" $(touch x); 'c' `d` -e.pdf");
    FakeLauncher launcher({"wine", "xdg-open"});

    DocumentOpener(launcher, std::nullopt).open(doc, ReaderSwitch::SlashA);
    DocumentOpener(launcher, fs::path("/c/FoxitPDFReader.exe")).open(doc, ReaderSwitch::SlashA);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0].args, std::vector<std::string>{doc.string()});
    std::string dosPath = "Z:" + doc.string();
    std::replace(dosPath.begin(), dosPath.end(), '/', '\\');
    EXPECT_EQ(launcher.calls[1].args,
              (std::vector<std::string>{"/c/FoxitPDFReader.exe", dosPath, "/A"}));
}

TEST_F(DocumentOpenerTest, RelativeDocumentIsOpenedByItsAbsolutePath)
{
    makeFile("-x.pdf");
    const fs::path old = fs::current_path();
    fs::current_path(m_root);
    FakeLauncher launcher({"xdg-open"});
    const OpenResult result =
        DocumentOpener(launcher, std::nullopt).open("-x.pdf", ReaderSwitch::None);
    fs::current_path(old);
    EXPECT_EQ(result, OpenResult::Opened);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0].args, std::vector<std::string>{(m_root / "-x.pdf").string()});
}

TEST_F(DocumentOpenerTest, MissingDocumentIsReportedAndNothingStarts)
{
    fs::create_directories(m_root / "folder.pdf");
    FakeLauncher launcher({"wine", "xdg-open"});
    DocumentOpener opener(launcher, fs::path("/c/FoxitPDFReader.exe"));
    for (const fs::path& doc : {m_root / "gone.pdf", m_root / "folder.pdf", fs::path()}) {
        SCOPED_TRACE(doc);
        EXPECT_EQ(opener.open(doc, ReaderSwitch::SlashA), OpenResult::DocumentMissing);
    }
    EXPECT_TRUE(launcher.calls.empty());
}

TEST(WineDosPath, HostPathsAreOnDriveZ)
{
    EXPECT_EQ(wineDosPath("/home/u/Fattura 1.pdf"), "Z:\\home\\u\\Fattura 1.pdf");
    EXPECT_EQ(wineDosPath("/srv/./spool/../PDF/x.pdf"), "Z:\\srv\\PDF\\x.pdf");
}

TEST_F(DocumentOpenerTest, RealLauncherStartsProgramsWithArgumentsVerbatim)
{
    DetachedProcessLauncher launcher;
    EXPECT_TRUE(launcher.start("/bin/true", {}));
    EXPECT_FALSE(launcher.start((m_root / "no-such-program").string(), {}));
    EXPECT_FALSE(launcher.start("spoolar-no-such-program-on-path", {}));
    EXPECT_FALSE(launcher.start("", {}));

    // cp receives both names unchanged: nothing was split or expanded by a shell.
    const fs::path source = makeFile("a \"b\" $(touch pwned) 'c'.pdf");
    const fs::path target = m_root / "copy of; `it`.pdf";
    ASSERT_TRUE(launcher.start("/bin/cp", {source.string(), target.string()}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!fs::exists(target) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(fs::exists(target));
    EXPECT_FALSE(fs::exists(m_root / "pwned"));
    EXPECT_FALSE(fs::exists(fs::current_path() / "pwned"));
}
