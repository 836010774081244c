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
};

} // namespace spoolar
