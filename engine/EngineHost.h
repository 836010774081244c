#pragma once
#include <filesystem>
#include <optional>

namespace spoolar {

class PathMapper;
class IPrompts;
class IPrinterDevice;
class FontRegistry;
class OemConverter;
class IClock;
class PrinterObject;
class BarcodeKindCache;

// What an engine needs of the program around it. Passed to each engine, owned by the caller.
struct EngineHost
{
    const PathMapper& paths;
    IPrompts& prompts;
    const FontRegistry& fonts;
    const OemConverter& oem;
    const IClock& clock;
    // The selected printer (printer target); may be null for the PDF target.
    IPrinterDevice* printer = nullptr;
    // The program-wide box-map debug switch.
    bool debugMap = false;
    // PRNCONTR.COD to use instead of searching the current folder and PATH.
    std::optional<std::filesystem::path> controlCodesFile;
    // The program-wide printer object (printer list and selection); needed for raw printing
    // and the printer list file, and used for the printer target when `printer` is null.
    PrinterObject* printers = nullptr;
    // Dots per inch of the screen: font sizes in points that the designer windows measure on
    // the screen (letterheads, labels, the fax cover) are turned into dots at this resolution.
    int screenDpi = 96;
    // The folder of HTest.txt, Label.jpg and the relative picture names of a job; the process's
    // current folder when empty.
    std::filesystem::path workingFolder{};
    // The program-wide barcode kind cache; each engine keeps its own when null.
    BarcodeKindCache* barcodeKinds = nullptr;
};

} // namespace spoolar
