#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

// An ini file read and written the way the Windows private-profile functions (and the VCL
// TIniFile over them) do it, for the program settings, Chart.ini, FaxCover.ini, letterhead
// definitions and any other ini file of the program.
//
// Reading: the file is read once, when the object is made. Text is 8-bit and kept as it is
// (no code page conversion); lines end in CR LF or LF. "[NAME]" starts a section,
// "name=value" is a key, lines starting with ';' are comments, other lines are ignored.
// Section and key names are compared without regard to ASCII case; blanks around names and
// values are dropped, and a value enclosed in a pair of matching double or single quotes
// loses them. The first section of a name and, in it, the first key of a name are the ones
// read and written. A missing file reads as an empty one.
//
// Writing: changes stay in memory until UpdateFile() writes the whole file back (CR LF line
// ends, atomically: a temporary file in the same folder, flushed and renamed over the old
// one). Everything that was not changed — comments, unknown sections and keys, their order
// and the case of their names — is written back as it was; a new key goes at the end of its
// section, a new section at the end of the file. Nothing is written on destruction.
class TIniFile
{
public:
    // The longest value ReadString returns: the profile functions fill a buffer of 2048 bytes.
    static constexpr std::size_t MaxValueLength = 2047;

    explicit TIniFile(std::filesystem::path fileName);

    const std::filesystem::path& fileName() const { return m_fileName; }

    // The file exists but could not be read: UpdateFile() refuses to replace it.
    bool readFailed() const { return m_readFailed; }

    // The value when the key is present (an empty value included), else the default.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal, or hexadecimal after "$" or "0x"/"0X" (a hexadecimal value up to FFFFFFFF
    // wraps into the negative range, as colour values need); an optional sign first. Empty
    // text, other characters or a value out of the 32-bit range give the default.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // An integer as ReadInteger reads it; any value other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // A decimal number with "." as separator, whatever the locale; an optional exponent.
    // Anything else (also "inf" and "nan") gives the default.
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;

    // Each Write returns false and changes nothing when the text cannot be stored so that it
    // reads back the same: an empty key, a line break in any part, "=" in a key, a key
    // starting with ';' or '[', or "]" in a section name. A value with blanks at an end or
    // enclosed in matching quotes is written in double quotes so that it reads back unchanged.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value); // 1 or 0
    // The shortest text that reads back as the same number, always with ".".
    bool WriteFloat(std::string_view section, std::string_view key, double value);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Section names in file order, each name once (its first spelling).
    std::vector<std::string> ReadSections() const;
    // Key names of a section in file order, each name once (its first spelling).
    std::vector<std::string> ReadSection(std::string_view section) const;
    // Removes every section of that name with all its lines.
    void EraseSection(std::string_view section);
    // Removes the key (each line of that name in the section, so no later one shows through).
    void DeleteKey(std::string_view section, std::string_view key);

    // Writes the changes made since the file was read or last written; true when there was
    // nothing to write. False when the file could not be written (the old one is then left
    // as it was) or when it existed but could not be read (it would lose what it holds).
    [[nodiscard]] bool UpdateFile();
    [[nodiscard]] bool save() { return UpdateFile(); }

private:
    enum class LineKind
    {
        Other, // comment, blank, or anything that is neither a section nor a key
        Key,
    };
    struct Line
    {
        std::string text; // as in the file, without its line end
        LineKind kind = LineKind::Other;
        std::string name;  // key name, trimmed
        std::string value; // value, trimmed and unquoted
    };
    struct Section
    {
        std::string header; // the header line as in the file; empty for the lines before it
        std::string name;   // trimmed name between the brackets
        bool hasHeader = false;
        std::vector<Line> lines;
    };

    void parse(std::string_view content);
    const Section* findSection(std::string_view name) const;
    Section* findSection(std::string_view name);
    static const Line* findKey(const Section& section, std::string_view key);
    std::string serialize() const;

    std::filesystem::path m_fileName;
    std::vector<Section> m_sections; // m_sections[0] holds the lines before the first header
    bool m_readFailed = false;
    bool m_modified = false;
};

// An integer as ReadInteger reads a value (decimal, or hexadecimal after "$" or "0x"), for texts
// that other readers convert the same way; nothing when the text does not convert.
std::optional<std::int32_t> parseProfileInteger(std::string_view text);

} // namespace spoolar
