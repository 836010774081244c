#pragma once
#include "platform/Spooler.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace spoolar {

// The printers of the host through the CUPS server that libcups is configured for (the
// CUPS_SERVER environment, ~/.cups/client.conf, else the local scheduler). Every call opens
// its own connection with a time limit on connecting and on each operation, so an absent or
// stuck server makes the calls fail within seconds instead of hanging; libcups never asks for a
// password. Comments, drivers, ports and titles are in the ANSI code page (CP1252), as the
// Windows spooler's ANSI functions give them; CUPS itself speaks UTF-8. A queue created without
// a description has its own name as printer-info in CUPS: that is reported as no comment.
class CupsSpooler : public ISpooler
{
public:
    CupsSpooler() = default;

    std::vector<std::string> printerNames() override;
    std::optional<std::string> defaultPrinter() override;
    std::optional<PrinterInfo> printerInfo(std::string_view name) override;
    bool setComment(std::string_view name, std::string_view comment) override;
    bool supportsCollate(std::string_view name) override;
    bool setDefaultCollate(std::string_view name, bool collate) override;
    std::unique_ptr<IRawDocument> startRawDocument(std::string_view name,
                                                   std::string_view title) override;
    bool readyForJobs(std::string_view name) override;
    std::unique_ptr<IPrinterDevice> openDevice(std::string_view name) override;

    // Whether copies are collated by default on the printer; nothing when it cannot be read.
    std::optional<bool> defaultCollate(std::string_view name);
    // Job options as lp -o gives them (name, value), e.g. {"copies", "2"}.
    using JobOptions = std::vector<std::pair<std::string, std::string>>;
    // Starts a job of one document in the given MIME type (e.g. "application/pdf"); null when
    // the printer cannot be opened or refuses the job. The title is in the ANSI code page.
    std::unique_ptr<IRawDocument> startDocument(std::string_view name, std::string_view title,
                                                const char* format, const JobOptions& options);

    // Whether the printer exists and accepts jobs now.
    bool acceptsJobs(std::string_view name);

    // Driver name reported for a queue without PPD ("Local Raw Printer" in CUPS), which sends
    // the bytes as they are.
    static constexpr const char* genericTextDriver = "Generic / Text Only";
};

} // namespace spoolar
