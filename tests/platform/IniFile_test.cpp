#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace spoolar;

namespace {

class IniFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        m_dir = fs::temp_directory_path() /
                ("spoolar-ini-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }

    fs::path write(const std::string& name, const std::string& content)
    {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    static std::string read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::vector<std::string> folderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_dir;
};

// Sets LC_ALL for the life of the object, if the locale exists.
class LocaleGuard
{
public:
    explicit LocaleGuard(const char* name) : m_old(std::setlocale(LC_ALL, nullptr))
    {
        m_active = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~LocaleGuard() { std::setlocale(LC_ALL, m_old.c_str()); }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;
    bool active() const { return m_active; }

private:
    std::string m_old;
    bool m_active = false;
};

TEST_F(IniFileTest, ReadsStringsWithProfileRules)
{
    // LF and CR LF lines mixed, CP1252 bytes, a DOS end-of-file mark at the end.
    const fs::path file = write("a.ini", "; comment\r\n"
                                         "Outside=before any section\r\n"
                                         "[Main]\n"
                                         "  Name  =  Value with blanks  \r\n"
                                         "name=second occurrence\n"
                                         "Quoted=\"  kept blanks  \"\n"
                                         "Single='x'\n"
                                         "Mismatch=\"x'\n"
                                         "OneQuote=\"\n"
                                         "Empty=\n"
                                         "Accent=perch\xE8 \xA7\n"
                                         "Equals=a=b\n"
                                         "No equals sign here\n"
                                         ";Commented=1\n"
                                         "=no name\n"
                                         "[ Spaced Out ]\n"
                                         "Key=spaced\n"
                                         "[MAIN]\n"
                                         "Late=from the second Main\n"
                                         "[Tail]\n"
                                         "Last=end\x1a");
    const TIniFile ini(file);
    EXPECT_FALSE(ini.readFailed());

    struct Case
    {
        const char* section;
        const char* key;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"main", "NAME", "Value with blanks"}, // case, blanks, first occurrence wins
        {"Main", "Quoted", "  kept blanks  "},
        {"Main", "Single", "x"},
        {"Main", "Mismatch", "\"x'"},
        {"Main", "OneQuote", "\""},
        {"Main", "Empty", ""}, // present but empty: not the default
        {"Main", "Accent", "perch\xE8 \xA7"},
        {"Main", "Equals", "a=b"},
        {"Main", "No equals sign here", "<default>"},
        {"Main", ";Commented", "<default>"},
        {"Main", "Late", "<default>"}, // only the first [Main] counts
        {"Main", "Outside", "<default>"},
        {"spaced out", "key", "spaced"},
        {"Tail", "Last", "end"},
        {"Missing", "Name", "<default>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected)
            << c.section << "/" << c.key;

    EXPECT_TRUE(ini.SectionExists("MAIN"));
    EXPECT_FALSE(ini.SectionExists("Outside"));
    EXPECT_TRUE(ini.ValueExists("main", "empty"));
    EXPECT_FALSE(ini.ValueExists("main", "late"));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "Spaced Out", "Tail"}));
    EXPECT_EQ(ini.ReadSection("MAIN"),
              (std::vector<std::string>{"Name", "Quoted", "Single", "Mismatch", "OneQuote", "Empty",
                                        "Accent", "Equals"}));
}

TEST_F(IniFileTest, LongValuesAreCutLikeTheProfileBuffer)
{
    const TIniFile ini(write("long.ini", "[S]\nK=" + std::string(3000, 'x') + "\n"));
    EXPECT_EQ(ini.ReadString("S", "K", "").size(), TIniFile::MaxValueLength);
}

TEST_F(IniFileTest, ReadsIntegersBooleansAndFloats)
{
    struct Case
    {
        const char* text;
        std::int32_t integer; // with default -7
        bool boolFromFalse;   // ReadBool with default false
        double number;        // with default -1.0
    };
    const std::vector<Case> cases = {
        {"42", 42, true, 42.0},
        {"0", 0, false, 0.0},
        {"-5", -5, true, -5.0},
        {"+3", 3, true, 3.0},
        {"$1F", 31, true, -1.0},
        {"0x1F", 31, true, -1.0},
        {"0X1f", 31, true, -1.0},
        {"-$10", -16, true, -1.0},
        {"$FFFFFFFF", -1, true, -1.0},
        {"$100000000", -7, false, -1.0},
        {"2147483647", 2147483647, true, 2147483647.0},
        {"-2147483648", -2147483647 - 1, true, -2147483648.0},
        {"2147483648", -7, false, 2147483648.0},
        {"0x", -7, false, -1.0},
        {"$", -7, false, -1.0},
        {"$-1", -7, false, -1.0},
        {"12abc", -7, false, -1.0},
        {"- 3", -7, false, -1.0},
        {"", -7, false, -1.0},
        {"yes", -7, false, -1.0},
        {"1.5", -7, false, 1.5},
        {"-0.25", -7, false, -0.25},
        {"1e3", -7, false, 1000.0},
        {"1,5", -7, false, -1.0},
        {"inf", -7, false, -1.0},
        {"nan", -7, false, -1.0},
    };
    std::string content = "[N]\n";
    for (std::size_t i = 0; i < cases.size(); ++i)
        content += "K" + std::to_string(i) + " = " + cases[i].text + " \n";
    const TIniFile ini(write("n.ini", content));

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string key = "K" + std::to_string(i);
        SCOPED_TRACE(cases[i].text);
        EXPECT_EQ(ini.ReadInteger("N", key, -7), cases[i].integer);
        EXPECT_EQ(ini.ReadBool("N", key, false), cases[i].boolFromFalse);
        EXPECT_EQ(ini.ReadFloat("N", key, -1.0), cases[i].number);
    }
    // An unreadable boolean takes its default, whichever it is.
    EXPECT_TRUE(ini.ReadBool("N", "K19", true));
    EXPECT_TRUE(ini.ReadBool("N", "Missing", true));
    EXPECT_EQ(ini.ReadInteger("N", "Missing", 9), 9);
}

TEST_F(IniFileTest, FloatsUseAPointUnderACommaLocale)
{
    const LocaleGuard italian("it_IT.UTF-8");
    if (!italian.active())
        GTEST_SKIP() << "locale it_IT.UTF-8 is not installed";

    const fs::path file = m_dir / "f.ini";
    TIniFile ini(file);
    ASSERT_TRUE(ini.WriteFloat("Chart", "FontScaleFactor", 1.5));
    ASSERT_TRUE(ini.WriteFloat("Chart", "Big", 1234567.25));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(read(file), "[Chart]\r\nFontScaleFactor=1.5\r\nBig=1234567.25\r\n");
    const TIniFile again(file);
    EXPECT_EQ(again.ReadFloat("Chart", "FontScaleFactor", 0.0), 1.5);
    EXPECT_EQ(again.ReadFloat("Chart", "Big", 0.0), 1234567.25);
}

TEST_F(IniFileTest, WritingKeepsEverythingElse)
{
    const fs::path file = write("keep.ini", "; written by hand\n"
                                            "[Preview]\n"
                                            "Fascicola=0\n"
                                            "Unknown = keep me \n"
                                            "\n"
                                            "; about the fonts\n"
                                            "[Font]\n"
                                            "TipoFont=1\n"
                                            "Old=1\n"
                                            "old=2\n"
                                            "\n"
                                            "[Gone]\n"
                                            "x=1\n"
                                            "[Other]\n"
                                            "a=b\n"
                                            "[gone]\n"
                                            "y=2\n");
    TIniFile ini(file);
    ASSERT_TRUE(ini.WriteBool("PREVIEW", "FASCICOLA", true)); // keeps the file's spelling
    ASSERT_TRUE(ini.WriteBool("preview", "Chart", true));     // after the last key
    ASSERT_TRUE(ini.WriteInteger("FONT", "PercFontsizeCourier", 6));
    ini.DeleteKey("font", "OLD"); // both lines, so the second cannot show through
    ini.EraseSection("GONE");     // every section of that name
    ASSERT_TRUE(ini.WriteString("REMOTESPOOL", "FTPPath", "/in"));
    EXPECT_FALSE(ini.ValueExists("Font", "Old"));
    ASSERT_TRUE(ini.UpdateFile());

    EXPECT_EQ(read(file), "; written by hand\r\n"
                          "[Preview]\r\n"
                          "Fascicola=1\r\n"
                          "Unknown = keep me \r\n"
                          "Chart=1\r\n"
                          "\r\n"
                          "; about the fonts\r\n"
                          "[Font]\r\n"
                          "TipoFont=1\r\n"
                          "PercFontsizeCourier=6\r\n"
                          "\r\n"
                          "[Other]\r\n"
                          "a=b\r\n"
                          "\r\n"
                          "[REMOTESPOOL]\r\n"
                          "FTPPath=/in\r\n");
}

TEST_F(IniFileTest, ValuesReadBackAsWrittenOrAreRefused)
{
    const fs::path file = m_dir / "values.ini";
    TIniFile ini(file);
    const std::vector<std::string> values = {"  padded  ", "\"quoted\"", "'single'", "a\"b'",
                                             "",           "x=y;z",      "perch\xE8"};
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_TRUE(ini.WriteString("S", "K" + std::to_string(i), values[i]));

    EXPECT_FALSE(ini.WriteString("S", "Bad", "two\r\nlines"));
    EXPECT_FALSE(ini.WriteString("S", "a=b", "v"));
    EXPECT_FALSE(ini.WriteString("S", ";c", "v"));
    EXPECT_FALSE(ini.WriteString("S", "[x", "v"));
    EXPECT_FALSE(ini.WriteString("S", " ", "v"));
    EXPECT_FALSE(ini.WriteString("a]b", "k", "v"));
    EXPECT_FALSE(ini.WriteString("", "k", "v"));
    ASSERT_TRUE(ini.UpdateFile());

    const TIniFile again(file);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(again.ReadString("S", "K" + std::to_string(i), "<none>"), values[i]);
    EXPECT_EQ(again.ReadSection("S").size(), values.size());
}

TEST_F(IniFileTest, MissingFileReadsEmptyAndIsCreatedOnlyByAChange)
{
    const fs::path file = m_dir / "new.ini";
    {
        TIniFile ini(file);
        EXPECT_FALSE(ini.readFailed());
        EXPECT_TRUE(ini.ReadSections().empty());
        EXPECT_EQ(ini.ReadString("A", "B", "d"), "d");
        EXPECT_TRUE(ini.UpdateFile());
        EXPECT_FALSE(fs::exists(file));
    }
    TIniFile ini(file);
    ASSERT_TRUE(ini.WriteString("A", "B", "c"));
    ASSERT_TRUE(ini.WriteString("D", "E", "f"));
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(read(file), "[A]\r\nB=c\r\n\r\n[D]\r\nE=f\r\n");
}

TEST_F(IniFileTest, SavingReplacesTheFileWhole)
{
    const fs::path file = write("s.ini", "[A]\nB=1\n");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    const fs::path link = m_dir / "link.ini";
    fs::create_symlink(file.filename(), link);

    TIniFile ini(link);
    ASSERT_TRUE(ini.WriteInteger("A", "B", 2));
    ASSERT_TRUE(ini.UpdateFile());

    EXPECT_EQ(read(file), "[A]\r\nB=2\r\n");
    EXPECT_TRUE(fs::is_symlink(link)); // written through the link, not over it
    struct stat st
    {
    };
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // No temporary file is left behind.
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"link.ini", "s.ini"}));
}

TEST_F(IniFileTest, FailuresToWriteAreReportedAndLeaveTheOldFile)
{
    // The folder does not exist.
    TIniFile nowhere(m_dir / "missing" / "x.ini");
    ASSERT_TRUE(nowhere.WriteString("A", "B", "c"));
    EXPECT_FALSE(nowhere.UpdateFile());

    // A path that exists but cannot be read: writing would lose what it holds.
    fs::create_directories(m_dir / "dir.ini");
    TIniFile directory(m_dir / "dir.ini");
    EXPECT_TRUE(directory.readFailed());
    ASSERT_TRUE(directory.WriteString("A", "B", "c"));
    EXPECT_FALSE(directory.UpdateFile());
    EXPECT_TRUE(fs::is_directory(m_dir / "dir.ini"));

    if (::geteuid() == 0)
        GTEST_SKIP() << "folder permissions do not stop root";
    const fs::path file = write("ro.ini", "[A]\nB=1\n");
    TIniFile ini(file);
    ASSERT_TRUE(ini.WriteString("A", "B", "2"));
    fs::permissions(m_dir, fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(ini.UpdateFile());
    fs::permissions(m_dir, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(read(file), "[A]\nB=1\n");
}

} // namespace
