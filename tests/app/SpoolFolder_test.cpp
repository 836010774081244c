// The spool folder protocol: which job is taken, its companion files, the settings line, the
// removal of job files, the error folder, deferred open requests and the fax hand-off file.
#include "app/JobSettings.h"
#include "app/SpoolFolder.h"
#include "platform/Clock.h"
#include "platform/WinPath.h"
#include "support/EngineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sys/file.h>
#include <unistd.h>

namespace spoolar::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class SpoolFolderTest : public ::testing::Test
{
protected:
    SpoolFolderTest()
        : m_root(makeTempDir("spool")), m_paths(m_root / "drive_c", m_root / "home"),
          m_clock(
              std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::system_clock::now())),
          m_folder(m_paths, m_clock)
    {
        fs::create_directories(spool());
    }
    ~SpoolFolderTest() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    fs::path driveC() const { return m_root / "drive_c"; }
    fs::path spool() const { return driveC() / "SPOOL"; }

    // A file written `age` before the clock's now (negative: in the future).
    fs::path put(const fs::path& file, const std::string& content,
                 std::chrono::seconds age = 60s) const
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        fs::last_write_time(file, std::chrono::file_clock::from_sys(m_clock.now() - age));
        return file;
    }

    static std::string read(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Names of the regular files below a folder, relative to it.
    static std::set<std::string> filesUnder(const fs::path& folder)
    {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                names.insert(fs::relative(entry.path(), folder).generic_string());
        return names;
    }

    fs::path m_root;
    PathMapper m_paths;
    FixedClock m_clock;
    SpoolFolder m_folder;
};

TEST(JobFileNames, CompanionsAreDerivedFromTheSettingsName)
{
    struct Case
    {
        std::string name;
        SpoolScheme scheme;
        std::string settings, data, cover;
    };
    const std::vector<Case> cases = {
        {"SPO123.TMP", SpoolScheme::Spo, "C:\\SPOOL\\SPO123.TMP", "C:\\SPOOL\\SPL123.TMP",
         "C:\\SPOOL\\SPC123.TMP"},
        {"spo7.tmp", SpoolScheme::Spo, "C:\\SPOOL\\SPO7.TMP", "C:\\SPOOL\\SPL7.TMP",
         "C:\\SPOOL\\SPC7.TMP"},
        // The id may itself hold the letters of the other scheme.
        {"SPOOL01.TMP", SpoolScheme::Spo, "C:\\SPOOL\\SPOOL01.TMP", "C:\\SPOOL\\SPLOL01.TMP",
         "C:\\SPOOL\\SPCOL01.TMP"},
        {"SPLOK01.001", SpoolScheme::Splok, "C:\\SPOOL\\SPLOK01.001", "C:\\SPOOL\\SPOOL01.001",
         "C:\\SPOOL\\SPLFC01.001"},
        {"splok0a.x9z", SpoolScheme::Splok, "C:\\SPOOL\\SPLOK0A.X9Z", "C:\\SPOOL\\SPOOL0A.X9Z",
         "C:\\SPOOL\\SPLFC0A.X9Z"},
    };
    for (const auto& c : cases) {
        const auto names = jobFileNames(c.name);
        ASSERT_TRUE(names) << c.name;
        EXPECT_EQ(names->scheme, c.scheme) << c.name;
        EXPECT_EQ(names->settingsPath, c.settings);
        EXPECT_EQ(names->dataPath, c.data);
        EXPECT_EQ(names->coverPath, c.cover);
    }
    for (const char* other : {"SPL1.TMP", "SPLOK1.001", "SPLOK01.01", "SPO1.TXT", "PRINTERS.LST"})
        EXPECT_FALSE(jobFileNames(other)) << other;
}

TEST_F(SpoolFolderTest, TakesTheJobByOrderOfService)
{
    struct Entry
    {
        std::string name;
        std::chrono::seconds age; // negative: stamped in the future
    };
    struct Case
    {
        const char* what;
        std::vector<Entry> files;
        std::string taken; // empty: no job
    };
    const std::vector<Case> cases = {
        {"empty folder", {}, ""},
        {"SPLOK before an older SPO",
         {{"SPO1.TMP", 7 * 24h}, {"SPLOK01.001", 1min}},
         "SPLOK01.001"},
        {"oldest first", {{"SPO1.TMP", 1h}, {"SPO2.TMP", 2h}, {"SPO3.TMP", 30min}}, "SPO2.TMP"},
        {"oldest SPLOK", {{"SPLOK01.001", 1h}, {"SPLOK02.001", 3h}}, "SPLOK02.001"},
        // Listing order is name order without regard to case: SPO10 before SPO2.
        {"tie keeps listing order", {{"SPO2.TMP", 1h}, {"SPO10.TMP", 1h}}, "SPO10.TMP"},
        {"lower-case names", {{"spo5.tmp", 1h}, {"SPO6.TMP", 10min}}, "spo5.tmp"},
        {"a day ahead is skipped", {{"SPO1.TMP", -24h}, {"SPO2.TMP", -23h}}, "SPO2.TMP"},
        {"less than a day ahead is taken", {{"SPO1.TMP", -(23h + 59min)}}, "SPO1.TMP"},
        {"only future files", {{"SPO1.TMP", -48h}}, ""},
        // The SPLOK scheme has waiting files, so the SPO scheme is not looked at.
        {"future SPLOK holds back SPO", {{"SPLOK01.001", -48h}, {"SPO1.TMP", 1h}}, ""},
        {"companions and strangers are no jobs",
         {{"SPL1.TMP", 1h},
          {"SPC1.TMP", 1h},
          {"SPOOL01.001", 1h},
          {"SPLOK1.001", 1h},
          {".SPO1.TMP", 1h},
          {"SPO1.TXT", 1h}},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(spool());
        fs::create_directories(spool() / "SPO9.TMP"); // a folder is never a job
        for (const auto& f : c.files)
            put(spool() / f.name, "x", f.age);
        const auto job = m_folder.nextJob();
        if (c.taken.empty()) {
            EXPECT_FALSE(job) << job->settingsFile;
            continue;
        }
        ASSERT_TRUE(job);
        EXPECT_EQ(job->settingsFile, spool() / c.taken);
        EXPECT_EQ(job->settingsPath, jobFileNames(c.taken)->settingsPath);
    }
}

TEST_F(SpoolFolderTest, JobHasItsCompanionFilesAndACoverOnlyWhenPresent)
{
    put(spool() / "spo5.tmp", "settings");
    put(spool() / "spl5.tmp", "data");
    auto job = m_folder.nextJob();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->scheme, SpoolScheme::Spo);
    EXPECT_EQ(job->dataPath, "C:\\SPOOL\\SPL5.TMP");
    EXPECT_EQ(job->dataFile, spool() / "spl5.tmp"); // found whatever its case
    EXPECT_FALSE(job->hasCover());
    EXPECT_EQ(job->coverPath, "");

    fs::create_directories(spool() / "SPC5.TMP"); // a folder is no cover
    EXPECT_FALSE(m_folder.nextJob()->hasCover());
    fs::remove(spool() / "SPC5.TMP");

    put(spool() / "Spc5.Tmp", "[Fields]");
    job = m_folder.nextJob();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->coverPath, "C:\\SPOOL\\SPC5.TMP");
    EXPECT_EQ(job->coverFile, spool() / "Spc5.Tmp");

    EXPECT_TRUE(m_folder.settingsStillExist(*job));
    fs::remove(spool() / "spo5.tmp");
    EXPECT_FALSE(m_folder.settingsStillExist(*job));
}

// A line with every column in place; each argument is padded or cut to its width.
std::string settingsLine(std::string title, std::string printer, char copies, char orientation,
                         char kind, std::string fax1 = "", std::string fax2 = "",
                         std::string fax3 = "", std::string offset = "")
{
    title.resize(8, ' ');
    printer.resize(59, ' ');
    std::string line = title + printer + '#' + copies + orientation + kind;
    if (fax1.empty() && fax2.empty() && fax3.empty() && offset.empty())
        return line;
    fax1.resize(1, ' ');
    fax2.resize(31, ' ');
    fax3.resize(46, ' ');
    return line + fax1 + fax2 + fax3 + offset;
}

TEST(JobSettingsLine, DecodesEveryColumn)
{
    const auto result = decodeSettingsLine(settingsLine(
        " FATT 1", "  HP LaserJet 4  ", '3', 'P', 'F', " ", "  ROSSI SPA ", " 06 1234 ", "  12"));
    ASSERT_TRUE(std::holds_alternative<JobSettings>(result));
    const auto& s = std::get<JobSettings>(result);
    EXPECT_EQ(s.title, "FATT 1");
    EXPECT_EQ(s.printerName, "HP LaserJet 4");
    EXPECT_FALSE(s.pdfOutput);
    EXPECT_EQ(s.copies, 3);
    EXPECT_EQ(s.outputCopies(), 3);
    EXPECT_TRUE(s.portrait);
    EXPECT_EQ(s.kind, JobKind::Fax);
    EXPECT_EQ(s.faxField1, " "); // not trimmed
    EXPECT_EQ(s.faxField2, "ROSSI SPA");
    EXPECT_EQ(s.faxField3, "06 1234");
    EXPECT_EQ(s.leftOffset, 12);
}

TEST(JobSettingsLine, ColumnRules)
{
    struct Case
    {
        const char* what;
        std::string line;
        std::string printer;
        bool pdf;
        int copies;
        int outputCopies;
        std::optional<JobKind> kind;
        std::int32_t offset;
    };
    const auto base = [](char copies, char kind, std::string offset = "",
                         std::string printer = "LASER") {
        return settingsLine("T", printer, copies, 'L', kind, offset.empty() ? "" : "1", "", "",
                            offset);
    };
    const std::vector<Case> cases = {
        {"PDF counts one copy", base('3', 'G', "", "PDF Embedded"), "PDF Embedded", true, 3, 1,
         JobKind::Graphic, 0},
        {"PDF name is case-sensitive", base('3', 'G', "", "pdf embedded"), "pdf embedded", false, 3,
         3, JobKind::Graphic, 0},
        {"copies 9", base('9', 'T'), "LASER", false, 9, 9, JobKind::Text, 0},
        {"copies 0 is one", base('0', 'C'), "LASER", false, 1, 1, JobKind::Chart, 0},
        {"copies blank is one", base(' ', 'X'), "LASER", false, 1, 1, JobKind::ChartByFax, 0},
        {"copies letter is one", base('A', 'F'), "LASER", false, 1, 1, JobKind::Fax, 0},
        {"lower-case kind keeps the previous", base('1', 'g'), "LASER", false, 1, 1, std::nullopt,
         0},
        {"blank kind keeps the previous", base('1', ' '), "LASER", false, 1, 1, std::nullopt, 0},
        {"offset after blanks", base('1', 'G', "  12"), "LASER", false, 1, 1, JobKind::Graphic, 12},
        {"offset with trailing blanks", base('1', 'G', "12  "), "LASER", false, 1, 1,
         JobKind::Graphic, 0},
        {"offset letters", base('1', 'G', "ab  "), "LASER", false, 1, 1, JobKind::Graphic, 0},
        {"offset negative", base('1', 'G', " -25"), "LASER", false, 1, 1, JobKind::Graphic, -25},
        {"offset plus", base('1', 'G', "+012"), "LASER", false, 1, 1, JobKind::Graphic, 12},
        {"offset sign only", base('1', 'G', "   -"), "LASER", false, 1, 1, JobKind::Graphic, 0},
        {"offset blank", base('1', 'G', "    "), "LASER", false, 1, 1, JobKind::Graphic, 0},
        {"offset cut short by the line end", base('1', 'G', " 7"), "LASER", false, 1, 1,
         JobKind::Graphic, 7},
        {"offset beyond column 153 ignored", base('1', 'G', "  4299"), "LASER", false, 1, 1,
         JobKind::Graphic, 42},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = decodeSettingsLine(c.line);
        ASSERT_TRUE(std::holds_alternative<JobSettings>(result));
        const auto& s = std::get<JobSettings>(result);
        EXPECT_EQ(s.printerName, c.printer);
        EXPECT_EQ(s.pdfOutput, c.pdf);
        EXPECT_EQ(s.copies, c.copies);
        EXPECT_EQ(s.outputCopies(), c.outputCopies);
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.leftOffset, c.offset);
    }
}

TEST(JobSettingsLine, LengthLimits)
{
    const std::string exact = settingsLine("T", "PDF Embedded", '3', 'P', 'G');
    ASSERT_EQ(exact.size(), 71u);
    const auto result = decodeSettingsLine(exact);
    ASSERT_TRUE(std::holds_alternative<JobSettings>(result));
    const auto& s = std::get<JobSettings>(result);
    EXPECT_EQ(s.faxField1, "");
    EXPECT_EQ(s.faxField2, "");
    EXPECT_EQ(s.faxField3, "");
    EXPECT_EQ(s.leftOffset, 0);
    EXPECT_EQ(s.outputCopies(), 1);

    for (std::size_t n : {0u, 1u, 8u, 70u}) {
        const auto shortResult = decodeSettingsLine(exact.substr(0, n));
        ASSERT_TRUE(std::holds_alternative<SettingsError>(shortResult)) << n;
        EXPECT_EQ(std::get<SettingsError>(shortResult), SettingsError::TooShort) << n;
    }
}

TEST(JobSettingsLine, OrientationAndFaxHandOffFollowKindAndOutput)
{
    struct Case
    {
        bool pdf;
        JobKind kind;
        char column70;
        bool landscape;
        bool handOff;
    };
    const std::vector<Case> cases = {
        {false, JobKind::Graphic, 'P', false, false},  {false, JobKind::Graphic, 'L', true, false},
        {false, JobKind::Fax, 'x', true, true},        {false, JobKind::Fax, 'P', false, true},
        {false, JobKind::Text, 'L', false, false},     {false, JobKind::Chart, 'P', true, false},
        {false, JobKind::ChartByFax, 'P', true, true}, {true, JobKind::Chart, 'P', false, false},
        {true, JobKind::Text, 'L', true, false},       {true, JobKind::Fax, 'L', true, false},
        {true, JobKind::ChartByFax, 'L', true, false},
    };
    for (const auto& c : cases) {
        const auto result = decodeSettingsLine(
            settingsLine("T", c.pdf ? "PDF Embedded" : "LASER", '1', c.column70, 'G'));
        const auto& s = std::get<JobSettings>(result);
        EXPECT_EQ(s.landscape(c.kind), c.landscape)
            << static_cast<int>(c.kind) << c.column70 << c.pdf;
        EXPECT_EQ(s.needsFaxHandOff(c.kind), c.handOff) << static_cast<int>(c.kind) << c.pdf;
    }
    const auto s = std::get<JobSettings>(decodeSettingsLine(settingsLine("T", "P", '1', 'P', '?')));
    EXPECT_EQ(s.effectiveKind(JobKind::Chart), JobKind::Chart);
}

TEST_F(SpoolFolderTest, ReadsOnlyTheFirstLineOfTheSettingsFile)
{
    const std::string line = settingsLine("FIRST", "LASER", '2', 'P', 'G');
    const auto titleOf = [](const SettingsResult& r) {
        return std::holds_alternative<JobSettings>(r) ? std::get<JobSettings>(r).title
                                                      : std::string("error");
    };
    EXPECT_EQ(titleOf(readJobSettings(put(spool() / "a", line + "\r\nSECOND LINE\r\n"))), "FIRST");
    EXPECT_EQ(titleOf(readJobSettings(put(spool() / "b", line + "\r" + line))), "FIRST");
    EXPECT_EQ(titleOf(readJobSettings(put(spool() / "c", line))), "FIRST");

    struct Failure
    {
        fs::path file;
        SettingsError error;
    };
    fs::create_directories(spool() / "folder");
    const std::vector<Failure> failures = {
        {put(spool() / "empty", ""), SettingsError::Empty},
        {put(spool() / "blank", "\r\n"), SettingsError::TooShort},
        {put(spool() / "short", line.substr(0, 70) + "\r\n" + line), SettingsError::TooShort},
        {spool() / "missing", SettingsError::Unreadable},
        {spool() / "folder", SettingsError::Unreadable},
    };
    for (const auto& f : failures) {
        const auto result = readJobSettings(f.file);
        ASSERT_TRUE(std::holds_alternative<SettingsError>(result)) << f.file;
        EXPECT_EQ(std::get<SettingsError>(result), f.error) << f.file;
    }
}

TEST_F(SpoolFolderTest, RemovesExactlyTheFilesTheOutcomeNames)
{
    struct Case
    {
        JobOutcome outcome;
        bool cover;
        std::set<std::string> left;
    };
    const std::set<std::string> others = {"PRINTERS.LST", "SPO2.TMP",   "SPL2.TMP",
                                          "SPC2.TMP",     "TMP/a.coda", "SPL10.TMP"};
    const auto with = [&](std::initializer_list<std::string> extra) {
        std::set<std::string> all = others;
        all.insert(extra);
        return all;
    };
    const std::vector<Case> cases = {
        {JobOutcome::Processed, true, others},
        {JobOutcome::Processed, false, others},
        {JobOutcome::NotPrepared, true, with({"SPC1.TMP"})},
        {JobOutcome::NotPrepared, false, others},
        {JobOutcome::ProcessingError, true, with({"SPO1.TMP", "SPL1.TMP", "SPC1.TMP"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.outcome));
        fs::remove_all(spool());
        for (const auto& name : others)
            put(spool() / name, "keep");
        put(spool() / "SPO1.TMP", "settings", 2h);
        put(spool() / "SPL1.TMP", "data");
        if (c.cover)
            put(spool() / "SPC1.TMP", "cover");
        const auto job = m_folder.nextJob();
        ASSERT_TRUE(job);
        ASSERT_EQ(job->settingsFile, spool() / "SPO1.TMP");
        if (!c.cover)
            put(spool() / "SPC1.TMP", "cover of someone else, later"); // not the job's
        EXPECT_TRUE(m_folder.removeJobFiles(*job, c.outcome));
        std::set<std::string> expected = c.left;
        if (!c.cover)
            expected.insert("SPC1.TMP");
        EXPECT_EQ(filesUnder(spool()), expected);
    }
}

TEST_F(SpoolFolderTest, RemovalNeverTakesAFolder)
{
    put(spool() / "SPO1.TMP", "settings");
    fs::create_directories(spool() / "SPL1.TMP" / "inside");
    const auto job = m_folder.nextJob();
    ASSERT_TRUE(job);
    EXPECT_FALSE(m_folder.removeJobFiles(*job, JobOutcome::Processed));
    EXPECT_FALSE(fs::exists(spool() / "SPO1.TMP"));
    EXPECT_TRUE(fs::is_directory(spool() / "SPL1.TMP" / "inside"));
}

TEST_F(SpoolFolderTest, MovesAJobToTheErrorFolderWithoutOverwriting)
{
    const auto takeJob = [&] {
        put(spool() / "SPLOK01.001", "settings");
        put(spool() / "SPOOL01.001", "data");
        put(spool() / "splfc01.001", "cover");
        put(spool() / "SPLOK02.001", "other job", 10s);
        auto job = m_folder.nextJob();
        EXPECT_TRUE(job && job->settingsFile == spool() / "SPLOK01.001");
        return *job;
    };

    // No error folder yet: it is created, the names stay.
    auto moved = m_folder.moveJobToErrorFolder(takeJob());
    EXPECT_TRUE(moved.complete);
    EXPECT_EQ(moved.moved,
              (std::vector<fs::path>{spool() / "ERR/SPLOK01.001", spool() / "ERR/SPOOL01.001",
                                     spool() / "ERR/splfc01.001"}));

    // Same names again, and one ".1" already taken: the whole job gets ".2".
    put(spool() / "ERR/SPOOL01.001.1", "older");
    moved = m_folder.moveJobToErrorFolder(takeJob());
    EXPECT_TRUE(moved.complete);
    EXPECT_EQ(filesUnder(spool()),
              (std::set<std::string>{"SPLOK02.001", "ERR/SPLOK01.001", "ERR/SPOOL01.001",
                                     "ERR/splfc01.001", "ERR/SPOOL01.001.1", "ERR/SPLOK01.001.2",
                                     "ERR/SPOOL01.001.2", "ERR/splfc01.001.2"}));
    EXPECT_EQ(read(spool() / "ERR/SPOOL01.001.1"), "older");
    EXPECT_EQ(read(spool() / "ERR/SPOOL01.001.2"), "data");

    // The error folder cannot be made: nothing moves.
    fs::remove_all(spool() / "ERR");
    put(spool() / "ERR", "a file in the way");
    moved = m_folder.moveJobToErrorFolder(takeJob());
    EXPECT_FALSE(moved.complete);
    EXPECT_TRUE(moved.moved.empty());
    EXPECT_TRUE(fs::exists(spool() / "SPLOK01.001"));
}

TEST_F(SpoolFolderTest, ListsOpenRequests)
{
    const fs::path tmp = spool() / "TMP";
    put(tmp / "b.coda", "x");
    put(tmp / "A.CODA", "x");
    put(tmp / ".hidden.coda", "x");
    put(tmp / "c.coda.txt", "x");
    fs::create_directories(tmp / "d.coda");
    EXPECT_EQ(m_folder.openRequests(), (std::vector<fs::path>{tmp / "A.CODA", tmp / "b.coda"}));
}

TEST_F(SpoolFolderTest, ReadsAndRemovesOpenRequests)
{
    const fs::path pdf = put(spool() / "PDF" / "Fattura_1.pdf", "%PDF");
    struct Case
    {
        const char* what;
        std::string content;
        OpenRequestStatus status;
        fs::path target;
    };
    const std::vector<Case> cases = {
        {"windows path, any case", "c:\\spool\\pdf\\FATTURA_1.PDF", OpenRequestStatus::Open, pdf},
        {"line break and quotes of its own", "\"C:\\SPOOL\\PDF\\Fattura_1.pdf\"\r\n",
         OpenRequestStatus::Open, pdf},
        {"host path as it is", "/srv/doc/Elenco clienti.pdf\n", OpenRequestStatus::Open,
         "/srv/doc/Elenco clienti.pdf"},
        {"relative host path", "doc.pdf", OpenRequestStatus::Open, "doc.pdf"},
        {"windows path in the ANSI code page", "C:\\SPOOL\\PDF\\Perch\xE8.pdf",
         OpenRequestStatus::Open, spool() / "PDF" / "Perch\xC3\xA8.pdf"},
        {"windows path in UTF-8", "C:\\SPOOL\\PDF\\Perch\xC3\xA8.pdf", OpenRequestStatus::Open,
         spool() / "PDF" / "Perch\xC3\xA8.pdf"},
        {"empty", " \r\n", OpenRequestStatus::Empty, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path request = put(spool() / "TMP" / "r.coda", c.content);
        const OpenRequest taken = m_folder.takeOpenRequest(request);
        EXPECT_EQ(taken.status, c.status);
        EXPECT_EQ(taken.target, c.target);
        EXPECT_FALSE(fs::exists(request));
    }
}

TEST_F(SpoolFolderTest, OpenRequestStillHeldByItsWriterWaits)
{
    const fs::path request = put(spool() / "TMP" / "r.coda", "C:\\SPOOL\\PDF\\a.pdf");
    {
        std::ofstream writer(request, std::ios::app); // still being written
        EXPECT_EQ(m_folder.takeOpenRequest(request).status, OpenRequestStatus::Held);
        EXPECT_TRUE(fs::exists(request));
    }
    {
        // A writer that locks instead; the lock is what counts, not the mode it opened with.
        const int fd = ::open(request.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        EXPECT_EQ(m_folder.takeOpenRequest(request).status, OpenRequestStatus::Held);
        ::close(fd);
    }
    {
        // Another reader does not hold it back.
        std::ifstream reader(request);
        const OpenRequest taken = m_folder.takeOpenRequest(request);
        EXPECT_EQ(taken.status, OpenRequestStatus::Open);
        EXPECT_EQ(taken.target, m_paths.toHost("C:\\SPOOL\\PDF\\a.pdf"));
    }
    EXPECT_FALSE(fs::exists(request));
    EXPECT_EQ(m_folder.takeOpenRequest(request).status, OpenRequestStatus::Unreadable);
}

TEST_F(SpoolFolderTest, OpenRequestThatCannotBeRemovedIsNotServed)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root removes files from read-only folders";
    const fs::path request = put(spool() / "TMP" / "r.coda", "/srv/a.pdf");
    fs::permissions(spool() / "TMP", fs::perms::owner_write, fs::perm_options::remove);
    const OpenRequest taken = m_folder.takeOpenRequest(request);
    fs::permissions(spool() / "TMP", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(taken.status, OpenRequestStatus::NotRemoved);
    EXPECT_TRUE(fs::exists(request));
}

TEST_F(SpoolFolderTest, FaxHandOffFile)
{
    auto settings = std::get<JobSettings>(decodeSettingsLine(
        settingsLine("FAX", "LASER", '1', 'P', 'F', "S", " Rossi & C. spa", "0612345678")));
    EXPECT_EQ(SpoolFolder::faxHandOffLine(settings), "\"S\",\"Rossi & C. spa\",\"0612345678\"\r\n");

    // The fax program's folder is not created for it.
    EXPECT_FALSE(m_folder.writeFaxHandOff(settings));
    EXPECT_FALSE(fs::exists(driveC() / "KERVANIS"));
    EXPECT_FALSE(m_folder.faxHandOffPending());

    const fs::path folder = driveC() / "kervanis" / "TmpFiles";
    fs::create_directories(folder);
    put(folder / "send2fax.del", "old line that is longer than the new one\r\n");
    settings.faxField1 = " ";
    settings.faxField3.clear();
    EXPECT_TRUE(m_folder.writeFaxHandOff(settings));
    EXPECT_EQ(filesUnder(folder), std::set<std::string>{"send2fax.del"});
    EXPECT_EQ(read(folder / "send2fax.del"), "\" \",\"Rossi & C. spa\",\"\"\r\n");
    EXPECT_TRUE(m_folder.faxHandOffPending());
    fs::remove(folder / "send2fax.del");
    EXPECT_FALSE(m_folder.faxHandOffPending());
}

} // namespace
} // namespace spoolar::test
