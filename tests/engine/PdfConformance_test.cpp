// PDF/A completion checked the way a receiver would: files built through libharu exactly as the
// engine builds them, read back with qpdf and poppler.
#include "engine/PdfConformance.h"
#include "engine/PdfError.h"

#include <hpdf_doc.h>
#include <hpdf_objects.h>

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace spoolar {
namespace {

namespace fs = std::filesystem;

constexpr const char* RegularFont =
    "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";
constexpr const char* BoldFont = "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf";

// "àèéìòù € §" in CP1252, and the same in UTF-8 as text extraction returns it.
constexpr const char* SampleCp1252 = "\xE0\xE8\xE9\xEC\xF2\xF9 \x80 \xA7";
constexpr const char* SampleUtf8 = "àèéìòù € §";

// A title that needs escaping in XML and a non-ASCII byte (0xE8 is "è" in Info strings too).
constexpr const char* TitleBytes = "Fatture & note <2026> \xE8";
constexpr const char* TitleUtf8 = "Fatture & note <2026> è";

struct CommandResult
{
    int status = -1;
    std::string output; // stdout and stderr together
};

CommandResult run(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The first match of a pattern: the captured groups, empty when there is no match.
std::vector<std::string> search(const std::string& text, const std::string& pattern)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QString::fromStdString(pattern), QRegularExpression::MultilineOption)
            .match(QString::fromStdString(text));
    std::vector<std::string> groups;
    for (int i = 0; match.hasMatch() && i <= match.lastCapturedIndex(); ++i)
        groups.push_back(match.captured(i).toStdString());
    return groups;
}

bool contains(const std::string& text, const std::string& pattern)
{
    return !search(text, pattern).empty();
}

size_t matchCount(const std::string& text, const std::string& pattern)
{
    auto matches =
        QRegularExpression(QString::fromStdString(pattern), QRegularExpression::MultilineOption)
            .globalMatch(QString::fromStdString(text));
    size_t count = 0;
    for (; matches.hasNext(); matches.next())
        ++count;
    return count;
}

// The value of one "Name:   value" line of pdfinfo.
std::string infoField(const std::string& output, const std::string& name)
{
    const auto groups = search(output, "^" + name + ":\\s*(.*)$");
    return groups.empty() ? std::string() : groups[1];
}

std::string trimmedEnd(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    return text;
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

size_t countOf(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

class TempDir
{
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "pdfconformance-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

class PdfDocument
{
public:
    PdfDocument() : m_doc(HPDF_New(pdfErrorHandler, nullptr)) {}
    ~PdfDocument() { HPDF_Free(m_doc); }
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;
    HPDF_Doc get() const { return m_doc; }

private:
    HPDF_Doc m_doc;
};

enum class InfoFields
{
    Set,
    None
};
// How the page's drawing ends: cleanly, or (as a faulty caller might) inside a text object
// with a saved graphics state and without endPage for the last page.
enum class PageEnding
{
    Clean,
    Unbalanced
};

// Two A4 pages with the engine's calls: scaled user space, text in both fonts, colours,
// a rectangle and a line.
void buildDocument(PdfType type, const fs::path& file, InfoFields info = InfoFields::Set,
                   PageEnding ending = PageEnding::Clean)
{
    PdfDocument doc;
    HPDF_Doc pdf = doc.get();
    PdfConformance conformance(pdf, type);
    HPDF_SetCompressionMode(pdf, HPDF_COMP_ALL);
    const char* regularName = HPDF_LoadTTFontFromFile(pdf, RegularFont, HPDF_TRUE);
    const char* boldName = HPDF_LoadTTFontFromFile(pdf, BoldFont, HPDF_TRUE);
    HPDF_Font regular = HPDF_GetFont(pdf, regularName, "CP1252");
    HPDF_Font bold = HPDF_GetFont(pdf, boldName, "CP1252");

    if (info == InfoFields::Set) {
        HPDF_SetInfoAttr(pdf, HPDF_INFO_AUTHOR, "Ufficio amministrativo");
        HPDF_SetInfoAttr(pdf, HPDF_INFO_CREATOR, "Spoolar");
        HPDF_SetInfoAttr(pdf, HPDF_INFO_SUBJECT, "Stampa");
        HPDF_SetInfoAttr(pdf, HPDF_INFO_TITLE, TitleBytes);
        const HPDF_Date date{2026, 12, 1, 10, 30, 15, '+', 1, 0};
        HPDF_SetInfoDateAttr(pdf, HPDF_INFO_CREATION_DATE, date);
        HPDF_SetInfoDateAttr(pdf, HPDF_INFO_MOD_DATE, date);
    }

    for (int number = 0; number < 2; ++number) {
        HPDF_Font font = number == 0 ? regular : bold;
        HPDF_Page page = HPDF_AddPage(pdf);
        HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
        HPDF_Page_Concat(page, 0.12, 0, 0, 0.12, 0, 0);
        conformance.beginPage(page);
        conformance.registerFont(font);

        HPDF_Page_SetRGBFill(page, 0.9f, 0.9f, 1.0f);
        HPDF_Page_Rectangle(page, 500, 5000, 3000, 600);
        HPDF_Page_Fill(page);
        HPDF_Page_SetRGBStroke(page, 0, 0, 0);
        HPDF_Page_MoveTo(page, 500, 4900);
        HPDF_Page_LineTo(page, 3500, 4900);
        HPDF_Page_Stroke(page);

        HPDF_Page_BeginText(page);
        HPDF_Page_SetFontAndSize(page, font, 100);
        HPDF_Page_SetRGBFill(page, 0.6f, 0, 0);
        HPDF_Page_SetTextMatrix(page, 1, 0, 0, 1, 600, 5200);
        HPDF_Page_ShowText(page, SampleCp1252);
        if (ending == PageEnding::Unbalanced) {
            HPDF_Page_EndText(page);
            HPDF_Page_GSave(page);
            HPDF_Page_BeginText(page);
            if (number == 0)
                conformance.endPage(page);
        } else {
            HPDF_Page_EndText(page);
            conformance.endPage(page);
        }
    }

    conformance.finish();
    HPDF_SaveToFile(pdf, file.string().c_str());
}

// The dictionary of an object, as qpdf prints it ("trailer" or an object number).
std::string showObject(const fs::path& file, const std::string& object)
{
    return run("qpdf --show-object=" + object + " " + quoted(file)).output;
}

std::string referencedObject(const fs::path& file, const std::string& dict, const std::string& key)
{
    const auto groups = search(dict, "/" + key + " (\\d+) 0 R");
    return groups.empty() ? std::string() : showObject(file, groups[1]);
}

std::string catalogOf(const fs::path& file)
{
    return referencedObject(file, showObject(file, "trailer"), "Root");
}

// The decoded content of every page, in page order.
std::vector<std::string> pageContents(const fs::path& file)
{
    const std::string pages = run("qpdf --show-pages " + quoted(file)).output;
    std::vector<std::string> contents;
    std::istringstream lines(pages);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("page ", 0) == 0) {
            contents.emplace_back();
        } else if (const auto groups = search(line, "^\\s+(\\d+) 0 R$");
                   !contents.empty() && !groups.empty()) {
            contents.back() +=
                run("qpdf --show-object=" + groups[1] + " --filtered-stream-data " + quoted(file))
                    .output;
        }
    }
    return contents;
}

struct TypeCase
{
    PdfType type;
    const char* name;
    const char* conformance; // pdfaid:conformance, empty for a plain PDF
};

void PrintTo(const TypeCase& typeCase, std::ostream* out)
{
    *out << typeCase.name;
}

class PdfConformanceTest : public ::testing::TestWithParam<TypeCase>
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dir.path().empty());
        m_file = m_dir.path() / "out.pdf";
        ASSERT_NO_THROW(buildDocument(GetParam().type, m_file));
    }
    bool isPdfA() const { return GetParam().type != PdfType::Plain; }
    bool isTagged() const { return GetParam().type == PdfType::PdfA1a; }

    TempDir m_dir;
    fs::path m_file;
};

TEST_P(PdfConformanceTest, PassesQpdfCheckWithoutWarnings)
{
    const CommandResult check = run("qpdf --check " + quoted(m_file));
    EXPECT_EQ(check.status, 0) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
}

TEST_P(PdfConformanceTest, TextExtractsExactlyOnEveryPage)
{
    for (int page : {1, 2}) {
        const std::string n = std::to_string(page);
        const CommandResult text =
            run("pdftotext -q -f " + n + " -l " + n + " " + quoted(m_file) + " -");
        ASSERT_EQ(text.status, 0);
        EXPECT_EQ(trimmedEnd(text.output), SampleUtf8) << "page " << page;
    }
}

TEST_P(PdfConformanceTest, FontsAreEmbeddedSubsetsWithUnicodeMapsOnlyWhenTagged)
{
    const CommandResult fonts = run("pdffonts " + quoted(m_file));
    ASSERT_EQ(fonts.status, 0) << fonts.output;
    const std::string uni = isTagged() ? "yes" : "no";
    const std::string row = "\\+LiberationMono\\S*\\s+TrueType\\s+\\S+\\s+yes\\s+yes\\s+" + uni;
    EXPECT_EQ(matchCount(fonts.output, row), 2u) << fonts.output;
}

TEST_P(PdfConformanceTest, StructureTreeAndMarkedContentOnlyWhenTagged)
{
    const CommandResult info = run("pdfinfo " + quoted(m_file));
    EXPECT_EQ(infoField(info.output, "Tagged"), isTagged() ? "yes" : "no") << info.output;

    const std::string catalog = catalogOf(m_file);
    EXPECT_EQ(catalog.find("/StructTreeRoot") != std::string::npos, isTagged()) << catalog;
    EXPECT_EQ(catalog.find("/MarkInfo << /Marked true >>") != std::string::npos, isTagged());
    EXPECT_EQ(catalog.find("/Lang (it-IT)") != std::string::npos, isTagged());

    // Each page's content is exactly one sequence around all of its drawing.
    const std::vector<std::string> contents = pageContents(m_file);
    ASSERT_EQ(contents.size(), 2u);
    for (const std::string& content : contents) {
        const size_t bdc = content.find("/P <</MCID 0>> BDC");
        const size_t emc = content.rfind("EMC");
        if (!isTagged()) {
            EXPECT_EQ(bdc, std::string::npos);
            EXPECT_EQ(countOf(content, "EMC"), 0u);
            continue;
        }
        EXPECT_EQ(countOf(content, "BDC"), 1u) << content;
        EXPECT_EQ(countOf(content, "EMC"), 1u) << content;
        EXPECT_LT(content.find("cm"), bdc) << content;
        EXPECT_LT(bdc, content.find("re")) << content;
        EXPECT_GT(emc, content.rfind("ET")) << content;
    }

    if (isTagged()) {
        const CommandResult structure = run("pdfinfo -struct-text " + quoted(m_file));
        EXPECT_EQ(structure.status, 0) << structure.output;
        EXPECT_NE(structure.output.find("Document"), std::string::npos) << structure.output;
        EXPECT_EQ(countOf(structure.output, std::string("P (block)")), 2u) << structure.output;
        EXPECT_EQ(countOf(structure.output, SampleUtf8), 2u) << structure.output;
    }
}

// The XMP packet as a reader sees it: well-formed, with the identification and the title
// equal to the Info title.
struct Xmp
{
    bool wellFormed = false;
    std::string part, conformance, title;
};

Xmp parseXmp(const std::string& packet)
{
    Xmp xmp;
    QXmlStreamReader reader(QByteArray::fromStdString(packet));
    bool inTitle = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const auto attributes = reader.attributes();
            if (attributes.hasAttribute("pdfaid:part")) {
                xmp.part = attributes.value("pdfaid:part").toString().toStdString();
                xmp.conformance = attributes.value("pdfaid:conformance").toString().toStdString();
            }
            if (reader.qualifiedName() == QLatin1String("dc:title"))
                inTitle = true;
            if (inTitle && reader.qualifiedName() == QLatin1String("rdf:li"))
                xmp.title = reader.readElementText().toStdString();
        } else if (reader.isEndElement() && reader.qualifiedName() == QLatin1String("dc:title")) {
            inTitle = false;
        }
    }
    xmp.wellFormed = !reader.hasError();
    return xmp;
}

TEST_P(PdfConformanceTest, MetadataIdAndOutputIntentOnlyForPdfA)
{
    const std::string catalog = catalogOf(m_file);
    const CommandResult meta = run("pdfinfo -meta " + quoted(m_file));
    if (!isPdfA()) {
        EXPECT_EQ(catalog.find("/Metadata"), std::string::npos) << catalog;
        EXPECT_EQ(catalog.find("/OutputIntents"), std::string::npos) << catalog;
        EXPECT_EQ(meta.output.find("pdfaid"), std::string::npos) << meta.output;
        return;
    }

    const Xmp xmp = parseXmp(meta.output);
    EXPECT_TRUE(xmp.wellFormed) << meta.output;
    EXPECT_EQ(xmp.part, "1");
    EXPECT_EQ(xmp.conformance, GetParam().conformance);
    EXPECT_EQ(xmp.title, TitleUtf8);
    const CommandResult info = run("pdfinfo " + quoted(m_file));
    EXPECT_EQ(infoField(info.output, "Title"), TitleUtf8);
    EXPECT_NE(meta.output.find("<xmp:CreateDate>2026-12-01T10:30:15+01:00</xmp:CreateDate>"),
              std::string::npos)
        << meta.output;
    EXPECT_EQ(infoField(info.output, "PDF version"), "1.4");

    const std::string metadata = referencedObject(m_file, catalog, "Metadata");
    EXPECT_NE(metadata.find("/Subtype /XML"), std::string::npos) << metadata;
    EXPECT_EQ(metadata.find("/SubType"), std::string::npos) << metadata;
    EXPECT_EQ(metadata.find("/Filter"), std::string::npos) << metadata;

    EXPECT_TRUE(
        contains(showObject(m_file, "trailer"), "/ID \\[ ?<[0-9a-f]{32}> ?<[0-9a-f]{32}> ?\\]"));

    const auto intentRef = search(catalog, "/OutputIntents \\[ (\\d+) 0 R \\]");
    ASSERT_FALSE(intentRef.empty()) << catalog;
    const std::string intent = showObject(m_file, intentRef[1]);
    EXPECT_NE(intent.find("/S /GTS_PDFA1"), std::string::npos) << intent;
    EXPECT_NE(intent.find("/OutputConditionIdentifier (sRGB IEC61966-2.1)"), std::string::npos);
    const std::string profile = referencedObject(m_file, intent, "DestOutputProfile");
    EXPECT_NE(profile.find("/N 3"), std::string::npos) << intent << profile;
}

TEST_P(PdfConformanceTest, NoTransparencyAnywhere)
{
    const fs::path expanded = m_dir.path() / "qdf.pdf";
    ASSERT_EQ(run("qpdf --qdf --object-streams=disable " + quoted(m_file) + " " + quoted(expanded))
                  .status,
              0);
    std::ifstream in(expanded, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("/SMask"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Types, PdfConformanceTest,
                         ::testing::Values(TypeCase{PdfType::Plain, "Plain", ""},
                                           TypeCase{PdfType::PdfA1a, "PdfA1a", "A"},
                                           TypeCase{PdfType::PdfA1b, "PdfA1b", "B"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PdfConformance, SettlesPagesLeftInsideTextAndSavedState)
{
    TempDir dir;
    const fs::path file = dir.path() / "unbalanced.pdf";
    ASSERT_NO_THROW(buildDocument(PdfType::PdfA1a, file, InfoFields::Set, PageEnding::Unbalanced));

    const CommandResult check = run("qpdf --check " + quoted(file));
    EXPECT_EQ(check.status, 0) << check.output;
    const std::vector<std::string> contents = pageContents(file);
    ASSERT_EQ(contents.size(), 2u);
    for (const std::string& content : contents) {
        // The open text object and the saved state are closed inside the sequence.
        EXPECT_TRUE(contains(content, "ET\\s+Q\\s+EMC\\s*\\z")) << content;
        EXPECT_EQ(countOf(content, "BT"), countOf(content, "ET")) << content;
    }
}

TEST(PdfConformance, IdentifiesPdfAEvenWithoutInfoFields)
{
    TempDir dir;
    const fs::path file = dir.path() / "noinfo.pdf";
    ASSERT_NO_THROW(buildDocument(PdfType::PdfA1b, file, InfoFields::None));

    EXPECT_EQ(run("qpdf --check " + quoted(file)).status, 0);
    const Xmp xmp = parseXmp(run("pdfinfo -meta " + quoted(file)).output);
    EXPECT_TRUE(xmp.wellFormed);
    EXPECT_EQ(xmp.part, "1");
    EXPECT_EQ(xmp.conformance, "B");
}

TEST(PdfConformance, FinishingTwiceAddsNothingMore)
{
    PdfDocument doc;
    PdfConformance conformance(doc.get(), PdfType::PdfA1b);
    HPDF_AddPage(doc.get());
    HPDF_SetInfoAttr(doc.get(), HPDF_INFO_TITLE, "x");
    EXPECT_TRUE(conformance.finish());
    EXPECT_TRUE(conformance.finish());
    auto* intents = static_cast<HPDF_Array>(
        HPDF_Dict_GetItem(doc.get()->catalog, "OutputIntents", HPDF_OCLASS_ARRAY));
    ASSERT_NE(intents, nullptr);
    EXPECT_EQ(HPDF_Array_Items(intents), 1u);
}

} // namespace
} // namespace spoolar
