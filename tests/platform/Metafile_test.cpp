#include "platform/Metafile.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

using namespace spoolar;

namespace {

constexpr TColor red = 0x0000FF;
constexpr TColor green = 0x00FF00;

LogFont courier(int height, int width = 0, int escapement = 0)
{
    LogFont f;
    f.family = "Courier New";
    f.height = height;
    f.width = width;
    f.escapement = escapement;
    return f;
}

// A4 at 600 dpi, as the printer target records it.
TMetafile a4Page()
{
    return TMetafile(4960, 7016, 600, 600);
}

bool isDark(QRgb c)
{
    return qGray(c) < 128;
}

// Bounding box of the pixels darker than mid-grey; empty when there are none.
QRect inkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (isDark(row[x]))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// The page replayed onto a white image of the given size with the painter scaled.
QImage playScaled(const TMetafile& page, QSize size, double scale)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    page.play(painter);
    return image;
}

} // namespace

TEST(TMetafileCanvas, RecordsEachCallAsOneDumpLine)
{
    struct Case
    {
        std::function<void(TMetafileCanvas&)> record;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {[](TMetafileCanvas& c) { c.fillRect(c.clipRect()); }, "fill 0,0,4960,7016 #FFFFFF"},
        {[](TMetafileCanvas& c) {
             c.setBrushColour(green);
             c.setPenWidth(3);
             c.rectangle({10, 10, 20, 20});
         },
         "rect 10,10,20,20 pen=#000000 brush=#00FF00 w3"},
        {[](TMetafileCanvas& c) {
             c.setPenColour(red);
             c.moveTo(41, 120);
             c.lineTo(4918, 120);
             c.lineTo(4918, 500);
         },
         "line 41,120 -> 4918,120 #FF0000 w1\nline 4918,120 -> 4918,500 #FF0000 w1"},
        {[](TMetafileCanvas& c) {
             LogFont f = courier(-83);
             f.bold = true;
             f.italic = true;
             c.setFont(f);
             c.setFontColour(red);
             c.textRect({41, 41, 700, 124}, 41, 41, "Fattura");
         },
         "text 41,41 \"Fattura\" font=\"Courier New\" h=-83 w=0 esc=0 b i #FF0000 "
         "clip=41,41,700,124 opaque=#FFFFFF"},
        // CP1252 text comes out as UTF-8 with quotes, backslashes and controls escaped; the
        // default height is recorded as 12 pt at the page's resolution.
        {[](TMetafileCanvas& c) {
             c.setFont(courier(0, 40, 900));
             c.textOut(5, 6, "Citt\xE0 \"A\\B\"\t\x80");
         },
         "text 5,6 \"Citt\xC3\xA0 \\\"A\\\\B\\\"\\x09\xE2\x82\xAC\" font=\"Courier New\" h=-100 "
         "w=40 esc=900 #000000"},
        {[](TMetafileCanvas& c) {
             c.draw({0, 0, 100, 100}, std::make_shared<const QImage>(64, 32, QImage::Format_RGB32));
         },
         "image 0,0,100,100 64x32"},
    };
    for (const Case& tc : cases) {
        TMetafile page = a4Page();
        TMetafileCanvas canvas(page);
        tc.record(canvas);
        EXPECT_EQ(page.dump(), tc.expected + "\n");
    }
}

TEST(TMetafileCanvas, ClipRectIsTheWholePage)
{
    TMetafile page(2480, 3508, 300, 300);
    TMetafileCanvas canvas(page);
    EXPECT_EQ(canvas.clipRect(), (IntRect{0, 0, 2480, 3508}));
}

TEST(TextMeasurement, CourierNewAdvancesSixTenthsOfTheEm)
{
    const int one = measureTextWidth(courier(-100), "W");
    EXPECT_NEAR(one, 60, 1);
    const int eighty = measureTextWidth(courier(-100), std::string(80, 'W'));
    EXPECT_NEAR(eighty, 80 * 60, 1);
    EXPECT_NEAR(eighty / 80.0, one, 0.5);
    EXPECT_EQ(measureTextWidth(courier(-100), ""), 0);
}

TEST(TextMeasurement, WidthsScaleLinearlyWithTheSize)
{
    for (const char* family : {"Courier New", "Arial"}) {
        LogFont base;
        base.family = family;
        base.height = -2000; // large, so that the rounding of each advance hardly counts
        const std::string text = "Fattura n. 1234 del 31/12";
        const double perDot = measureTextWidth(base, text) / 2000.0;
        for (int size : {25, 50, 83, 200, 400}) {
            LogFont f = base;
            f.height = -size;
            // Each character advances whole dots, as in GDI: up to half a dot each off the line.
            EXPECT_NEAR(measureTextWidth(f, text), perDot * size,
                        0.5 * static_cast<double>(text.size()) + size / 100.0)
                << family << " at " << size;
        }
    }
}

TEST(TextMeasurement, CellHeightAndCharacterHeight)
{
    // Liberation Mono's cell is 1.13 em, like Courier New's.
    const int cell = measureTextHeight(courier(-100));
    EXPECT_GT(cell, 100);
    EXPECT_NEAR(cell, 113, 1);
    // A positive height asks for that cell height.
    for (int h : {40, 113, 250})
        EXPECT_NEAR(measureTextHeight(courier(h)), h, 1) << h;
    EXPECT_NEAR(measureTextWidth(courier(113), "W"), 60, 1);
}

TEST(TextMeasurement, AverageWidthStretchesTheGlyphs)
{
    EXPECT_EQ(measureTextWidth(courier(-100, 30), "W"), 30);
    EXPECT_EQ(measureTextWidth(courier(-100, 30), std::string(80, 'x')), 2400);
    EXPECT_EQ(measureTextWidth(courier(-100, 90), std::string(10, 'x')), 900);
    // The height of a stretched font stays that of its em size.
    EXPECT_EQ(measureTextHeight(courier(-100, 30)), measureTextHeight(courier(-100)));
}

TEST(TextMeasurement, ExtremeSizesAreClamped)
{
    const int largest = measureTextWidth(courier(-16384), "W");
    EXPECT_NEAR(largest, 16384 * 0.6, 2);
    for (const LogFont& f : {courier(std::numeric_limits<int>::min()),
                             courier(std::numeric_limits<int>::max()), courier(-1000000)})
        EXPECT_EQ(measureTextWidth(f, "W"), largest) << f.height;
    EXPECT_EQ(measureTextWidth(courier(-100, std::numeric_limits<int>::min()), ""), 0);
    EXPECT_GT(measureTextWidth(courier(-1), "W"), 0);
}

TEST(TextMeasurement, CanvasUsesTwelvePointsAtThePageResolutionByDefault)
{
    TMetafile page = a4Page();
    TMetafileCanvas canvas(page);
    canvas.setFont(courier(0));
    EXPECT_EQ(canvas.textWidth("ABCDEFGHIJ"), measureTextWidth(courier(-100), "ABCDEFGHIJ"));
    EXPECT_EQ(canvas.textHeight("A"), measureTextHeight(courier(-100)));

    TMetafile coarse(1240, 1754, 150, 150);
    TMetafileCanvas coarseCanvas(coarse);
    coarseCanvas.setFont(courier(0));
    EXPECT_EQ(coarseCanvas.textWidth("ABCDEFGHIJ"), measureTextWidth(courier(-25), "ABCDEFGHIJ"));
}

TEST(TMetafileRender, ThinLineStaysVisibleAtPreviewResolution)
{
    TMetafile page = a4Page();
    TMetafileCanvas canvas(page);
    canvas.moveTo(0, 100);
    canvas.lineTo(4960, 100);
    canvas.moveTo(3000, 0);
    canvas.lineTo(3000, 7016);

    const QImage image = page.render(100);
    ASSERT_EQ(image.size(), QSize(827, 1169));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    // Dot row 100 lies in pixel row 16 of 100 dpi; column 3000 in pixel column 500.
    EXPECT_TRUE(isDark(image.pixel(200, 16)));
    EXPECT_FALSE(isDark(image.pixel(200, 14)));
    EXPECT_FALSE(isDark(image.pixel(200, 18)));
    EXPECT_TRUE(isDark(image.pixel(500, 800)));
    EXPECT_FALSE(isDark(image.pixel(498, 800)));
    EXPECT_FALSE(isDark(image.pixel(502, 800)));
}

TEST(TMetafileRender, WidePensScaleWithThePage)
{
    TMetafile page = a4Page();
    TMetafileCanvas canvas(page);
    canvas.setPenWidth(60);
    canvas.moveTo(600, 1200);
    canvas.lineTo(3000, 1200);
    const QImage image = page.render(100);
    // 60 dots centred on dot row 1200 are pixel rows 195..205 at 100 dpi.
    for (int y = 197; y <= 204; ++y)
        EXPECT_TRUE(isDark(image.pixel(300, y))) << y;
    EXPECT_FALSE(isDark(image.pixel(300, 193)));
    EXPECT_FALSE(isDark(image.pixel(300, 207)));
}

TEST(TMetafileRender, BoxesLeaveOutTheirRightAndBottomEdges)
{
    TMetafile page(100, 100, 600, 600);
    TMetafileCanvas canvas(page);
    canvas.setBrushColour(green);
    canvas.rectangle({10, 10, 20, 20});
    canvas.setBrushColour(red);
    canvas.fillRect({30, 10, 40, 20});
    const QImage image = page.render(600);

    struct Probe
    {
        int x, y;
        QRgb colour;
    };
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
    for (const Probe& p : std::vector<Probe>{{10, 10, black},
                                             {19, 19, black},
                                             {19, 10, black},
                                             {15, 15, qRgb(0, 255, 0)},
                                             {20, 15, white},
                                             {15, 20, white},
                                             {9, 9, white},
                                             {30, 10, qRgb(255, 0, 0)},
                                             {39, 19, qRgb(255, 0, 0)},
                                             {40, 15, white},
                                             {35, 20, white}}) {
        EXPECT_EQ(image.pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    }
}

TEST(TMetafileRender, OpaqueTextFillsItsRectangleAndStaysInside)
{
    TMetafile page = a4Page();
    TMetafileCanvas canvas(page);
    canvas.setFont(courier(-100));
    canvas.setBrushColour(red);
    // Forty characters (2400 dots) clipped to a rectangle 1200 dots wide.
    canvas.textRect({600, 600, 1800, 720}, 600, 600, std::string(40, 'H'));

    const QImage image = page.render(100);
    // The rectangle is pixels 100..299 x 100..119; its corners carry no glyph ink.
    EXPECT_EQ(image.pixel(101, 101), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(298, 118), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(302, 110), qRgb(255, 255, 255));
    const QRect ink = inkBox(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 100);
    EXPECT_LE(ink.right(), 299);
    EXPECT_LE(ink.bottom(), 119);
}

TEST(TMetafileRender, TextTopIsAtTheGivenPointAtAnyScale)
{
    TMetafile page(2000, 1000, 600, 600);
    TMetafileCanvas canvas(page);
    canvas.setFont(courier(-100));
    const std::string text(20, 'H');
    canvas.textOut(100, 200, text);
    const int width = canvas.textWidth(text);

    const QRect one = inkBox(playScaled(page, QSize(2000, 1000), 1.0));
    const QRect two = inkBox(playScaled(page, QSize(4000, 2000), 2.0));
    ASSERT_FALSE(one.isEmpty());
    ASSERT_FALSE(two.isEmpty());
    // Capitals stand on the baseline (ascent 83 below the top) and rise about 0.66 em.
    EXPECT_NEAR(one.bottom(), 200 + 83, 2);
    EXPECT_NEAR(one.top(), 200 + 83 - 66, 4);
    EXPECT_GE(one.left(), 100);
    EXPECT_LE(one.right(), 100 + width);
    EXPECT_GT(one.right(), 100 + width - 60);
    // Twice the painter scale: the same place, twice the size (no DPI rescaling).
    EXPECT_NEAR(two.left(), 2 * one.left(), 3);
    EXPECT_NEAR(two.top(), 2 * one.top(), 3);
    EXPECT_NEAR(two.right(), 2 * one.right(), 3);
    EXPECT_NEAR(two.bottom(), 2 * one.bottom(), 3);
}

TEST(TMetafileRender, StretchAndEscapementShapeTheText)
{
    const std::string text(10, 'H');
    auto inkOf = [&](const LogFont& font) {
        TMetafile page(3000, 3000, 600, 600);
        TMetafileCanvas canvas(page);
        canvas.setFont(font);
        canvas.textOut(1500, 1500, text);
        return inkBox(page.render(600));
    };
    const QRect plain = inkOf(courier(-100));
    const QRect narrow = inkOf(courier(-100, 30));
    const QRect upward = inkOf(courier(-100, 0, 900));
    ASSERT_FALSE(plain.isEmpty() || narrow.isEmpty() || upward.isEmpty());

    // Half the average width: half the run, same height.
    EXPECT_NEAR(narrow.width(), plain.width() / 2.0, 4);
    EXPECT_EQ(narrow.height(), plain.height());
    EXPECT_NEAR(narrow.left(), 1500, 10);
    // A quarter turn counter-clockwise around the start: the run goes up from (1500, 1500)
    // with the glyphs to the right of x = 1500.
    EXPECT_NEAR(upward.height(), plain.width(), 2);
    EXPECT_NEAR(upward.width(), plain.height(), 2);
    EXPECT_LE(upward.bottom(), 1500);
    EXPECT_GE(upward.left(), 1500);
}

TEST(TMetafileRender, EmptyOrInvalidPageRendersNothing)
{
    EXPECT_TRUE(TMetafile().render(100).isNull());
    EXPECT_TRUE(TMetafile(100, 100, 0, 600).render(100).isNull());
    EXPECT_TRUE(TMetafile(100, 100, 600, 600).render(0).isNull());
}
