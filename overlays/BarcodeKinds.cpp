#include "overlays/BarcodeKinds.h"

#include "platform/AsciiCase.h"

#include <zint.h>

#include <array>

namespace spoolar {

namespace {

// The name of kind 92 carries its "č" as the two characters U+00C4 U+008D, and so does its key.
constexpr std::array<BarcodeKind, kBarcodeKindCount> kKinds{{
    {"Code 11", BARCODE_CODE11},
    {"Standard Code 2 of 5", BARCODE_C25STANDARD},
    {"Interleaved 2 of 5", BARCODE_C25INTER},
    {"Code 2 of 5 IATA", BARCODE_C25IATA},
    {"Code 2 of 5 Data Logic", BARCODE_C25LOGIC},
    {"Code 2 of 5 Industrial", BARCODE_C25IND},
    {"Code 3 of 9 (Code 39)", BARCODE_CODE39},
    {"Extended Code 3 of 9 (Code 39+)", BARCODE_EXCODE39},
    {"EAN (including EAN-8 and EAN-13)", BARCODE_EANX},
    {"EAN + Check Digit", BARCODE_EANX_CHK},
    {"GS1-128 (UCC.EAN-128)", BARCODE_GS1_128},
    {"Codabar", BARCODE_CODABAR},
    {"Code 128 (automatic subset switching)", BARCODE_CODE128},
    {"Deutsche Post Leitcode", BARCODE_DPLEIT},
    {"Deutsche Post Identcode", BARCODE_DPIDENT},
    {"Code 16K", BARCODE_CODE16K},
    {"Code 49", BARCODE_CODE49},
    {"Code 93", BARCODE_CODE93},
    {"Flattermarken", BARCODE_FLAT},
    {"GS1 DataBar Omnidirectional (including GS1 DataBar Truncated)", BARCODE_DBAR_OMN},
    {"GS1 DataBar Limited", BARCODE_DBAR_LTD},
    {"GS1 DataBar Expanded", BARCODE_DBAR_EXP},
    {"Telepen Alpha", BARCODE_TELEPEN},
    {"UPC-A", BARCODE_UPCA},
    {"UPC-A + Check Digit", BARCODE_UPCA_CHK},
    {"UPC-E", BARCODE_UPCE},
    {"UPC-E + Check Digit", BARCODE_UPCE_CHK},
    {"POSTNET", BARCODE_POSTNET},
    {"MSI Plessey", BARCODE_MSI_PLESSEY},
    {"FIM", BARCODE_FIM},
    {"LOGMARS", BARCODE_LOGMARS},
    {"Pharmacode One-Track", BARCODE_PHARMA},
    {"PZN", BARCODE_PZN},
    {"Pharmacode Two-Track", BARCODE_PHARMA_TWO},
    {"PDF417", BARCODE_PDF417},
    {"Compact PDF417 (Truncated PDF417)", BARCODE_PDF417COMP},
    {"MaxiCode", BARCODE_MAXICODE},
    {"QR Code", BARCODE_QRCODE},
    {"Code 128 (Subset B)", BARCODE_CODE128B},
    {"Australia Post Standard Customer", BARCODE_AUSPOST},
    {"Australia Post Reply Paid", BARCODE_AUSREPLY},
    {"Australia Post Routing", BARCODE_AUSROUTE},
    {"Australia Post Redirection", BARCODE_AUSREDIRECT},
    {"ISBN (EAN-13 with verification stage)", BARCODE_ISBNX},
    {"Royal Mail 4 State (RM4SCC)", BARCODE_RM4SCC},
    {"Data Matrix (ECC200)", BARCODE_DATAMATRIX},
    {"EAN-14", BARCODE_EAN14},
    {"Vehicle Identification Number", BARCODE_VIN},
    {"Codablock-F", BARCODE_CODABLOCKF},
    {"NVE-18 (SSCC-18)", BARCODE_NVE18},
    {"Japanese Postal Code", BARCODE_JAPANPOST},
    {"Korea Post", BARCODE_KOREAPOST},
    {"GS1 DataBar Stacked (stacked version of GS1 DataBar Truncated)", BARCODE_DBAR_STK},
    {"GS1 DataBar Stacked Omnidirectional", BARCODE_DBAR_OMNSTK},
    {"GS1 DataBar Expanded Stacked", BARCODE_DBAR_EXPSTK},
    {"PLANET", BARCODE_PLANET},
    {"MicroPDF417", BARCODE_MICROPDF417},
    {"USPS Intelligent Mail (OneCode)", BARCODE_USPS_IMAIL},
    {"Plessey Code", BARCODE_PLESSEY},
    {"Telepen Numeric", BARCODE_TELEPEN_NUM},
    {"ITF-14", BARCODE_ITF14},
    {"Dutch Post KIX Code", BARCODE_KIX},
    {"Aztec Code", BARCODE_AZTEC},
    {"DAFT Code", BARCODE_DAFT},
    {"DPD Code", BARCODE_DPD},
    {"Micro QR Code", BARCODE_MICROQR},
    {"HIBC (Health Industry Barcode) Code 128", BARCODE_HIBC_128},
    {"HIBC Code 39", BARCODE_HIBC_39},
    {"HIBC Data Matrix ECC200", BARCODE_HIBC_DM},
    {"HIBC QR Code", BARCODE_HIBC_QR},
    {"HIBC PDF417", BARCODE_HIBC_PDF},
    {"HIBC MicroPDF417", BARCODE_HIBC_MICPDF},
    {"HIBC Codablock-F", BARCODE_HIBC_BLOCKF},
    {"HIBC Aztec Code", BARCODE_HIBC_AZTEC},
    {"DotCode", BARCODE_DOTCODE},
    {"Han Xin (Chinese Sensible) Code", BARCODE_HANXIN},
    {"Royal Mail 4-state Mailmark", BARCODE_MAILMARK},
    {"Aztec Runes", BARCODE_AZRUNE},
    {"Code 32", BARCODE_CODE32},
    {"Composite Symbol with EAN linear component", BARCODE_EANX_CC},
    {"Composite Symbol with GS1-128 linear component", BARCODE_GS1_128_CC},
    {"Composite Symbol with GS1 DataBar Omnidirectional linear component", BARCODE_DBAR_OMN_CC},
    {"Composite Symbol with GS1 DataBar Limited linear component", BARCODE_DBAR_LTD_CC},
    {"Composite Symbol with GS1 DataBar Expanded linear component", BARCODE_DBAR_EXP_CC},
    {"Composite Symbol with UPC-A linear component", BARCODE_UPCA_CC},
    {"Composite Symbol with UPC-E linear component", BARCODE_UPCE_CC},
    {"Composite Symbol with GS1 DataBar Stacked component", BARCODE_DBAR_STK_CC},
    {"Composite Symbol with GS1 DataBar Stacked Omnidirectional component", BARCODE_DBAR_OMNSTK_CC},
    {"Composite Symbol with GS1 DataBar Expanded Stacked component", BARCODE_DBAR_EXPSTK_CC},
    {"Channel Code", BARCODE_CHANNEL},
    {"Code One", BARCODE_CODEONE},
    {"Grid Matrix", BARCODE_GRIDMATRIX},
    {"UPNQR (Univerzalnega Pla\xC4\x8Dilnega Naloga QR)", BARCODE_UPNQR},
    {"Ultracode", BARCODE_ULTRA},
}};

constexpr std::array<int, 45> kHeightCorrected{
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 17, 19, 20, 21, 22, 23, 24, 25,
    26, 28, 30, 31, 32, 33, 38, 43, 46, 47, 49, 51, 52, 53, 54, 58, 59, 60, 65, 66, 77, 88};

} // namespace

const BarcodeKind& barcodeKind(int index)
{
    return kKinds.at(static_cast<std::size_t>(index));
}

std::string barcodeKindKey(int index)
{
    std::string key;
    for (const char c : std::string_view(barcodeKind(index).name)) {
        if (c != ' ')
            key += upperAscii(c);
    }
    return key;
}

bool isHeightCorrectedKind(int index)
{
    for (const int k : kHeightCorrected) {
        if (k == index)
            return true;
    }
    return false;
}

std::optional<int> BarcodeKindCache::find(std::string_view requestedKey)
{
    if (m_index >= 0 && requestedKey == m_key)
        return m_index;
    for (int i = 0; i < kBarcodeKindCount; ++i) {
        if (barcodeKindKey(i) == requestedKey) {
            m_key = std::string(requestedKey);
            m_index = i;
            return i;
        }
    }
    m_key.clear();
    m_index = -1;
    return std::nullopt;
}

} // namespace spoolar
