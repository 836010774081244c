#pragma once
#include <ctime>
#include <string>
#include <string_view>

namespace spoolar {

// "C:\SPOOL\PDF\<title>_<yyyymmdd-hhnnss>.pdf" for a job title (CP1252) and the local time of
// writing. Characters Windows forbids in file names (\ / : * ? " < > | and control characters)
// become "_", so a title never makes the save fail.
std::string pdfWindowsPath(std::string_view title, const std::tm& localTime);

std::string sanitizeFileNamePart(std::string_view name);

} // namespace spoolar
