#pragma once
#include "engine/FontPercent.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace spoolar {

class PathMapper;

// The program settings file (spoolar.ini beside the program). Every key, its section, type,
// default and meaning is listed once, in the key table of Settings.cpp; load() and save() go
// through that table only. The defaults are the member initialisers below.
struct ProgramSettings
{
    // PREVIEW
    bool fascicola = false;      // Fascicola: collate copies (CKB_Fascicola)
    bool previewChart = false;   // Chart: preview chart jobs (CKB_PreviewGrafici)
    bool previewGraphic = false; // OutputGrafico: preview printed jobs (CKB_PreviewStampe)
    bool previewPdf = false;     // OutputPDF: preview PDF jobs (CKB_PreviewPDF)
    // FONT
    std::int32_t fontIndex = 2; // TipoFont: item of CBX_Font, see fontNameOf()
    FONTPERCENT fontPercent;    // PercFontsize* and PercItalico*, written back unchanged
    // PDF
    std::int32_t pdfType = 0; // PDFType: item of CBX_PDFType
    // REMOTESPOOL
    std::string ftpPath;    // FTPPath: remote folder; empty switches the remote spool off
    bool passive = true;    // Passive: passive mode of the FTP client
    std::string host;       // Host: FTP server name or address
    std::int32_t port = 21; // Port: FTP control port (1-65535; anything else reads as 21)
    std::string user;       // User: FTP user name
    std::string password;   // Password: kept in clear here, stored obfuscated in the file
    bool verifyCertificate = true; // VerificaCertificato: check the server's certificate
    std::string caFile;            // Certificato: trusted certificate file; empty: the system's

    // Reads every key with its default; a missing file or key is not an error.
    void load(const std::filesystem::path& file);
    // Writes every key, keeping whatever else the file holds. False when it cannot be written.
    [[nodiscard]] bool save(const std::filesystem::path& file) const;

    // The font family of the chosen item of CBX_Font.
    std::string fontName() const;
};

// Font family of a CBX_Font item: 0 "Bitstream Vera Sans Mono", 1 "Consolas",
// 2 "Courier New".
std::string fontNameOf(std::int32_t fontIndex);

// The program settings file: spoolar.ini in the program's own folder (an existing file of
// that name in another case is used as it is).
std::filesystem::path settingsFilePath(const PathMapper& paths);

// The stored form of the remote spool password: each byte XORed with a fixed key and written
// as two upper-case hexadecimal digits. This only keeps the password from being read at a
// glance in the settings file; it is not encryption, and anyone with this code can reverse it.
std::string encodeHiddenText(std::string_view plain);
// The reverse; no value when the text is not an even number of hexadecimal digits.
std::optional<std::string> decodeHiddenText(std::string_view hex);

} // namespace spoolar
