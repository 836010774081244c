// Labels, pictures and bands of the job's in-band commands.
#include "overlays/CommandFields.h"
#include "overlays/LabelCommand.h"
#include "overlays/LanczosResampler.h"
#include "overlays/OverlayFixture.h"
#include "overlays/PictureCommand.h"
#include "platform/MulDiv.h"

#include <QColor>

namespace spoolar::test {
namespace {

class Commands : public OverlayFixture
{
protected:
    std::filesystem::path writePicture(const std::string& name, int w, int h)
    {
        QImage picture(w, h, QImage::Format_RGB32);
        picture.fill(QColor(0, 128, 255));
        const auto file = cwd() / name;
        EXPECT_TRUE(picture.save(QString::fromStdString(file.string()), "JPEG", 95));
        return file;
    }
};

TEST(CommandFields, DelimitedListsAndNumbers)
{
    using Items = std::vector<std::string>;
    EXPECT_EQ(delimitedItems("Totale;Arial;12;1;10;10;0"),
              (Items{"Totale", "Arial", "12", "1", "10", "10", "0"}));
    // A blank separates items unless the item is quoted; "" inside quotes is one quote.
    EXPECT_EQ(delimitedItems("Totale generale;Arial").size(), 3u);
    EXPECT_EQ(delimitedItems("\"Tot; \"\"A\"\"\" ;Arial"), (Items{"Tot; \"A\"", "Arial"}));
    EXPECT_EQ(delimitedItems("a;;b;"), (Items{"a", "", "b", ""}));
    EXPECT_TRUE(delimitedItems("  ").empty());

    EXPECT_EQ(integerField("-12", 5), -12);
    EXPECT_EQ(integerField("12a", 5), 5);
    EXPECT_EQ(integerField("", 5), 5);
    EXPECT_DOUBLE_EQ(leadingNumber("1.5mm"), 1.5);
    EXPECT_DOUBLE_EQ(leadingNumber("2"), 2.0);
    EXPECT_DOUBLE_EQ(leadingNumber("x2"), 0.0);
    EXPECT_DOUBLE_EQ(leadingNumber("inf"), 0.0);
    EXPECT_EQ(unitsPerMillimetre(600), 23);
    EXPECT_EQ(unitsPerMillimetre(300), 11);
}

TEST(Label, TurnedTextStaysInsideItsBox)
{
    LabelRequest label;
    label.text = "Totale";
    label.face = "Courier New";
    label.size = 12;
    LogFont font;
    font.family = "Courier New";
    font.height = -MulDiv(12 * 6, 96, 72); // 600 dpi on a 96 dpi screen: 6 times the size
    const int textWidth = measureTextWidth(font, "Totale");
    const int cellHeight = measureTextHeight(font);

    for (const int angle : {0, 90, 270, 45}) {
        SCOPED_TRACE(angle);
        label.angle = angle;
        const LabelBitmap out = renderLabel(label, 600, 96);
        if (angle == 0) {
            EXPECT_EQ(out.width, textWidth);
            EXPECT_EQ(out.height, cellHeight);
        } else if (angle != 45) {
            EXPECT_EQ(out.width, cellHeight);
            EXPECT_EQ(out.height, textWidth);
        }
        ASSERT_EQ(out.bitmap.height(), out.height);
        ASSERT_EQ(out.bitmap.width(), out.width + measureTextWidth(font, "W"));
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < out.bitmap.height(); ++y) {
            for (int x = 0; x < out.bitmap.width(); ++x) {
                if (qGray(out.bitmap.pixel(x, y)) < 128)
                    ++(x < out.width ? inside : outside);
            }
        }
        EXPECT_GT(inside, 100);
        EXPECT_EQ(outside, 0);
    }
}

TEST_F(Commands, LabelsOnPrinterAndPdfPages)
{
    // Every item with a blank needs quotes; unquoted, "Totale generale" makes 8 items.
    const std::string job = cmd("L\"Totale generale\";\"Courier New\";12;1;10;20;90") +
                            cmd("LTotale generale;Arial;12;1;10;20;0") + "X";
    const TPageList pages = printJob(job);
    const auto images = opsOf<mfop::Image>(*pages.at(0));
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].dest.left, 230);
    EXPECT_EQ(images[0].dest.top, 460);
    EXPECT_GT(images[0].dest.height(), images[0].dest.width()); // turned upright
    EXPECT_EQ(images[0].image->size(), QSize(images[0].dest.width(), images[0].dest.height()));
    // The current position does not move.
    EXPECT_EQ(opsOf<mfop::Text>(*pages[0]).at(0).x, 41);

    const auto pdf = pdfJob(job);
    ASSERT_FALSE(pdf.empty());
    EXPECT_TRUE(std::filesystem::exists(cwd() / "Label.jpg"));
    const std::string list = capture("pdfimages -list " + quoted(pdf));
    EXPECT_NE(list.find("jpeg"), std::string::npos) << list;
}

TEST(Picture, PlacementFollowsTheSheetAndItsOrientation)
{
    PictureRequest r;
    r.xMm = 10;
    r.yMm = 20;
    r.widthMm = 50;
    // Portrait: 210 mm across, 297 down; the height keeps the picture's proportions.
    PicturePlacement p = placePicture(r, 4878, 6934, 400, 200);
    EXPECT_EQ(p.x, MulDiv(10, 4878, 210));
    EXPECT_EQ(p.y, MulDiv(20, 6934, 297));
    EXPECT_EQ(p.width, MulDiv(50, 4878, 210));
    EXPECT_EQ(p.height, MulDiv(200, p.width, 400));
    // Landscape: 297 across, 210 down.
    p = placePicture(r, 6934, 4878, 400, 200);
    EXPECT_EQ(p.x, MulDiv(10, 6934, 297));
    EXPECT_EQ(p.y, MulDiv(20, 4878, 210));
    EXPECT_EQ(p.width, MulDiv(50, 6934, 297));
}

TEST_F(Commands, PicturesOnPrinterAndPdfPages)
{
    writePicture("foto.jpg", 400, 200);
    const TPageList pages = printJob(cmd("Ifoto.jpg;10;20;50") + cmd("Imanca.jpg;10;20;50") +
                                     cmd("Ifoto.jpg;10;20") + "X");
    const auto images = opsOf<mfop::Image>(*pages.at(0));
    ASSERT_EQ(images.size(), 1u);
    const int w = MulDiv(50, 4878, 210);
    const IntRect expected{MulDiv(10, 4878, 210), MulDiv(20, 6934, 297), 0, 0};
    EXPECT_EQ(images[0].dest.left, expected.left);
    EXPECT_EQ(images[0].dest.top, expected.top);
    EXPECT_EQ(images[0].dest.width(), w);
    EXPECT_EQ(images[0].dest.height(), MulDiv(200, w, 400));
    EXPECT_EQ(images[0].image->size(), QSize(w, MulDiv(200, w, 400)));
    EXPECT_EQ(QColor(images[0].image->pixel(w / 2, 10)).blue(), 255);

    const auto pdf = pdfJob(cmd("Ifoto.jpg;10;20;50") + "X", true);
    ASSERT_FALSE(pdf.empty());
    EXPECT_NE(capture("pdfimages -list " + quoted(pdf)).find("400   200"), std::string::npos);

    // A file that is no JPEG ends the job.
    writeText(cwd() / "falso.jpg", "non sono un'immagine");
    TPageList more;
    const EngineHost h = overlayHost();
    TPrnDos engine(h, false, "Courier New", &m_percent, 0, "TEST", false, 0, &more);
    EXPECT_THROW(engine.RunJob(writeJob(cmd("Ifalso.jpg;1;1;10"))), PictureError);
}

TEST_F(Commands, BandFillsTheCentredLineInTheBackgroundColour)
{
    // The band is as wide as the widest line the centring scan found.
    const TPageList pages =
        printJob(esc::CENTRE + "ABCD\r\n" + cmd("TRED") + "EF\r\n" + cmd("TWHITE") + "GH");
    const auto fills = opsOf<mfop::FillRect>(*pages.at(0));
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    const int charWidth = measureTextWidth(texts.at(0).font, "W");
    const int lineHeight = measureTextHeight(texts.at(0).font);
    const auto band = std::find_if(fills.begin(), fills.end(), [](const mfop::FillRect& f) {
        return f.colour == 0x0000FF && f.rect.width() > 0;
    });
    ASSERT_NE(band, fills.end());
    EXPECT_EQ(band->rect.width(), 4 * charWidth);
    EXPECT_EQ(band->rect.height(), lineHeight);
    EXPECT_EQ(band->rect.top, 41 + lineHeight);
    EXPECT_EQ(std::count_if(fills.begin(), fills.end(),
                            [](const mfop::FillRect& f) { return f.colour == 0x0000FF; }),
              1);

    const auto pdf = pdfJob(esc::CENTRE + "ABCD\r\n" + cmd("TRED") + "EF");
    ASSERT_FALSE(pdf.empty());
    EXPECT_NE(pdfPageText(pdf, 1).find("EF"), std::string::npos);
}

TEST(Lanczos, KeepsFlatColoursAndEdges)
{
    QImage picture(100, 40, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    for (const KernelLookup lookup : {KernelLookup::Nearest, KernelLookup::Linear}) {
        const LanczosResampler resampler(lookup);
        for (const QSize size : {QSize(13, 7), QSize(250, 90)}) {
            const QImage out = resampler.resample(picture, size.width(), size.height());
            ASSERT_EQ(out.size(), size);
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x)
                    ASSERT_EQ(QColor(out.pixel(x, y)), QColor(10, 200, 30)) << x << "," << y;
        }
    }
    QImage halves(100, 10, QImage::Format_RGB32);
    halves.fill(Qt::white);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 50; ++x)
            halves.setPixel(x, y, qRgb(0, 0, 0));
    const QImage small = LanczosResampler(KernelLookup::Nearest).resample(halves, 20, 2);
    EXPECT_LT(qGray(small.pixel(8, 1)), 20);
    EXPECT_GT(qGray(small.pixel(11, 1)), 235);
}

} // namespace
} // namespace spoolar::test
