#pragma once
#include <filesystem>
#include <string>

namespace spoolar {

struct ConvertOptions;
struct EngineHost;

// "spoolar --convert DATA --chart 0|1|2": the chart description through a chart job as the
// dispatch runs it. Variant 2 writes the PDF (printed path, -o copies it); variants 0 and 1
// render the landscape pages as PNG files (--png DIR) or print them (--printer NAME).
// Returns the process exit code.
int runChartConvert(const ConvertOptions& options, const EngineHost& host,
                    const std::filesystem::path& dataFile, const std::string& title,
                    const std::filesystem::path& coverFile = {});

} // namespace spoolar
