// Barcodes: the kind list, the command's fields, size and place, the error boxes, and symbols
// that scan on PDF and printer pages.
#include "overlays/BarcodeCommand.h"
#include "overlays/BarcodeKinds.h"
#include "overlays/OverlayFixture.h"

#include <zint.h>

#include <set>

namespace spoolar::test {
namespace {

class Barcode : public OverlayFixture
{
};

TEST(BarcodeKinds, EveryKindHasItsOwnKeyAndALibrarySymbology)
{
    std::set<std::string> keys;
    for (int i = 0; i < kBarcodeKindCount; ++i) {
        EXPECT_TRUE(keys.insert(barcodeKindKey(i)).second) << barcodeKindKey(i);
        EXPECT_NE(ZBarcode_ValidID(barcodeKind(i).symbology), 0) << barcodeKind(i).name;
    }
    EXPECT_EQ(barcodeKindKey(92), "UPNQR(UNIVERZALNEGAPLA\xC4\x8DILNEGANALOGAQR)");
    BarcodeKindCache cache;
    EXPECT_EQ(cache.find("QRCODE"), 37);
    EXPECT_EQ(cache.find("QRCODE"), 37);
    EXPECT_EQ(cache.find("CODE128(AUTOMATICSUBSETSWITCHING)"), 12);
    EXPECT_EQ(cache.find("CODE3OF9(CODE39)"), 6);
    EXPECT_EQ(cache.find("QR CODE"), std::nullopt);
    EXPECT_EQ(cache.find(""), std::nullopt); // also with the cache emptied by the failure
    EXPECT_TRUE(isHeightCorrectedKind(12));
    EXPECT_FALSE(isHeightCorrectedKind(37));
}

TEST_F(Barcode, CommandsOnThePrinterPage)
{
    struct Case
    {
        std::string parameter;
        std::string message; // "" none; "*" the library's own
        std::optional<IntRect> drawn;
    };
    const std::vector<Case> cases{
        // The blank stays in the requested key.
        {"QR Code;ABC;1;2;20;1", "Tipologia di Barcode (QR CODE) non trovata", std::nullopt},
        {"qrcode;ABC;1;2;20;1;5", "", std::nullopt}, // 7 fields
        {"qrcode", "", std::nullopt},
        {"EAN(INCLUDINGEAN-8ANDEAN-13);ABC;1;2;15;1", "*", std::nullopt},
        // A scale of 100 would make this symbol over a metre wide.
        {"qrcode;" + std::string(300, 'A') + ";0;100;15;1", "Barcode troppo grande per la pagina",
         std::nullopt},
        // Height field 0: 50 device units; at 10 mm, 20 mm (23 units per mm at 600 dpi).
        {"CODE128(AUTOMATICSUBSETSWITCHING);12345;1;2;0;0;10;20", "", IntRect{230, 460, 0, 510}},
        // 15 mm are 345 units, not 354.
        {"code128(automaticsubsetswitching);12345;x;1;15;0;0;0", "", IntRect{0, 0, 0, 345}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameter);
        const std::size_t before = m_prompts.shown().size();
        const TPageList pages = printJob(cmd("C" + c.parameter) + "X");
        ASSERT_EQ(pages.size(), 1u);
        const auto images = opsOf<mfop::Image>(*pages[0]);
        if (c.message.empty()) {
            EXPECT_EQ(m_prompts.shown().size(), before);
        } else {
            ASSERT_EQ(m_prompts.shown().size(), before + 1);
            const auto& shown = m_prompts.shown().back();
            EXPECT_EQ(shown.kind, PromptKind::Error);
            EXPECT_EQ(shown.buttons, PromptButtons::Ok);
            if (c.message == "*")
                EXPECT_NE(shown.text.find("Error"), std::string::npos) << shown.text;
            else
                EXPECT_EQ(shown.text, c.message);
        }
        int width = 0;
        if (c.drawn) {
            ASSERT_EQ(images.size(), 1u);
            const IntRect& d = images[0].dest;
            EXPECT_EQ(d.left, c.drawn->left);
            EXPECT_EQ(d.top, c.drawn->top);
            EXPECT_EQ(d.height(), c.drawn->bottom - c.drawn->top);
            EXPECT_EQ(d.width(), images[0].image->width()); // one pixel per dot
            width = d.width();
        } else {
            EXPECT_TRUE(images.empty());
        }
        // The current x moves on by the symbol's width in both placements.
        EXPECT_EQ(opsOf<mfop::Text>(*pages[0]).at(0).x, 41 + width);
    }
}

TEST_F(Barcode, InlineSymbolIsCentredOnItsLine)
{
    const TPageList pages =
        printJob("\r\n\r\nAB" + cmd("Ccode128(automaticsubsetswitching);7;1;1;9;0"));
    const auto images = opsOf<mfop::Image>(*pages[0]);
    const auto texts = opsOf<mfop::Text>(*pages[0]);
    ASSERT_EQ(images.size(), 1u);
    const int lineHeight = measureTextHeight(texts.at(0).font);
    const int lineTop = 41 + 2 * lineHeight;
    EXPECT_EQ(images[0].dest.left, texts.at(0).x + 2 * measureTextWidth(texts[0].font, "W"));
    EXPECT_EQ(images[0].dest.top, lineTop - (images[0].dest.height() - lineHeight) / 2);
}

TEST_F(Barcode, SymbolsScanOnPdfAndPrinterPages)
{
    const std::string job = "\r\n\r\n" + cmd("Cqrcode;Hello   citt\xE0;0;3;20;1") + "\r\n" +
                            cmd("CCODE128(AUTOMATICSUBSETSWITCHING);SPOOLAR-128;1;2;10;1;10;40") +
                            cmd("CEAN(INCLUDINGEAN-8ANDEAN-13);590123412345;1;2;15;1;100;40");
    auto expectSymbols = [](const std::string& found) {
        EXPECT_NE(found.find("QR-Code:Hello citt\xC3\xA0\n"), std::string::npos) << found;
        EXPECT_NE(found.find("CODE-128:SPOOLAR-128\n"), std::string::npos) << found;
        EXPECT_NE(found.find("EAN-13:5901234123457\n"), std::string::npos) << found;
    };

    const auto pdf = pdfJob(job);
    ASSERT_FALSE(pdf.empty());
    const auto pdfPng = m_root / "pdf-top";
    capture("pdftoppm -png -gray -singlefile -r 600 -x 0 -y 0 -W 4960 -H 1600 " + quoted(pdf) +
            " " + quoted(pdfPng));
    expectSymbols(decodeSymbols(pdfPng.string() + ".png"));
    // Lossless: no JPEG in the document.
    EXPECT_EQ(capture("pdfimages -list " + quoted(pdf)).find("jpeg"), std::string::npos);

    const TPageList pages = printJob(job);
    ASSERT_EQ(pages.size(), 1u);
    const auto printerPng = m_root / "printer-top.png";
    ASSERT_TRUE(renderTop(*pages[0], 1600).save(QString::fromStdString(printerPng.string())));
    expectSymbols(decodeSymbols(printerPng));
    EXPECT_TRUE(m_prompts.shown().empty());
}

} // namespace
} // namespace spoolar::test
