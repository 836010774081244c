#include "platform/PrinterDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

using namespace spoolar;

namespace {

TMetafile pageWithLines(int count)
{
    TMetafile page(4960, 7016, 600, 600);
    TMetafileCanvas canvas(page);
    for (int i = 0; i < count; ++i) {
        canvas.moveTo(0, 100 * i);
        canvas.lineTo(1000, 100 * i);
    }
    return page;
}

} // namespace

TEST(VirtualPrinter, A4GeometryAtTheResolution)
{
    struct Case
    {
        int dpi;
        Orientation orientation;
        int width, height;
    };
    for (const Case& c : std::vector<Case>{{600, Orientation::Portrait, 4960, 7016},
                                           {600, Orientation::Landscape, 7016, 4960},
                                           {300, Orientation::Portrait, 2480, 3508},
                                           {1200, Orientation::Portrait, 9920, 14032}}) {
        VirtualPrinter printer("P", c.dpi);
        printer.setOrientation(c.orientation);
        EXPECT_EQ(printer.pageWidth(), c.width) << c.dpi;
        EXPECT_EQ(printer.pageHeight(), c.height) << c.dpi;
    }
}

TEST(VirtualPrinter, DeviceModeDefaultsToTheResolutionAndCanBeMissing)
{
    VirtualPrinter printer;
    EXPECT_EQ(printer.name(), "Virtual A4 600 dpi");
    ASSERT_TRUE(printer.defaultDeviceMode());
    EXPECT_EQ(printer.defaultDeviceMode()->printQuality, 600);
    EXPECT_EQ(printer.defaultDeviceMode()->yResolution, 600);

    printer.setDeviceMode(DeviceMode{-4, 0});
    ASSERT_TRUE(printer.defaultDeviceMode());
    EXPECT_EQ(printer.defaultDeviceMode()->printQuality, -4);
    EXPECT_EQ(printer.defaultDeviceMode()->yResolution, 0);

    printer.setDeviceMode(std::nullopt);
    EXPECT_FALSE(printer.defaultDeviceMode());
}

TEST(VirtualPrinter, KeepsTheDocumentsItIsGiven)
{
    VirtualPrinter printer;
    printer.setTitle("Fattura 12");
    printer.setCopies(2);
    printer.beginDoc();
    printer.setTitle("changed later");
    // The first recorded page gives the printer page its geometry; later ones add to it.
    TMetafile coarse(2480, 3508, 300, 300);
    coarse.append(mfop::FillRect{{0, 0, 10, 10}, clBlack});
    printer.drawPage(coarse);
    printer.drawPage(pageWithLines(2));
    printer.newPage();
    printer.drawPage(pageWithLines(3));
    printer.drawPage(pageWithLines(1));
    printer.endDoc();

    printer.setOrientation(Orientation::Landscape);
    printer.beginDoc();
    printer.abortDoc();

    const auto& docs = printer.documents();
    ASSERT_EQ(docs.size(), 2U);
    EXPECT_EQ(docs[0].title, "Fattura 12");
    EXPECT_TRUE(docs[0].finished);
    EXPECT_FALSE(docs[0].aborted);
    ASSERT_EQ(docs[0].pages.size(), 2U);
    EXPECT_EQ(docs[0].pages[0].width(), 2480);
    EXPECT_EQ(docs[0].pages[0].dpiY(), 300);
    EXPECT_EQ(docs[0].pages[0].ops().size(), 3U);
    EXPECT_EQ(docs[0].pages[1].ops().size(), 4U);
    EXPECT_EQ(docs[0].pages[1].dump(), pageWithLines(3).dump() + pageWithLines(1).dump());

    EXPECT_EQ(docs[1].title, "changed later");
    EXPECT_TRUE(docs[1].aborted);
    EXPECT_FALSE(docs[1].finished);
    ASSERT_EQ(docs[1].pages.size(), 1U);
    EXPECT_EQ(docs[1].pages[0].width(), 7016);
    EXPECT_EQ(docs[1].pages[0].height(), 4960);
    EXPECT_TRUE(docs[1].pages[0].ops().empty());
    EXPECT_EQ(printer.copies(), 2);
}

TEST(VirtualPrinter, MisuseOfTheDocumentThrows)
{
    using Step = std::function<void(VirtualPrinter&)>;
    const Step begin = [](VirtualPrinter& p) { p.beginDoc(); };
    const Step page = [](VirtualPrinter& p) { p.newPage(); };
    const Step draw = [](VirtualPrinter& p) { p.drawPage(TMetafile(10, 10, 600, 600)); };
    const Step end = [](VirtualPrinter& p) { p.endDoc(); };
    const Step abort = [](VirtualPrinter& p) { p.abortDoc(); };
    struct Case
    {
        const char* name;
        std::vector<Step> before;
        Step wrong;
    };
    for (const Case& c : std::vector<Case>{{"newPage first", {}, page},
                                           {"drawPage first", {}, draw},
                                           {"endDoc first", {}, end},
                                           {"beginDoc twice", {begin}, begin},
                                           {"newPage after endDoc", {begin, end}, page},
                                           {"drawPage after abortDoc", {begin, abort}, draw},
                                           {"endDoc twice", {begin, end}, end}}) {
        VirtualPrinter printer;
        for (const Step& s : c.before)
            s(printer);
        EXPECT_THROW(c.wrong(printer), std::logic_error) << c.name;
    }
}

TEST(VirtualPrinter, AbortWithoutDocumentDoesNothing)
{
    VirtualPrinter printer;
    EXPECT_NO_THROW(printer.abortDoc());
    EXPECT_TRUE(printer.documents().empty());
    printer.beginDoc();
    printer.endDoc();
    EXPECT_NO_THROW(printer.abortDoc());
    EXPECT_FALSE(printer.documents().back().aborted);
}
