#include "app/JobSettings.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace spoolar {

namespace {

// Columns of the settings line, 1-based first column and width.
struct Column
{
    std::size_t first;
    std::size_t width;
};
constexpr Column kTitle{1, 8};
constexpr Column kPrinter{9, 59};
constexpr std::size_t kCopiesColumn = 69;
constexpr std::size_t kOrientationColumn = 70;
constexpr std::size_t kKindColumn = 71;
constexpr Column kFax1{72, 1};
constexpr Column kFax2{73, 31};
constexpr Column kFax3{104, 46};
constexpr Column kLeftOffset{150, 4};

// The part of a column that the line holds; empty when the line ends before it.
std::string_view cut(std::string_view line, Column column)
{
    if (line.size() < column.first)
        return {};
    return line.substr(column.first - 1, column.width);
}

char at(std::string_view line, std::size_t column)
{
    return line[column - 1];
}

std::optional<JobKind> kindOf(char letter)
{
    switch (letter) {
    case 'G':
        return JobKind::Graphic;
    case 'T':
        return JobKind::Text;
    case 'C':
        return JobKind::Chart;
    case 'F':
        return JobKind::Fax;
    case 'X':
        return JobKind::ChartByFax;
    default:
        return std::nullopt;
    }
}

// Leading blanks, an optional sign, then digits up to the end of the field; anything else
// (a trailing blank included) makes the whole field 0.
std::int32_t leftOffsetOf(std::string_view field)
{
    std::size_t i = 0;
    while (i < field.size() && field[i] == ' ')
        ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    if (i == field.size())
        return 0;
    std::int32_t value = 0; // at most four characters: no overflow
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9')
            return 0;
        value = value * 10 + (field[i] - '0');
    }
    return negative ? -value : value;
}

// The first line of a file (without its line break), read only as far as needed; nothing
// when the file cannot be opened or read.
struct FirstLine
{
    std::string text;
    bool fileEmpty = true;
};

std::optional<FirstLine> readFirstLine(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    FirstLine line;
    char buffer[4096];
    bool failed = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failed = true; // a folder gives EISDIR here
            break;
        }
        if (n == 0)
            break;
        line.fileEmpty = false;
        const std::string_view chunk(buffer, static_cast<std::size_t>(n));
        const std::size_t end = chunk.find_first_of("\r\n");
        line.text.append(chunk.substr(0, end));
        // Nothing after column 153 is read: a huge file without line breaks stops here.
        if (end != std::string_view::npos || line.text.size() >= sizeof buffer)
            break;
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    return line;
}

} // namespace

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

bool JobSettings::landscape(JobKind effective) const
{
    if (pdfOutput)
        return !portrait;
    switch (effective) {
    case JobKind::Text:
        return false;
    case JobKind::Chart:
    case JobKind::ChartByFax:
        return true;
    case JobKind::Graphic:
    case JobKind::Fax:
        break;
    }
    return !portrait;
}

bool JobSettings::needsFaxHandOff(JobKind effective) const
{
    return !pdfOutput && (effective == JobKind::Fax || effective == JobKind::ChartByFax);
}

SettingsResult decodeSettingsLine(std::string_view line)
{
    if (line.size() < kMinSettingsLineLength)
        return SettingsError::TooShort;

    JobSettings s;
    s.title = trimBlanks(cut(line, kTitle));
    s.printerName = trimBlanks(cut(line, kPrinter));
    s.pdfOutput = s.printerName == kPdfPrinterName;
    const char copies = at(line, kCopiesColumn);
    s.copies = (copies >= '1' && copies <= '9') ? copies - '0' : 1;
    s.portrait = at(line, kOrientationColumn) == 'P';
    s.kind = kindOf(at(line, kKindColumn));
    s.faxField1 = cut(line, kFax1);
    s.faxField2 = trimBlanks(cut(line, kFax2));
    s.faxField3 = trimBlanks(cut(line, kFax3));
    s.leftOffset = leftOffsetOf(cut(line, kLeftOffset));
    return s;
}

SettingsResult readJobSettings(const std::filesystem::path& settingsFile)
{
    const std::optional<FirstLine> line = readFirstLine(settingsFile);
    if (!line)
        return SettingsError::Unreadable;
    if (line->fileEmpty)
        return SettingsError::Empty;
    return decodeSettingsLine(line->text);
}

} // namespace spoolar
