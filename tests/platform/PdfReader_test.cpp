#include "platform/PdfReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace spoolar;

namespace {

void touch(const fs::path& p, fs::perms perms = fs::perms::owner_read | fs::perms::owner_write)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
    fs::permissions(p, perms);
}

void touchExecutable(const fs::path& p)
{
    touch(p, fs::perms::owner_all);
}

// A private folder holding drive C and the Linux install places; removed afterwards.
class PdfReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::random_device rd;
        m_root = fs::temp_directory_path() /
                 ("spoolar-pdfreader-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
        m_driveC = m_root / "drive_c";
        fs::create_directories(m_driveC);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    std::optional<fs::path> find(const LinuxReaderPlaces& places = {}) const
    {
        return findPdfReader(PathMapper(m_driveC, m_root / "home"), places);
    }

    fs::path m_root;
    fs::path m_driveC;
};

} // namespace

TEST_F(PdfReaderTest, FindsTheReaderInEachFoxitFolderWhateverTheCase)
{
    const char* const cases[] = {
        "Program Files (x86)/Foxit Software/Foxit PDF Reader/FoxitPDFReader.exe",
        "Program Files/Foxit Software/Foxit PDF Reader/FoxitPDFReader.exe",
        "Programmi/Foxit Software/Foxit PDF Reader/FoxitPDFReader.exe",
        "PROGRAM FILES (X86)/foxit software/FOXITPDFREADER.EXE",
        "program files/FOXIT SOFTWARE/myFoxitStuff/Sub Foxit/foxitpdfreader.exe",
        "programmi/Foxit Software/foxitpdfreader.Exe",
    };
    for (const char* relative : cases) {
        SCOPED_TRACE(relative);
        fs::remove_all(m_driveC);
        touch(m_driveC / relative);
        EXPECT_EQ(find(), m_driveC / relative);
    }
}

TEST_F(PdfReaderTest, FoldersAreSearchedInTheirOrder)
{
    touch(m_driveC / "Programmi/Foxit Software/FoxitPDFReader.exe");
    touch(m_driveC / "Program Files/Foxit Software/Reader Foxit/FoxitPDFReader.exe");
    EXPECT_EQ(find(), m_driveC / "Program Files/Foxit Software/Reader Foxit/FoxitPDFReader.exe");

    touch(m_driveC / "Program Files (x86)/Foxit Software/FoxitPDFReader.exe");
    EXPECT_EQ(find(), m_driveC / "Program Files (x86)/Foxit Software/FoxitPDFReader.exe");

    // Within a folder, names come in the order of a Windows listing, whatever their case.
    fs::remove_all(m_driveC);
    touch(m_driveC / "Programmi/Foxit Software/foxit b/FoxitPDFReader.exe");
    touch(m_driveC / "Programmi/Foxit Software/Foxit A/FoxitPDFReader.exe");
    touch(m_driveC / "Programmi/Foxit Software/FOXIT C/FoxitPDFReader.exe");
    EXPECT_EQ(find(), m_driveC / "Programmi/Foxit Software/Foxit A/FoxitPDFReader.exe");
}

TEST_F(PdfReaderTest, OnlyFoxitSubFoldersAndVisibleNamesAreSearched)
{
    const fs::path base = m_driveC / "Program Files/Foxit Software";
    touch(base / "Reader/FoxitPDFReader.exe");                 // sub-folder without "foxit"
    touch(base / ".foxit/FoxitPDFReader.exe");                 // hidden sub-folder
    touch(base / "Foxit/.hidden/FoxitPDFReader.exe");          // hidden below a searched one
    fs::create_directories(base / "Foxit/FoxitPDFReader.exe"); // a folder, not the reader
    touch(base / "Foxit/FoxitPDFReader.exe.bak");
    touch(m_driveC / "Program Files/FoxitPDFReader.exe"); // outside the Foxit folder
    EXPECT_EQ(find(), std::nullopt);

    touch(base / "Foxit/FoxitPDFReader.exe/Foxit Inner/FoxitPDFReader.exe");
    EXPECT_EQ(find(), base / "Foxit/FoxitPDFReader.exe/Foxit Inner/FoxitPDFReader.exe");
}

TEST_F(PdfReaderTest, NothingInstalledFindsNothing)
{
    EXPECT_EQ(find(), std::nullopt);
    fs::create_directories(m_driveC / "Program Files (x86)/Foxit Software/Foxit PDF Reader");
    LinuxReaderPlaces places;
    places.installFolders.push_back(m_root / "opt/foxitsoftware/foxitreader");
    places.searchPath.push_back(m_root / "bin");
    fs::create_directories(m_root / "bin");
    EXPECT_EQ(find(places), std::nullopt);
}

TEST_F(PdfReaderTest, ALinkBackToAParentFolderDoesNotLoop)
{
    const fs::path base = m_driveC / "Program Files/Foxit Software";
    fs::create_directories(base / "Foxit A");
    fs::create_directory_symlink(base, base / "Foxit A/Foxit Loop");
    EXPECT_EQ(find(), std::nullopt);

    touch(base / "Foxit B/FoxitPDFReader.exe");
    EXPECT_EQ(find(), base / "Foxit B/FoxitPDFReader.exe");
}

TEST_F(PdfReaderTest, LinuxReaderAfterDriveC)
{
    const fs::path install = m_root / "opt/foxitsoftware/foxitreader";
    const fs::path bin = m_root / "bin";
    LinuxReaderPlaces places;
    places.installFolders = {m_root / "missing", install};
    places.searchPath = {bin};

    // On PATH, under either name; a file that is not executable is no program.
    touch(bin / "foxitreader");
    EXPECT_EQ(find(places), std::nullopt);
    fs::permissions(bin / "foxitreader", fs::perms::owner_all);
    EXPECT_EQ(find(places), bin / "foxitreader");
    touchExecutable(bin / "FoxitReader");
    EXPECT_EQ(find(places), bin / "FoxitReader");

    // The install folder before PATH, and its launcher script before the bare binary.
    touchExecutable(install / "FoxitReader");
    EXPECT_EQ(find(places), install / "FoxitReader");
    touchExecutable(install / "FoxitReader.sh");
    EXPECT_EQ(find(places), install / "FoxitReader.sh");

    // The reader on drive C comes first.
    touch(m_driveC / "Programmi/Foxit Software/FoxitPDFReader.exe");
    EXPECT_EQ(find(places), m_driveC / "Programmi/Foxit Software/FoxitPDFReader.exe");
}

TEST(PdfReaderKind, ExeIsAWindowsProgram)
{
    EXPECT_EQ(readerKind("/c/Foxit Software/FoxitPDFReader.exe"), ReaderKind::Windows);
    EXPECT_EQ(readerKind("/c/Foxit Software/foxitpdfreader.EXE"), ReaderKind::Windows);
    EXPECT_EQ(readerKind("/opt/foxitsoftware/foxitreader/FoxitReader"), ReaderKind::Linux);
    EXPECT_EQ(readerKind("/opt/foxitsoftware/foxitreader/FoxitReader.sh"), ReaderKind::Linux);
}
