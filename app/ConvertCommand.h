#pragma once
#include <optional>
#include <string>
#include <vector>

namespace spoolar {

// Options of "spoolar --convert": one job through a fresh engine, as the dispatch runs it.
struct ConvertOptions
{
    std::string dataFile;
    std::optional<std::string> title;
    std::string fontName = "Courier New";
    int pdfType = 0;
    bool landscape = false;
    int leftOffset = 0;
    std::optional<std::string> pngDir;
    int dpi = 100;
    std::optional<std::string> output;
    int codePage = 850;
    bool debugMap = false;
    std::optional<std::string> controlCodes;
    // Printing on a printer of the host instead of a PDF.
    std::optional<std::string> printer;
    int copies = 1;
    bool collate = false;
    bool passThrough = false;
    // A chart job in this output variant (0 printer, 1 fax, 2 PDF) instead of a print stream.
    std::optional<int> chart;
    // The job's fax cover file: a cover page in front of the printed pages.
    std::optional<std::string> cover;
};

struct ParsedConvert
{
    std::optional<ConvertOptions> options;
    std::string error; // Italian message when the options are wrong
};

// Parses the arguments after the program name; args[0] is "--convert".
ParsedConvert parseConvertOptions(const std::vector<std::string>& args);

// Runs the job; returns the process exit code (0 when the job produced output).
int runConvert(const ConvertOptions& options);

// "spoolar --printer-list [--font NAME]": builds the printer table, writes the printer grid cache
// and C:\SPOOL\PRINTERS.LST, and prints the table. Returns the exit code.
int runPrinterList(const std::vector<std::string>& args);

} // namespace spoolar
