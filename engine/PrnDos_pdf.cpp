// PDF output: the libharu document of a job, its metadata, PDF/A, file name and Pdf.ok.
#include "engine/PdfError.h"
#include "engine/PdfFileName.h"
#include "engine/PrnDos.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"

#include <fcntl.h>
#include <unistd.h>

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

void TPrnDos::CreatePdfDoc()
{
    m_PdfFonts = std::make_unique<TPdfFonts>(m_host.fonts);
    m_pdfDoc = HPDF_New(&pdfErrorHandler, nullptr);
    if (!m_pdfDoc) {
        m_host.prompts.show(PromptKind::Error, PromptButtons::Ok,
                            "ERRORE: Impossibile creare l'oggetto PDF");
        m_bPdfFailed = true;
    }
}

void TPrnDos::FreePdfDoc()
{
    m_pdfConformance.reset();
    m_PdfFonts.reset();
    if (m_pdfDoc) {
        // Nothing may throw while the document is released.
        HPDF_SetErrorHandler(m_pdfDoc, nullptr);
        HPDF_Free(m_pdfDoc);
    }
    m_pdfDoc = nullptr;
    m_pdfPage = nullptr;
    m_pdfFont = nullptr;
}

void TPrnDos::StartPdfJob()
{
    CreatePdfDoc();
    if (m_bPdfFailed)
        return;
    m_pdfConformance =
        std::make_unique<PdfConformance>(m_pdfDoc, m_iPdfType == 1   ? PdfType::PdfA1a
                                                   : m_iPdfType == 2 ? PdfType::PdfA1b
                                                                     : PdfType::Plain);
    HPDF_SetCompressionMode(m_pdfDoc, HPDF_COMP_ALL);
    m_PdfFonts->setFontLoaded([this](HPDF_Font font) { m_pdfConformance->registerFont(font); });
    m_PdfFonts->LoadFamily(m_pdfDoc, m_asFontName);

    const std::time_t now = std::chrono::system_clock::to_time_t(m_host.clock.now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    const HPDF_Date date = dateOf(utc);
    HPDF_SetInfoDateAttr(m_pdfDoc, HPDF_INFO_CREATION_DATE, date);
    HPDF_SetInfoDateAttr(m_pdfDoc, HPDF_INFO_MOD_DATE, date);
    HPDF_SetInfoAttr(m_pdfDoc, HPDF_INFO_AUTHOR, "Tobrin 365");
    HPDF_SetInfoAttr(m_pdfDoc, HPDF_INFO_CREATOR, "Spoolar by Qvor");
    HPDF_SetInfoAttr(m_pdfDoc, HPDF_INFO_SUBJECT, m_asTitle.c_str());
    HPDF_SetInfoAttr(m_pdfDoc, HPDF_INFO_TITLE, m_asTitle.c_str());
    NewPage();
}

void TPrnDos::SavePdfJob()
{
    if (m_pdfPage) {
        m_pdfState.endText(m_pdfPage);
        if (m_pdfConformance)
            m_pdfConformance->endPage(m_pdfPage);
    }

    const std::time_t now = std::chrono::system_clock::to_time_t(m_host.clock.now());
    std::tm local{};
    localtime_r(&now, &local);
    const std::string windowsPath = spoolar::pdfWindowsPath(m_asTitle, local);
    const std::filesystem::path target = m_host.paths.toHost(ansiToUtf8(windowsPath));

    if (m_pdfConformance)
        m_pdfConformance->finish();

    // Written under a temporary name and renamed when complete, so that no other program ever
    // sees half a PDF.
    const std::filesystem::path partial = partialPathOf(target);
    try {
        HPDF_SaveToFile(m_pdfDoc, partial.c_str());
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
    m_asPdfPath = windowsPath;

    // Pdf.ok names the finished file (Windows path, no line break).
    WriteSpoolFileAtomically(m_host.paths.toHost("C:\\SPOOL\\Pdf.ok"), windowsPath);
}

void TPrnDos::WriteSpoolFileAtomically(const std::filesystem::path& file, std::string_view content)
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
