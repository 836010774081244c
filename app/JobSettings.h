#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace spoolar {

// The kind of a job, column 71 of its settings line; the values are the codes the dispatch
// keeps for the job in progress.
enum class JobKind
{
    Graphic = 0,   // G
    Text = 1,      // T
    Chart = 2,     // C
    Fax = 3,       // F
    ChartByFax = 4 // X
};

// The printer name that selects PDF output.
inline constexpr std::string_view kPdfPrinterName = "PDF Embedded";

// The first line of a job settings file, cut into its fixed columns (1-based):
// 1-8 title, 9-67 printer, 69 copies, 70 orientation, 71 kind, 72 fax field 1,
// 73-103 fax field 2, 104-149 fax field 3, 150-153 left offset. All text is 8-bit ANSI.
struct JobSettings
{
    std::string title;       // trimmed
    std::string printerName; // trimmed
    bool pdfOutput = false;  // printer name is exactly "PDF Embedded"
    int copies = 1;          // digit of column 69; anything but '1'..'9' counts as one
    bool portrait = false;   // column 70 is 'P'
    // Column 71; empty when it holds another letter, so the job keeps the previous job's kind.
    std::optional<JobKind> kind;
    std::string faxField1; // column 72 as it is (empty when the line is shorter)
    std::string faxField2; // trimmed
    std::string faxField3; // trimmed
    std::int32_t leftOffset = 0;

    // The kind this job runs as, given the kind of the job before it.
    JobKind effectiveKind(JobKind previous) const { return kind.value_or(previous); }
    // Copies to produce: a PDF is always written once.
    int outputCopies() const { return pdfOutput ? 1 : copies; }
    // Orientation for the engine: PDF output and graphic and fax jobs follow column 70, a text
    // job on a printer is portrait, a chart on a printer landscape.
    bool landscape(JobKind effective) const;
    // Fax and chart-by-fax jobs printed on a printer hand their fax fields to the fax program.
    bool needsFaxHandOff(JobKind effective) const;
};

// Why a settings file gave no settings.
enum class SettingsError
{
    Unreadable, // the file cannot be opened or read
    Empty,      // no line at all: "Il file di impostazione spooler è vuoto!"
    TooShort,   // the first line ends before the job kind (column 71)
};

// The shortest settings line that can be decoded: through the job kind.
inline constexpr std::size_t kMinSettingsLineLength = 71;

using SettingsResult = std::variant<JobSettings, SettingsError>;

// Decodes one settings line (without its line break).
SettingsResult decodeSettingsLine(std::string_view line);

// Reads the first line of a settings file (CR LF, LF or CR end it) and decodes it; later lines
// are ignored.
SettingsResult readJobSettings(const std::filesystem::path& settingsFile);

// Trims what Windows trims as blanks: spaces and control characters at both ends.
std::string_view trimBlanks(std::string_view text);

} // namespace spoolar
