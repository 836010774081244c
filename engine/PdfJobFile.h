#pragma once
#include <hpdf.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace spoolar {

class IClock;
class PathMapper;

// The document information of every job PDF: creation and modification date (UTC, offset
// +00'00'), author, creator, and the job title as subject and title.
void setPdfJobInfo(HPDF_Doc doc, const IClock& clock, const std::string& title);

// Saves a finished job document as C:\SPOOL\PDF\<title>_<yyyymmdd-hhnnss>.pdf (local time) and
// names it in C:\SPOOL\Pdf.ok. The PDF is written under a hidden temporary name, flushed and
// renamed, so no other program ever sees half a file. Returns the Windows path of the PDF; a
// failure raises PdfError and leaves neither the PDF nor Pdf.ok.
std::string savePdfJobFile(HPDF_Doc doc, const PathMapper& paths, const IClock& clock,
                           std::string_view title);

// Replaces a small spool file (such as Pdf.ok) whole: written beside it, flushed and renamed.
void writeSpoolFileAtomically(const std::filesystem::path& file, std::string_view content);

} // namespace spoolar
