#pragma once
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

class PrinterObject;
class IPrompts;
class ISpooler;

// One row of the printer table: user name (the printer's comment), printer name, port and
// class ("T" text-only, "G" otherwise).
struct PrinterRow
{
    std::string userName;
    std::string model;
    std::string port;
    std::string kind;
    bool operator==(const PrinterRow&) const = default;
};

// The rows of the printer grid below its header: the PDF pseudo-printer first, then the
// printers in the spooler's order.
class PrinterTable
{
public:
    static PrinterRow pdfRow()
    {
        return {"PDF Embedded", "PDF Embedded", "Output by software", "G"};
    }

    struct Build
    {
        std::vector<PrinterRow> rows;
        bool allNamed = true; // every printer has a user name (also when there is none)
    };
    // Reads every printer through the spooler; the messages go through the prompts.
    static Build build(PrinterObject& printers, IPrompts& prompts);

    // The printer grid cache: one line per row with a non-blank printer name, four
    // comma-separated fields, quoted where needed.
    static bool saveCache(const std::filesystem::path& file, const std::vector<PrinterRow>& rows);
    static std::optional<std::vector<PrinterRow>> loadCache(const std::filesystem::path& file);
    static std::string cacheLine(const PrinterRow& row);
    static std::vector<std::string> splitCacheLine(std::string_view line);
};

enum class NamingResult
{
    Named,
    Refused,
    RestartRequested
};

// Gives a printer its user name (an empty name clears it). When the spooler refuses (the user
// may not administer printers) the warning offers a restart with the rights needed; OK calls
// restartElevated and reports RestartRequested.
NamingResult setPrinterUserName(ISpooler& spooler, IPrompts& prompts, std::string_view printer,
                                std::string_view userName,
                                const std::function<void()>& restartElevated);

} // namespace spoolar
