#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace spoolar;

namespace {

// Sets (or, with nullptr, removes) an environment variable for the life of the object.
class EnvGuard
{
public:
    EnvGuard(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvGuard()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class CurrentDirGuard
{
public:
    explicit CurrentDirGuard(const fs::path& dir) : m_old(fs::current_path())
    {
        fs::current_path(dir);
    }
    ~CurrentDirGuard() { fs::current_path(m_old); }
    CurrentDirGuard(const CurrentDirGuard&) = delete;
    CurrentDirGuard& operator=(const CurrentDirGuard&) = delete;

private:
    fs::path m_old;
};

void touch(const fs::path& p)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
}

// A private folder with drive_c inside it; removed afterwards.
class WinPathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        m_root = fs::temp_directory_path() /
                 ("spoolar-winpath-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
        fs::create_directories(m_root / "drive_c");
        m_driveC = m_root / "drive_c";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    PathMapper mapper() const { return PathMapper(m_driveC, m_root / "home"); }

    fs::path m_root;
    fs::path m_driveC;
};

} // namespace

TEST_F(WinPathTest, ToHostAcceptsBothSeparatorsAndEitherDriveCase)
{
    fs::create_directories(m_driveC / "SPOOL" / "PDF");
    const fs::path expected = m_driveC / "SPOOL" / "PDF" / "x.pdf";
    for (const char* input : {"C:\\SPOOL\\PDF\\x.pdf", "c:/SPOOL/PDF/x.pdf", "C:\\SPOOL/PDF\\x.pdf",
                              "c:\\\\SPOOL\\.\\PDF\\\\x.pdf"}) {
        SCOPED_TRACE(input);
        EXPECT_EQ(mapper().toHost(input), expected);
    }
    EXPECT_EQ(mapper().toHost("C:"), m_driveC);
    EXPECT_EQ(mapper().toHost("C:\\"), m_driveC);
}

TEST_F(WinPathTest, ToHostFindsExistingComponentsWhateverTheirCase)
{
    touch(m_driveC / "Spool" / "tmp" / "spo12.tmp");
    EXPECT_EQ(mapper().toHost("C:\\SPOOL\\TMP\\SPO12.TMP"),
              m_driveC / "Spool" / "tmp" / "spo12.tmp");
    // From the first missing component on, the case written is kept.
    EXPECT_EQ(mapper().toHost("C:\\spool\\NEW\\Sub\\Out.PDF"),
              m_driveC / "Spool" / "NEW" / "Sub" / "Out.PDF");
    // Windows ignores trailing dots and blanks in a name.
    EXPECT_EQ(mapper().toHost("C:\\SPOOL\\TMP\\SPO12.TMP. "),
              m_driveC / "Spool" / "tmp" / "spo12.tmp");
}

TEST_F(WinPathTest, ToHostPrefersTheExactNameAmongCaseVariants)
{
    touch(m_driveC / "a.txt");
    touch(m_driveC / "A.TXT");
    touch(m_driveC / "A.txt");
    EXPECT_EQ(mapper().toHost("C:\\A.txt"), m_driveC / "A.txt");
    EXPECT_EQ(mapper().toHost("C:\\a.TXT"), m_driveC / "A.TXT"); // first in name order
}

TEST_F(WinPathTest, ToHostNeverLeavesTheDriveFolder)
{
    touch(m_root / "secret");
    const struct
    {
        const char* input;
        fs::path expected;
    } cases[] = {
        {"C:\\..\\secret", m_driveC / "secret"},
        {"C:\\..\\..\\..\\etc\\passwd", m_driveC / "etc" / "passwd"},
        {"C:\\SPOOL\\..\\..\\x", m_driveC / "x"},
        {"C:/a/b/../../../c", m_driveC / "c"},
        {"C:\\SPOOL\\...\\x", m_driveC / "SPOOL" / "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(mapper().toHost(c.input), c.expected);
    }
}

TEST_F(WinPathTest, ToHostMapsOtherDrivesBesideDriveC)
{
    EXPECT_EQ(mapper().toHost("D:\\DATA\\f.txt"), m_root / "drive_d" / "DATA" / "f.txt");
    EXPECT_EQ(mapper().toHost("z:/x"), m_root / "drive_z" / "x");
}

TEST_F(WinPathTest, ToHostLeavesHostPathsAlone)
{
    for (const char* input : {"/tmp/Some/File.TXT", "relative/Path", "file.txt", "", "1:\\x"}) {
        SCOPED_TRACE(input);
        EXPECT_EQ(mapper().toHost(input), fs::path(input));
    }
}

TEST_F(WinPathTest, ToHostStopsAtAnEmbeddedNul)
{
    using namespace std::string_literals;
    EXPECT_EQ(mapper().toHost("C:\\SPOOL\0\\..\\x"s), m_driveC / "SPOOL");
}

TEST_F(WinPathTest, ToWindowsIsTheInverseInsideTheDriveFolders)
{
    touch(m_driveC / "Spool" / "pdf" / "Fattura 12.pdf");
    EXPECT_EQ(mapper().toWindows(m_driveC / "Spool" / "pdf" / "Fattura 12.pdf"),
              "C:\\Spool\\pdf\\Fattura 12.pdf");
    EXPECT_EQ(mapper().toWindows(mapper().toHost("C:\\SPOOL\\PDF\\Fattura 12.pdf")),
              "C:\\Spool\\pdf\\Fattura 12.pdf");
    EXPECT_EQ(mapper().toWindows(m_driveC), "C:\\");
    EXPECT_EQ(mapper().toWindows(m_driveC / "SPOOL" / ""), "C:\\SPOOL");
    EXPECT_EQ(mapper().toWindows(mapper().toHost("D:\\X\\y.txt")), "D:\\X\\y.txt");
}

TEST_F(WinPathTest, ToWindowsRefusesPathsOutsideTheDriveFolders)
{
    for (const fs::path& p : {m_root, m_root / "drive_cx" / "f", m_driveC / ".." / "f",
                              m_root / "other" / "f", m_root / "drive_" / "f", fs::path("/etc")}) {
        SCOPED_TRACE(p);
        EXPECT_EQ(mapper().toWindows(p), std::nullopt);
    }
}

TEST_F(WinPathTest, ToWindowsSeesThroughSymbolicLinks)
{
    fs::create_directories(m_driveC / "SPOOL");
    fs::create_directory_symlink(m_driveC, m_root / "link");
    const PathMapper viaLink(m_root / "link", m_root / "home");
    EXPECT_EQ(viaLink.toWindows(m_driveC / "SPOOL" / "x.pdf"), "C:\\SPOOL\\x.pdf");
    EXPECT_EQ(mapper().toWindows(m_root / "link" / "SPOOL"), "C:\\SPOOL");
}

TEST_F(WinPathTest, ListGivesMatchingRegularFilesSortedByName)
{
    const fs::path dir = m_driveC / "spool";
    for (const char* name : {"splok02.tmp", "SPLOK01.TMP", "SPLOK1.TMP", "SPLOK03.TMPX",
                             ".SPLOK05.TMP", "SPLOK00.TM", "XSPLOK06.TMP"})
        touch(dir / name);
    fs::create_directories(dir / "SPLOK04.TMP");
    fs::create_symlink(dir / "SPLOK01.TMP", dir / "SPLOK07.TMP");

    std::vector<std::string> names;
    for (const fs::path& p : mapper().list("C:\\SPOOL", "SPLOK??.???"))
        names.push_back(p.filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"SPLOK01.TMP", "splok02.tmp", "SPLOK07.TMP"}));
    EXPECT_EQ(mapper().list("C:\\SPOOL", "SPLOK01.TMP").front(), dir / "SPLOK01.TMP");

    EXPECT_TRUE(mapper().list("C:\\NOWHERE", "*").empty());
    EXPECT_TRUE(mapper().list("C:\\SPOOL\\SPLOK01.TMP", "*").empty());
}

TEST(WildcardTest, DosPatternsWithoutRegardToCase)
{
    const struct
    {
        const char* name;
        const char* pattern;
        bool matches;
    } cases[] = {
        {"SPLOK01.TMP", "SPLOK??.???", true},
        {"splok01.tmp", "SPLOK??.???", true},
        {"SPLOK1.TMP", "SPLOK??.???", false}, // '?' is exactly one character
        {"SPLOK012.TMP", "SPLOK??.???", false},
        {"SPO12.TMP", "SPO*.TMP", true},
        {"SPO.TMP", "SPO*.TMP", true}, // '*' also matches nothing
        {"SPO12.TMP.BAK", "SPO*.TMP", false},
        {"SPO1.TMP.TMP", "SPO*.TMP", true},
        {"richiesta.CODA", "*.coda", true},
        {"coda", "*.coda", false},
        {"anything", "*", true},
        {"", "*", true},
        {"", "?", false},
        {"a", "", false},
        {"README", "*.*", true}, // DOS: "*.*" is every file, "NAME.*" takes "NAME"
        {"SPOOLAR", "SPOOLAR.*", true},
        {"SPOOLAR.INI", "SPOOLAR.*", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
        {"\xE8.TXT", "?.TXT", true},
        {"\xC8.TXT", "\xE8.TXT", false}, // only ASCII letters fold
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " ~ " + c.pattern);
        EXPECT_EQ(matchesWildcard(c.name, c.pattern), c.matches);
    }
}

TEST_F(WinPathTest, ResolveCaseInsensitiveFollowsWhatExists)
{
    touch(m_root / "Alpha" / "beta" / "Gamma.txt");
    EXPECT_EQ(resolveCaseInsensitive(m_root / "ALPHA" / "BETA" / "gamma.TXT"),
              m_root / "Alpha" / "beta" / "Gamma.txt");
    EXPECT_EQ(resolveCaseInsensitive(m_root / "alpha" / "NEW" / "beta"),
              m_root / "Alpha" / "NEW" / "beta");
}

TEST_F(WinPathTest, FindOnSearchPathTriesCurrentFolderThenPathInOrder)
{
    const fs::path cwd = m_root / "cwd";
    const fs::path first = m_root / "bin1";
    const fs::path second = m_root / "bin2";
    touch(second / "FoxitReader");
    touch(first / "foxitreader");
    touch(second / "only-second.SH");
    fs::create_directories(first / "tool");
    touch(second / "Tool");
    fs::create_directories(cwd);

    const std::string path = first.string() + "::" + second.string() + ":";
    const EnvGuard env("PATH", path.c_str());
    const CurrentDirGuard inCwd(cwd);

    EXPECT_EQ(findOnSearchPath("FOXITREADER"), first / "foxitreader");
    EXPECT_EQ(findOnSearchPath("Only-Second.sh"), second / "only-second.SH");
    EXPECT_EQ(findOnSearchPath("tool"), second / "Tool"); // folders are no hit
    EXPECT_EQ(findOnSearchPath("missing"), std::nullopt);
    EXPECT_EQ(findOnSearchPath(""), std::nullopt);

    touch(cwd / "FOXITREADER");
    EXPECT_EQ(findOnSearchPath("FoxitReader"), cwd / "FOXITREADER");
}

TEST_F(WinPathTest, FromEnvironmentTakesTheVariablesWhenSet)
{
    const EnvGuard drive("SPOOLAR_DRIVE_C", m_driveC.c_str());
    const EnvGuard home("SPOOLAR_HOME", (m_root / "home").c_str());
    const PathMapper m = PathMapper::fromEnvironment();
    EXPECT_EQ(m.driveC(), m_driveC);
    EXPECT_EQ(m.programHome(), m_root / "home");
}

TEST_F(WinPathTest, FromEnvironmentDefaults)
{
    const EnvGuard drive("SPOOLAR_DRIVE_C", nullptr);
    const EnvGuard home("SPOOLAR_HOME", nullptr);
    {
        const EnvGuard userHome("HOME", m_root.c_str());
        const PathMapper m = PathMapper::fromEnvironment();
        EXPECT_EQ(m.driveC(), m_root / ".local" / "share" / "spoolar" / "drive_c");
        // The test executable's folder is writable, so it is the program home.
        EXPECT_EQ(m.programHome(), fs::read_symlink("/proc/self/exe").parent_path());
    }
    {
        const EnvGuard userHome("HOME", nullptr);
        const PathMapper m = PathMapper::fromEnvironment();
        EXPECT_TRUE(m.driveC().is_absolute());
        EXPECT_TRUE(m.driveC().string().ends_with("/.local/share/spoolar/drive_c"));
    }
}
