// Letterheads: definition files, name resolution, placement on printer pages, switching on and
// off, and the pictures of PDF documents.
#include "engine/PdfFonts.h"
#include "overlays/LetterheadFile.h"
#include "overlays/LetterheadPainter.h"
#include "overlays/LetterheadResolver.h"
#include "overlays/OverlayFixture.h"
#include "platform/MulDiv.h"

#include <QImage>

#include <sstream>

namespace spoolar::test {
namespace {

class Letterhead : public OverlayFixture
{
protected:
    // A letterhead in C:\SPOOL: a heading text at (100, 10) and two centred footer texts.
    void writeLogo(const std::string& extra = "")
    {
        writeText(spool("LOGO.hdr"), "[Global]\r\nHorizSize=800\r\nFooterSize=244\r\n"
                                     "[Testo1]\r\nTop=10\r\nLeft=100\r\nText=Ditta Rossi\r\n"
                                     "FontName=Courier New\r\nFontSize=8\r\n"
                                     "[Testo2]\r\nFooter=1\r\nTop=200\r\nLeft=999\r\nText=Piede\r\n"
                                     "FontName=Courier New\r\nFontSize=8\r\n"
                                     "[Testo3]\r\nFooter=1\r\nTop=243\r\nText=Basso\r\n"
                                     "FontName=Courier New\r\nFontSize=8\r\n" +
                                         extra);
    }

    // pdfimages -list: one row per image drawn, as page number and object number.
    static std::vector<std::pair<int, int>> imagesOf(const std::filesystem::path& pdf)
    {
        std::istringstream rows(capture("pdfimages -list " + quoted(pdf)));
        std::string line;
        std::vector<std::pair<int, int>> out;
        std::getline(rows, line);
        std::getline(rows, line);
        while (std::getline(rows, line)) {
            std::istringstream cells(line);
            int page = 0, num = 0, w = 0, h = 0, comp = 0, bpc = 0, object = 0;
            std::string type, colour, enc, interp;
            cells >> page >> num >> type >> w >> h >> colour >> comp >> bpc >> enc >> interp >>
                object;
            out.emplace_back(page, object);
        }
        return out;
    }
};

TEST_F(Letterhead, DefinitionKeysSectionsAndDefaults)
{
    writeText(spool("archivio.jpg.d/A.hdr"), "[MioTesto3]\r\nText=Uno\r\nFontSize=abc\r\n"
                                             "Footer=2\r\n[testo3]\r\nText=Nessuno\r\n"
                                             "[Immagine1]\r\nImageFile=C:\\Loghi\\logo.bmp\r\n");
    const LetterheadFile def = LetterheadFile::read(spool("archivio.jpg.d/A.hdr"));
    EXPECT_EQ(def.horizSize, 800);
    EXPECT_EQ(def.footerSize, 244);
    ASSERT_EQ(def.elements.size(), 2u);
    const auto& text = std::get<LetterheadText>(def.elements[0]);
    EXPECT_EQ(text.text, "Uno");
    EXPECT_EQ(text.fontSize, 8);
    EXPECT_TRUE(text.footer);
    EXPECT_EQ(text.fontName, "Tahoma");
    const auto& picture = std::get<LetterheadPicture>(def.elements[1]);
    EXPECT_EQ(picture.file, spool("archivio.jpg.d/logo.bmp"));
    EXPECT_EQ(picture.width, 100);
    EXPECT_EQ(picture.height, 100);
    // The JPEG test runs on the whole lower-cased path.
    EXPECT_TRUE(countsAsJpeg(picture.file));
    EXPECT_TRUE(countsAsJpeg("/x/logo.JPG"));
    EXPECT_TRUE(countsAsJpeg("/x/logo.jpeg"));
    EXPECT_FALSE(countsAsJpeg("/x/logo.bmp"));
}

TEST_F(Letterhead, NameResolutionAndItsTrace)
{
    writeText(m_root / "drive_c/WINDOWS/Qvor.ini",
              "[CODEBASE]\r\nCurrentDir=C:\\KERVANIS\\HDR\r\n");
    writeText(m_root / "drive_c/KERVANIS/HDR/BOTH.hdr", "");
    writeText(spool("BOTH.hdr"), "");
    writeText(spool("SPOOLONLY.hdr"), "");
    writeText(m_root / "drive_c/secret.hdr", "");
    auto trace = [&] {
        std::ifstream in(cwd() / "HTest.txt", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };

    LetterheadResolution r = resolveLetterhead(m_paths, "BOTH", cwd());
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.windowsPath, "C:\\KERVANIS\\HDR\\BOTH.hdr");
    EXPECT_EQ(trace(), "asPath = C:\\KERVANIS\\HDR\nm_asFileHeader = C:\\KERVANIS\\HDR\\BOTH.hdr\n"
                       "m_asFileHeader = C:\\KERVANIS\\HDR\\BOTH.hdr\n");

    r = resolveLetterhead(m_paths, "SPOOLONLY", cwd());
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.hostPath, spool("SPOOLONLY.hdr"));

    r = resolveLetterhead(m_paths, "MANCA", cwd());
    EXPECT_FALSE(r.found);
    EXPECT_EQ(trace(), "asPath = C:\\KERVANIS\\HDR\nm_asFileHeader = C:\\KERVANIS\\HDR\\MANCA.hdr\n"
                       "m_asFileHeader = C:\\SPOOL\\MANCA.hdr\n");

    // A name may not climb out of the letterhead folders.
    for (const char* name : {"..\\secret", "../secret", "C:\\secret", "a*b"})
        EXPECT_FALSE(resolveLetterhead(m_paths, name, cwd()).found) << name;
}

TEST_F(Letterhead, PrinterPlacementScalesDesignerPixelsToThePage)
{
    writeLogo();
    const TPageList pages = printJob(cmd("HLOGO") + "Testo");
    ASSERT_EQ(pages.size(), 1u);
    std::map<std::string, mfop::Text> byText;
    for (const auto& t : opsOf<mfop::Text>(*pages[0]))
        byText[t.text] = t;

    // 600 dpi, W = 4960, HorizSize 800: (100, 10) -> (620, 62); size 8 -> MulDiv(8, W, 800) = 50
    // points, 67 dots high at the screen's 96 dpi.
    const mfop::Text& heading = byText.at("Ditta Rossi");
    EXPECT_EQ(heading.x, 620);
    EXPECT_EQ(heading.y, 62);
    EXPECT_EQ(heading.font.height, -MulDiv(50, 96, 72));
    EXPECT_EQ(heading.font.family, "Courier New");

    // 44 designer pixels above the bottom edge, centred whatever its Left.
    const mfop::Text& footer = byText.at("Piede");
    EXPECT_EQ(footer.y, 7016 - MulDiv(44, 4960, 800));
    EXPECT_EQ(footer.x, (4960 - measureTextWidth(footer.font, "Piede")) / 2);

    // A footer that would run past the printable bottom ends on it.
    const mfop::Text& low = byText.at("Basso");
    EXPECT_EQ(low.y + measureTextHeight(low.font), 7016 - 41);

    // The job's own text keeps its font.
    EXPECT_EQ(byText.at("Testo").font.family, "Courier New");
    EXPECT_NE(byText.at("Testo").font.height, heading.font.height);
}

TEST_F(Letterhead, SwitchedOffPagesCarryNoLetterhead)
{
    // "1" before any letterhead is a name (no such file), the second name is ignored.
    writeLogo("[Testo4]\r\nTop=100\r\nLeft=100\r\nText=Senza font\r\n");
    writeText(spool("ALTRO.hdr"), "[Testo1]\r\nText=Altro\r\nFontName=Courier New\r\n");
    const std::string job = cmd("H1") + cmd("HLOGO") + "Pagina uno" + esc::FF + "\r\n" + cmd("H0") +
                            "Pagina due" + esc::FF + "\r\n" + "Pagina tre" + cmd("H1") +
                            cmd("HALTRO");

    const TPageList pages = printJob(job);
    ASSERT_EQ(pages.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const std::string text = textOf(*pages[static_cast<std::size_t>(i)]);
        EXPECT_EQ(text.find("Ditta Rossi") != std::string::npos, i != 1) << i << ": " << text;
        EXPECT_EQ(text.find("Altro"), std::string::npos);
    }

    const auto pdf = pdfJob(job);
    ASSERT_FALSE(pdf.empty());
    for (int page = 1; page <= 3; ++page) {
        const std::string text = pdfPageText(pdf, page);
        EXPECT_NE(text.find("Pagina"), std::string::npos) << page;
        EXPECT_EQ(text.find("Ditta Rossi") != std::string::npos, page != 2) << page << text;
        EXPECT_EQ(text.find("Piede") != std::string::npos, page != 2) << page << text;
    }
}

TEST_F(Letterhead, PdfPictureTwinIsMadeOnceAndEmbeddedOncePerDocument)
{
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(QString::fromStdString(spool("logo.bmp").string()), "BMP"));
    writeLogo("[Immagine1]\r\nImageFile=C:\\Loghi\\logo.bmp\r\nTop=0\r\nLeft=0\r\nWidth=100\r\n"
              "Height=50\r\n");
    const std::string job = cmd("HLOGO") + "uno" + esc::FF + "\r\ndue" + esc::FF + "\r\ntre";

    const auto images = imagesOf(pdfJob(job));
    ASSERT_EQ(images.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(images[i].first, static_cast<int>(i) + 1);
        EXPECT_EQ(images[i].second, images[0].second); // one object, drawn on every page
    }
    ASSERT_TRUE(std::filesystem::exists(spool("logo.jpg")));
    EXPECT_EQ(QImage(QString::fromStdString(spool("logo.jpg").string())).size(), QSize(40, 20));

    // A later job uses the twin as it is, however old.
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    std::filesystem::last_write_time(spool("logo.jpg"), old);
    EXPECT_EQ(imagesOf(pdfJob(job)).size(), 3u);
    EXPECT_EQ(std::filesystem::last_write_time(spool("logo.jpg")), old);

    // On printer pages the picture fills its scaled rectangle on every page.
    const TPageList pages = printJob(job);
    for (const auto& page : pages) {
        const auto drawn = opsOf<mfop::Image>(*page);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].dest, (IntRect{0, 0, 620, 310}));
        EXPECT_EQ(drawn[0].image->size(), QSize(620, 310));
        EXPECT_EQ(QColor(drawn[0].image->pixel(310, 155)), QColor(Qt::red));
    }
}

TEST_F(Letterhead, TransparentPictureTwinIsLaidOntoWhite)
{
    QImage logo(10, 10, QImage::Format_ARGB32);
    logo.fill(Qt::transparent);
    logo.setPixel(0, 0, qRgb(0, 0, 255));
    ASSERT_TRUE(logo.save(QString::fromStdString(spool("trasp.png").string()), "PNG"));
    writeLogo("[Immagine1]\r\nImageFile=trasp.png\r\n");
    ASSERT_EQ(imagesOf(pdfJob(cmd("HLOGO") + "x")).size(), 1u);
    const QImage twin(QString::fromStdString(spool("trasp.jpg").string()));
    ASSERT_FALSE(twin.isNull());
    EXPECT_FALSE(twin.hasAlphaChannel());
    EXPECT_GT(qGray(twin.pixel(7, 7)), 240);
    EXPECT_LT(qGray(twin.pixel(0, 0)), 100);
}

TEST_F(Letterhead, PicturesBeyondTheTableAreStillDrawnOnEveryPage)
{
    QImage dot(4, 4, QImage::Format_RGB32);
    dot.fill(Qt::black);
    ASSERT_TRUE(dot.save(QString::fromStdString(spool("dot.jpg").string()), "JPEG"));
    std::string sections;
    for (int i = 1; i <= 70; ++i)
        sections += "[Immagine" + std::to_string(i) +
                    "]\r\nImageFile=dot.jpg\r\nLeft=" + std::to_string(i * 10) +
                    "\r\nWidth=8\r\nHeight=8\r\n";
    writeLogo(sections);
    const auto images = imagesOf(pdfJob(cmd("HLOGO") + "uno" + esc::FF + "\r\ndue"));
    const auto onPage = [&](int page) {
        return std::count_if(images.begin(), images.end(),
                             [&](const auto& row) { return row.first == page; });
    };
    EXPECT_EQ(onPage(1), 70);
    EXPECT_EQ(onPage(2), 70);
}

TEST(LetterheadPdfSize, SearchStopsAtTheWidthOrAtAPositiveFloor)
{
    HPDF_Doc doc = HPDF_New(nullptr, nullptr);
    ASSERT_NE(doc, nullptr);
    FontRegistry registry;
    TPdfFonts fonts(registry);
    fonts.LoadFamily(doc, "Courier New");
    const HPDF_Font font = fonts.GetFont("Courier New", false, false);
    ASSERT_NE(font, nullptr);
    // Courier advances 600 thousandths of the size per character: 10 characters at size s are
    // 6 s wide.
    EXPECT_NEAR(letterheadPdfFontSize(font, "0123456789", 600), 100.0f, 0.03f);
    EXPECT_FLOAT_EQ(letterheadPdfFontSize(font, "", 0), 300.0f);
    const float floor = letterheadPdfFontSize(font, "abc", 0);
    EXPECT_GT(floor, 0.0f);
    EXPECT_LT(floor, 0.1f);
    HPDF_Free(doc);
}

} // namespace
} // namespace spoolar::test
