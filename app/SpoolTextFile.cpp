#include "app/SpoolTextFile.h"

#include "platform/CodePage.h"
#include "platform/WinPath.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace spoolar {

TextFileResult readSpoolTextFile(const PathMapper& paths, std::string_view windowsPath)
{
    const fs::path file = paths.toHost(windowsPath);
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (!fs::exists(status))
        return TextFileError::Missing;
    if (!fs::is_regular_file(status))
        return TextFileError::Unreadable;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return TextFileError::Unreadable;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return TextFileError::Unreadable;

    // CR LF, LF and a lone CR all end a line, as in a Windows memo.
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            text += bytes[i];
        }
    }
    return ansiToUtf8(text);
}

std::string textFileErrorMessage(std::string_view windowsPath, TextFileError error)
{
    const std::string path(windowsPath);
    if (error == TextFileError::Missing)
        return "Il file " + path + " non esiste!";
    return "Impossibile leggere il file " + path + "!";
}

} // namespace spoolar
