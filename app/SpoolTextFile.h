#pragma once
#include <string>
#include <string_view>
#include <variant>

namespace spoolar {

class PathMapper;

// Why a file of the spool folder could not be shown.
enum class TextFileError
{
    Missing,
    Unreadable,
};

using TextFileResult = std::variant<std::string, TextFileError>;

// The whole of a text file of the spool folder (an ANSI file such as C:\SPOOL\Printers.lst),
// as UTF-8 with its lines ended by LF, for a read-only view. Nothing is interpreted.
TextFileResult readSpoolTextFile(const PathMapper& paths, std::string_view windowsPath);

// The Italian message for a file that cannot be shown (UTF-8).
std::string textFileErrorMessage(std::string_view windowsPath, TextFileError error);

} // namespace spoolar
