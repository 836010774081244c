// The printer grid cache file: quoting, reading back, what is written.
#include "app/PrinterTable.h"
#include "platform/Spooler.h"
#include "support/EngineFixture.h"

namespace spoolar::test {
namespace {

TEST(PrinterGridCache, QuotesOnlyWhatNeedsIt)
{
    struct Case
    {
        PrinterRow row;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{"UFFICIO", "HP_LaserJet", "ipp://host/q", "G"}, "UFFICIO,HP_LaserJet,ipp://host/q,G"},
        {{"", "Epson LX-350", "usb://Epson", "T"}, ",\"Epson LX-350\",usb://Epson,T"},
        {{"A,B", "say \"hi\"", "x\ty", ""}, "\"A,B\",\"say \"\"hi\"\"\",\"x\ty\","},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrinterTable::cacheLine(c.row), c.line);
        const auto fields = PrinterTable::splitCacheLine(c.line);
        ASSERT_EQ(fields.size(), 4u) << c.line;
        EXPECT_EQ((PrinterRow{fields[0], fields[1], fields[2], fields[3]}), c.row) << c.line;
    }
    // Outside quotes a blank separates fields too.
    EXPECT_EQ(PrinterTable::splitCacheLine("a b,c"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(PrinterGridCache, RoundTripsRowsWithAPrinterName)
{
    const auto dir = makeTempDir("grd");
    const auto file = dir / "spoolar.grd";
    const std::vector<PrinterRow> rows = {
        PrinterTable::pdfRow(),
        {"MAGAZZINO", "Kyocera FS-1020 \"piano 1\"", "socket://10.0.0.5", "G"},
        {"", "Generic, text", "", "T"},
        {"", "   ", "", ""}, // no printer name: not written
    };
    ASSERT_TRUE(PrinterTable::saveCache(file, rows));
    const auto loaded = PrinterTable::loadCache(file);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, std::vector<PrinterRow>(rows.begin(), rows.begin() + 3));
    EXPECT_FALSE(PrinterTable::loadCache(dir / "missing.grd").has_value());
    std::filesystem::remove_all(dir);
}

TEST(PrinterGridCache, TextOnlyDriversAreRecognised)
{
    EXPECT_TRUE(isTextOnlyDriver("Generic / Text Only"));
    EXPECT_TRUE(isTextOnlyDriver("generic / text"));
    EXPECT_FALSE(isTextOnlyDriver("Generic PostScript Printer"));
    EXPECT_FALSE(isTextOnlyDriver("HP Generic / x")); // must begin with the word
}

} // namespace
} // namespace spoolar::test
