#pragma once
#include <array>
#include <string>
#include <string_view>

class QString;

namespace spoolar {

enum class OemCodePage
{
    Cp850,
    Cp437
};

// OEM (DOS) text to the Windows ANSI code page 1252, as OemToCharA does: exact where a
// CP1252 character exists, the Windows best fit otherwise. Never fails.
class OemConverter
{
public:
    explicit OemConverter(OemCodePage codePage = OemCodePage::Cp850);

    char toAnsi(unsigned char oem) const { return m_table[oem]; }
    std::string toAnsi(std::string_view oem) const;
    OemCodePage codePage() const { return m_codePage; }

private:
    OemCodePage m_codePage;
    std::array<char, 256> m_table{};
};

// Windows-1252 bytes to Unicode, for the Qt boundary (undefined bytes keep their code point).
QString ansiToQString(std::string_view ansi);
std::string ansiToUtf8(std::string_view ansi);
// UTF-8 to Windows-1252; characters CP1252 does not have become '?'. Bytes that are not valid
// UTF-8 are taken as CP1252 already and kept.
std::string utf8ToAnsi(std::string_view utf8);

} // namespace spoolar
