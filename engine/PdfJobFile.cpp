#include "engine/PdfJobFile.h"

#include "engine/PdfError.h"
#include "engine/PdfFileName.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/WinPath.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>

namespace spoolar {

namespace {
HPDF_Date dateOf(const std::tm& t)
{
    HPDF_Date d{};
    d.year = t.tm_year + 1900;
    d.month = t.tm_mon + 1;
    d.day = t.tm_mday;
    d.hour = t.tm_hour;
    d.minutes = t.tm_min;
    d.seconds = t.tm_sec;
    d.ind = '+';
    d.off_hour = 0;
    d.off_minutes = 0;
    return d;
}

// Makes a file's content durable: flushes it and the folder entry that names it.
void syncPath(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The hidden name a file is written under before it is renamed into place: ".<name>.part".
// Built by appending: g++ 12 at -O3 reports a false -Wrestrict for "." + name + ".part".
std::filesystem::path partialPathOf(const std::filesystem::path& file)
{
    std::string name(1, '.');
    name += file.filename().string();
    name += ".part";
    return file.parent_path() / name;
}
} // namespace

void setPdfJobInfo(HPDF_Doc doc, const IClock& clock, const std::string& title)
{
    const std::time_t now = std::chrono::system_clock::to_time_t(clock.now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    const HPDF_Date date = dateOf(utc);
    HPDF_SetInfoDateAttr(doc, HPDF_INFO_CREATION_DATE, date);
    HPDF_SetInfoDateAttr(doc, HPDF_INFO_MOD_DATE, date);
    HPDF_SetInfoAttr(doc, HPDF_INFO_AUTHOR, "Tobrin 365");
    HPDF_SetInfoAttr(doc, HPDF_INFO_CREATOR, "Spoolar by Qvor");
    HPDF_SetInfoAttr(doc, HPDF_INFO_SUBJECT, title.c_str());
    HPDF_SetInfoAttr(doc, HPDF_INFO_TITLE, title.c_str());
}

std::string savePdfJobFile(HPDF_Doc doc, const PathMapper& paths, const IClock& clock,
                           std::string_view title)
{
    const std::time_t now = std::chrono::system_clock::to_time_t(clock.now());
    std::tm local{};
    localtime_r(&now, &local);
    const std::string windowsPath = pdfWindowsPath(title, local);
    const std::filesystem::path target = paths.toHost(ansiToUtf8(windowsPath));

    const std::filesystem::path partial = partialPathOf(target);
    try {
        HPDF_SaveToFile(doc, partial.c_str());
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        throw;
    }
    syncPath(partial);
    std::error_code renameError;
    std::filesystem::rename(partial, target, renameError);
    if (renameError) {
        std::filesystem::remove(partial, renameError);
        throw PdfError(HPDF_FILE_IO_ERROR, static_cast<HPDF_STATUS>(EIO));
    }
    syncPath(target.parent_path());

    // Pdf.ok names the finished file (Windows path, no line break).
    writeSpoolFileAtomically(paths.toHost("C:\\SPOOL\\Pdf.ok"), windowsPath);
    return windowsPath;
}

void writeSpoolFileAtomically(const std::filesystem::path& file, std::string_view content)
{
    const std::filesystem::path partial = partialPathOf(file);
    std::FILE* out = std::fopen(partial.c_str(), "wb");
    if (!out)
        return;
    const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    const bool closed = std::fclose(out) == 0;
    std::error_code ec;
    if (!written || !closed) {
        std::filesystem::remove(partial, ec);
        return;
    }
    syncPath(partial);
    std::filesystem::rename(partial, file, ec);
    if (ec)
        std::filesystem::remove(partial, ec);
}

} // namespace spoolar
