#include "app/Settings.h"
#include "platform/IniFile.h"
#include "platform/QvorIni.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
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

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        m_root = fs::temp_directory_path() /
                 ("spoolar-settings-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
        fs::create_directories(m_root / "drive_c");
        fs::create_directories(m_root / "home");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    static void write(const fs::path& p, const std::string& content)
    {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
    }
    static std::string read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    PathMapper mapper() const { return PathMapper(m_root / "drive_c", m_root / "home"); }

    fs::path m_root;
};

void expectDefaults(const ProgramSettings& s)
{
    EXPECT_FALSE(s.fascicola);
    EXPECT_FALSE(s.previewChart);
    EXPECT_FALSE(s.previewGraphic);
    EXPECT_FALSE(s.previewPdf);
    EXPECT_EQ(s.fontIndex, 2);
    EXPECT_EQ(s.fontName(), "Courier New");
    EXPECT_EQ(s.fontPercent.PercFontsizeBitstream, 12);
    EXPECT_EQ(s.fontPercent.PercFontsizeConsolas, 11);
    EXPECT_EQ(s.fontPercent.PercFontsizeCourier, 6);
    EXPECT_EQ(s.fontPercent.PercItalicoBitstream, 0);
    EXPECT_EQ(s.fontPercent.PercItalicoConsolas, 0);
    EXPECT_EQ(s.fontPercent.PercItalicoCourier, 0);
    EXPECT_EQ(s.pdfType, 0);
    EXPECT_EQ(s.ftpPath, "");
    EXPECT_TRUE(s.passive);
    EXPECT_EQ(s.host, "");
    EXPECT_EQ(s.port, 21);
    EXPECT_EQ(s.user, "");
    EXPECT_EQ(s.password, "");
}

TEST_F(SettingsTest, MissingFileOrSectionGivesTheDefaults)
{
    ProgramSettings fromMissing;
    fromMissing.fascicola = true;
    fromMissing.fontIndex = 0;
    fromMissing.load(m_root / "home" / "spoolar.ini");
    expectDefaults(fromMissing);

    // A file without FONT section: Courier New and 12/11/6, italics 0.
    const fs::path file = m_root / "home" / "partial.ini";
    write(file, "[preview]\nfascicola=1\n");
    ProgramSettings partial;
    partial.load(file);
    EXPECT_TRUE(partial.fascicola);
    partial.fascicola = false;
    expectDefaults(partial);
}

TEST_F(SettingsTest, ReadsValuesAsTheProfileFunctionsGiveThem)
{
    const fs::path file = m_root / "home" / "spoolar.ini";
    write(file, "[PREVIEW]\r\n"
                "Fascicola=5\r\n" // any non-zero integer is true
                "Chart=yes\r\n"   // not an integer: the default
                "OutputGrafico=-1\r\n"
                "OutputPDF=0\r\n"
                "[FONT]\r\n"
                "TipoFont=7\r\n"
                "PercFontsizeCourier=$0A\r\n"
                "[REMOTESPOOL]\r\n"
                "FTPPath= \"/spool in\" \r\n"
                "Passive=0\r\n"
                "Port=70000\r\n"
                "Password=not hex\r\n");
    ProgramSettings s;
    s.load(file);
    EXPECT_TRUE(s.fascicola);
    EXPECT_FALSE(s.previewChart);
    EXPECT_TRUE(s.previewGraphic);
    EXPECT_FALSE(s.previewPdf);
    EXPECT_EQ(s.fontIndex, 7);
    EXPECT_EQ(s.fontName(), "Courier New");
    EXPECT_EQ(s.fontPercent.PercFontsizeCourier, 10);
    EXPECT_EQ(s.ftpPath, "/spool in");
    EXPECT_FALSE(s.passive);
    EXPECT_EQ(s.port, 21);
    EXPECT_EQ(s.password, "");
}

TEST_F(SettingsTest, SaveWritesEveryKeyAndLoadReadsItBack)
{
    const fs::path file = m_root / "home" / "spoolar.ini";
    write(file, "; kept\r\n[PREVIEW]\r\nOwnKey=x\r\n[Other]\r\nA=1\r\n");

    ProgramSettings s;
    s.fascicola = true;
    s.previewChart = true;
    s.previewGraphic = true;
    s.previewPdf = true;
    s.fontIndex = 1;
    s.fontPercent = FONTPERCENT{1, 2, 3, 4, 5, 6};
    s.pdfType = 2;
    s.ftpPath = "/remote/spool";
    s.passive = false;
    s.host = "ftp.example.com";
    s.port = 990;
    s.user = "spool";
    s.password = "p\xE0ss=w0rd";
    ASSERT_TRUE(s.save(file));

    const TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("PREVIEW", "OwnKey", ""), "x");
    EXPECT_EQ(ini.ReadString("Other", "A", ""), "1");
    EXPECT_EQ(ini.ReadSection("PREVIEW"), (std::vector<std::string>{"OwnKey", "Fascicola", "Chart",
                                                                    "OutputGrafico", "OutputPDF"}));
    EXPECT_EQ(ini.ReadSection("FONT"),
              (std::vector<std::string>{"TipoFont", "PercFontsizeBitstream", "PercFontsizeConsolas",
                                        "PercFontsizeCourier", "PercItalicoBitstream",
                                        "PercItalicoConsolas", "PercItalicoCourier"}));
    EXPECT_EQ(ini.ReadString("PREVIEW", "OutputGrafico", ""), "1");
    EXPECT_EQ(ini.ReadString("FONT", "PercFontsizeCourier", ""), "1");
    // The password is stored obfuscated, not as it is.
    EXPECT_EQ(ini.ReadString("REMOTESPOOL", "Password", ""), encodeHiddenText(s.password));

    ProgramSettings back;
    back.load(file);
    EXPECT_TRUE(back.fascicola && back.previewChart && back.previewGraphic && back.previewPdf);
    EXPECT_EQ(back.fontIndex, 1);
    EXPECT_EQ(back.fontName(), "Consolas");
    EXPECT_EQ(back.fontPercent.PercFontsizeCourier, 1);
    EXPECT_EQ(back.fontPercent.PercFontsizeBitstream, 2);
    EXPECT_EQ(back.fontPercent.PercFontsizeConsolas, 3);
    EXPECT_EQ(back.fontPercent.PercItalicoCourier, 4);
    EXPECT_EQ(back.fontPercent.PercItalicoBitstream, 5);
    EXPECT_EQ(back.fontPercent.PercItalicoConsolas, 6);
    EXPECT_EQ(back.pdfType, 2);
    EXPECT_EQ(back.ftpPath, "/remote/spool");
    EXPECT_FALSE(back.passive);
    EXPECT_EQ(back.host, "ftp.example.com");
    EXPECT_EQ(back.port, 990);
    EXPECT_EQ(back.user, "spool");
    EXPECT_EQ(back.password, s.password);

    // Defaults written to a new file read back as defaults.
    const fs::path fresh = m_root / "home" / "fresh.ini";
    ASSERT_TRUE(ProgramSettings{}.save(fresh));
    ProgramSettings reread;
    reread.fontIndex = 0;
    reread.load(fresh);
    expectDefaults(reread);

    EXPECT_FALSE(ProgramSettings{}.save(m_root / "no" / "such" / "folder.ini"));
}

TEST(HiddenText, RoundTripsEveryByteAndRejectsWhatIsNotHex)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    for (const std::string& plain : {std::string(), std::string("secret"), all}) {
        const std::string hex = encodeHiddenText(plain);
        EXPECT_EQ(hex.size(), plain.size() * 2);
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(decodeHiddenText(hex), plain);
    }
    EXPECT_NE(encodeHiddenText("secret"), "736563726574"); // not plain hex of the text
    EXPECT_EQ(decodeHiddenText(encodeHiddenText("Ab")).value(), "Ab");
    EXPECT_FALSE(decodeHiddenText("ABC"));
    EXPECT_FALSE(decodeHiddenText("zz"));
    EXPECT_EQ(decodeHiddenText("1f2e"), decodeHiddenText("1F2E")); // either case of digits
}

TEST(FontNames, ItemIndexGivesTheFamily)
{
    EXPECT_EQ(fontNameOf(0), "Bitstream Vera Sans Mono");
    EXPECT_EQ(fontNameOf(1), "Consolas");
    EXPECT_EQ(fontNameOf(2), "Courier New");
    EXPECT_EQ(fontNameOf(3), "Courier New");
    EXPECT_EQ(fontNameOf(-1), "Courier New");
}

TEST_F(SettingsTest, SettingsFileLiesInTheProgramFolder)
{
    EXPECT_EQ(settingsFilePath(mapper()), m_root / "home" / "spoolar.ini");
    write(m_root / "home" / "Spoolar.INI", "");
    EXPECT_EQ(settingsFilePath(mapper()), m_root / "home" / "Spoolar.INI");
}

TEST(WinVersion, FirstRowReachedDecides)
{
    struct Case
    {
        int major, minor, sp;
        const char* name;
        int level;
    };
    const Case cases[] = {
        {10, 0, 0, "Windows 10", 12},  {11, 0, 0, "Windows 10", 12},
        {6, 3, 0, "Windows 8.1", 11},  {6, 1, 1, "Windows 7 SP1", 9},
        {6, 1, 0, "Windows 7", 8},     {6, 0, 3, "Windows Vista SP2", 7},
        {6, 0, 0, "Windows Vista", 5}, {5, 2, 0, "Windows XP SP3", 4},
        {5, 1, 0, "Windows XP", 1},    {5, 0, 4, "Unknow", 0},
    };
    for (const Case& c : cases) {
        const WIN_VERSION v = winVersionOf(c.major, c.minor, c.sp);
        EXPECT_EQ(v.name, c.name) << c.major << "." << c.minor << " SP" << c.sp;
        EXPECT_EQ(v.level, c.level) << c.major << "." << c.minor << " SP" << c.sp;
    }
    EXPECT_EQ(currentWinVersion().name, "Windows 10");
    EXPECT_EQ(currentWinVersion().level, 12);
}

TEST_F(SettingsTest, QvorIniVirtualStoreCopyWinsElseWindir)
{
    const EnvGuard windir("WINDIR", nullptr);
    const EnvGuard localAppData("LOCALAPPDATA", nullptr);
    const EnvGuard user("USER", "tester");
    const fs::path driveC = m_root / "drive_c";

    // Wine's own spelling of the folders; found without regard to case.
    const fs::path inWindows = driveC / "windows" / "qvor.ini";
    write(inWindows, "[codebase]\r\ncurrentdir=C:\\KERVANIS\\HDR\r\n");
    EXPECT_EQ(qvorIniPath(mapper()), inWindows);
    EXPECT_EQ(qvorCurrentDir(mapper()), "C:\\KERVANIS\\HDR");

    const fs::path inStore =
        driveC / "users" / "tester" / "AppData" / "Local" / "VirtualStore" / "Windows" / "Qvor.ini";
    write(inStore, "[CODEBASE]\r\nCurrentDir=C:\\STORE\r\n");
    EXPECT_EQ(qvorIniPath(mapper()), inStore);
    EXPECT_EQ(qvorCurrentDir(mapper()), "C:\\STORE");
    // Before Vista there is no virtual store.
    EXPECT_EQ(qvorIniPath(mapper(), winVersionOf(5, 1, 3)), inWindows);

    fs::remove(inWindows);
    fs::remove(inStore);
    EXPECT_EQ(qvorCurrentDir(mapper()), ""); // no Qvor.ini at all
}

TEST_F(SettingsTest, QvorIniFollowsTheEnvironment)
{
    const fs::path hostStore = m_root / "appdata";
    write(hostStore / "VirtualStore" / "Windows" / "Qvor.ini", "");
    {
        // A Windows path is mapped; a host path is taken as it is.
        const EnvGuard windir("WINDIR", "C:\\Win");
        const EnvGuard localAppData("LOCALAPPDATA", (m_root / "nowhere").c_str());
        EXPECT_EQ(qvorIniPath(mapper()), m_root / "drive_c" / "Win" / "Qvor.ini");
    }
    {
        const EnvGuard windir("WINDIR", (m_root / "hostwin").c_str());
        const EnvGuard localAppData("LOCALAPPDATA", hostStore.c_str());
        EXPECT_EQ(qvorIniPath(mapper()), hostStore / "VirtualStore" / "Windows" / "Qvor.ini");
        EXPECT_EQ(qvorIniPath(mapper(), winVersionOf(5, 1, 0)), m_root / "hostwin" / "Qvor.ini");
    }
    {
        // Empty or too long for the 2048-byte buffer: as if not set.
        const EnvGuard windir("WINDIR", "");
        const std::string tooLong = "C:\\" + std::string(2100, 'x');
        const EnvGuard localAppData("LOCALAPPDATA", tooLong.c_str());
        const EnvGuard user("USER", "nobody");
        EXPECT_EQ(qvorIniPath(mapper()), m_root / "drive_c" / "WINDOWS" / "Qvor.ini");
    }
}

} // namespace
