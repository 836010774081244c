#include "app/Settings.h"

#include "platform/IniFile.h"
#include "platform/WinPath.h"

#include <array>
#include <variant>

namespace spoolar {

namespace {

template <class T> using Field = T& (*)(ProgramSettings&);

struct BoolKey
{
    Field<bool> field;
};
struct IntKey
{
    Field<std::int32_t> field;
};
struct TextKey
{
    Field<std::string> field;
};
// Text stored through encodeHiddenText.
struct HiddenTextKey
{
    Field<std::string> field;
};

struct SettingKey
{
    std::string_view section;
    std::string_view key;
    std::variant<BoolKey, IntKey, TextKey, HiddenTextKey> type;
    std::string_view meaning;
};

template <class... F> struct Overloaded : F...
{
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

// Every key of the settings file, in the order in which save() writes them. The default of
// each key is the value of its field in a default-made ProgramSettings.
const std::array<SettingKey, 20> kKeys{{
    {"PREVIEW", "Fascicola", BoolKey{[](ProgramSettings& s) -> bool& { return s.fascicola; }},
     "collate copies (CKB_Fascicola, menu item Fascicola); default 0"},
    {"PREVIEW", "Chart", BoolKey{[](ProgramSettings& s) -> bool& { return s.previewChart; }},
     "preview chart jobs (CKB_PreviewGrafici, menu item PreviewGrafici); default 0"},
    {"PREVIEW", "OutputGrafico",
     BoolKey{[](ProgramSettings& s) -> bool& { return s.previewGraphic; }},
     "preview printed jobs (CKB_PreviewStampe, menu item PreviewStampe); default 0"},
    {"PREVIEW", "OutputPDF", BoolKey{[](ProgramSettings& s) -> bool& { return s.previewPdf; }},
     "preview PDF jobs (CKB_PreviewPDF, menu item PreviewPDF); default 0"},
    {"FONT", "TipoFont", IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.fontIndex; }},
     "item of CBX_Font: 0 Bitstream Vera Sans Mono, 1 Consolas, 2 Courier New; default 2"},
    {"FONT", "PercFontsizeBitstream", IntKey{[](ProgramSettings& s) -> std::int32_t& {
         return s.fontPercent.PercFontsizeBitstream;
     }},
     "font size percentage for Bitstream Vera Sans Mono; default 12"},
    {"FONT", "PercFontsizeConsolas",
     IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.fontPercent.PercFontsizeConsolas; }},
     "font size percentage for Consolas; default 11"},
    {"FONT", "PercFontsizeCourier",
     IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.fontPercent.PercFontsizeCourier; }},
     "font size percentage for Courier New; default 6"},
    {"FONT", "PercItalicoBitstream",
     IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.fontPercent.PercItalicoBitstream; }},
     "italic percentage for Bitstream Vera Sans Mono; default 0"},
    {"FONT", "PercItalicoConsolas",
     IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.fontPercent.PercItalicoConsolas; }},
     "italic percentage for Consolas; default 0"},
    {"FONT", "PercItalicoCourier",
     IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.fontPercent.PercItalicoCourier; }},
     "italic percentage for Courier New; default 0"},
    {"PDF", "PDFType", IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.pdfType; }},
     "item of CBX_PDFType: 0 PDF, 1 PDF/A-1a, 2 PDF/A-1b; default 0"},
    {"REMOTESPOOL", "FTPPath",
     TextKey{[](ProgramSettings& s) -> std::string& { return s.ftpPath; }},
     "remote folder of the remote spool; empty (the default) switches it off"},
    {"REMOTESPOOL", "Passive", BoolKey{[](ProgramSettings& s) -> bool& { return s.passive; }},
     "passive mode of the remote spool's FTP client; default 1"},
    {"REMOTESPOOL", "Host", TextKey{[](ProgramSettings& s) -> std::string& { return s.host; }},
     "FTP server of the remote spool; default empty"},
    {"REMOTESPOOL", "Port", IntKey{[](ProgramSettings& s) -> std::int32_t& { return s.port; }},
     "FTP control port of the remote spool; default 21"},
    {"REMOTESPOOL", "User", TextKey{[](ProgramSettings& s) -> std::string& { return s.user; }},
     "FTP user of the remote spool; default empty"},
    {"REMOTESPOOL", "Password",
     HiddenTextKey{[](ProgramSettings& s) -> std::string& { return s.password; }},
     "FTP password of the remote spool, obfuscated (encodeHiddenText); default empty"},
    {"REMOTESPOOL", "VerificaCertificato",
     BoolKey{[](ProgramSettings& s) -> bool& { return s.verifyCertificate; }},
     "check the FTP server's certificate; default 1 (0 accepts any server)"},
    {"REMOTESPOOL", "Certificato",
     TextKey{[](ProgramSettings& s) -> std::string& { return s.caFile; }},
     "certificate file that the server's certificate must chain to (a self-signed server's "
     "own certificate); default empty: the system's store"},
}};

// The fixed key of the password obfuscation. Changing it makes stored passwords unreadable.
constexpr std::string_view kHiddenTextKey = "Sp00l4r-Qv0r-R3m0t3";

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

void ProgramSettings::load(const std::filesystem::path& file)
{
    const TIniFile ini(file);
    ProgramSettings defaults;
    for (const SettingKey& key : kKeys) {
        std::visit(Overloaded{
                       [&](const BoolKey& k) {
                           k.field(*this) = ini.ReadBool(key.section, key.key, k.field(defaults));
                       },
                       [&](const IntKey& k) {
                           k.field(*this) =
                               ini.ReadInteger(key.section, key.key, k.field(defaults));
                       },
                       [&](const TextKey& k) {
                           k.field(*this) = ini.ReadString(key.section, key.key, k.field(defaults));
                       },
                       [&](const HiddenTextKey& k) {
                           // A value that is not valid hexadecimal cannot be a stored
                           // password: the default (empty) applies.
                           const std::string stored = ini.ReadString(key.section, key.key, {});
                           k.field(*this) = decodeHiddenText(stored).value_or(k.field(defaults));
                       },
                   },
                   key.type);
    }
    if (port < 1 || port > 65535)
        port = defaults.port;
}

bool ProgramSettings::save(const std::filesystem::path& file) const
{
    TIniFile ini(file);
    ProgramSettings values = *this;
    bool stored = true;
    for (const SettingKey& key : kKeys) {
        stored &= std::visit(Overloaded{
                                 [&](const BoolKey& k) {
                                     return ini.WriteBool(key.section, key.key, k.field(values));
                                 },
                                 [&](const IntKey& k) {
                                     return ini.WriteInteger(key.section, key.key, k.field(values));
                                 },
                                 [&](const TextKey& k) {
                                     return ini.WriteString(key.section, key.key, k.field(values));
                                 },
                                 [&](const HiddenTextKey& k) {
                                     return ini.WriteString(key.section, key.key,
                                                            encodeHiddenText(k.field(values)));
                                 },
                             },
                             key.type);
    }
    return ini.UpdateFile() && stored;
}

std::string ProgramSettings::fontName() const
{
    return fontNameOf(fontIndex);
}

std::string fontNameOf(std::int32_t fontIndex)
{
    switch (fontIndex) {
    case 0:
        return "Bitstream Vera Sans Mono";
    case 1:
        return "Consolas";
    default:
        // 2, and any index the combo box does not have (a hand-edited file): the default
        // font, so a job is never laid out with a family that does not exist.
        return "Courier New";
    }
}

std::filesystem::path settingsFilePath(const PathMapper& paths)
{
    return resolveCaseInsensitive(paths.programHome() / "spoolar.ini");
}

std::string encodeHiddenText(std::string_view plain)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(plain.size() * 2);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const auto byte = static_cast<unsigned char>(plain[i]) ^
                          static_cast<unsigned char>(kHiddenTextKey[i % kHiddenTextKey.size()]);
        hex.push_back(digits[byte >> 4]);
        hex.push_back(digits[byte & 0x0F]);
    }
    return hex;
}

std::optional<std::string> decodeHiddenText(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string plain;
    plain.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        const std::size_t index = i / 2;
        plain.push_back(static_cast<char>(
            (high << 4 | low) ^
            static_cast<unsigned char>(kHiddenTextKey[index % kHiddenTextKey.size()])));
    }
    return plain;
}

} // namespace spoolar
