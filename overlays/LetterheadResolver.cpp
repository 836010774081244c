#include "overlays/LetterheadResolver.h"

#include "platform/CodePage.h"
#include "platform/QvorIni.h"
#include "platform/WinPath.h"

#include <cstdio>

namespace spoolar {

namespace {

bool isValidFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

bool hasDriveLetter(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool isRegularFile(const std::filesystem::path& file)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

void writeTrace(const std::filesystem::path& file, const LetterheadResolution& r)
{
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (!out)
        return;
    std::fprintf(out, "asPath = %s\n", r.currentDir.c_str());
    std::fprintf(out, "m_asFileHeader = %s\n", r.firstCandidate.c_str());
    std::fprintf(out, "m_asFileHeader = %s\n", r.windowsPath.c_str());
    std::fclose(out);
}

} // namespace

std::filesystem::path hostPathOf(const PathMapper& paths, std::string_view ansiPath,
                                 const std::filesystem::path& workingFolder)
{
    const std::string windowsPath = ansiToUtf8(ansiPath);
    if (hasDriveLetter(windowsPath))
        return paths.toHost(windowsPath);
    if (!windowsPath.empty() && (windowsPath[0] == '\\' || windowsPath[0] == '/'))
        return paths.toHost("C:" + windowsPath);
    std::filesystem::path host = workingFolder;
    std::string_view rest = windowsPath;
    while (!rest.empty()) {
        const std::size_t cut = rest.find_first_of("\\/");
        const std::string_view part = rest.substr(0, cut);
        if (!part.empty())
            host /= std::string(part);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    return resolveCaseInsensitive(host);
}

LetterheadResolution resolveLetterhead(const PathMapper& paths, std::string_view name,
                                       const std::filesystem::path& workingFolder)
{
    LetterheadResolution r;
    r.currentDir = qvorCurrentDir(paths);
    const std::string fileName = std::string(name) + ".hdr";
    r.firstCandidate = r.currentDir + "\\" + fileName;
    const bool safe = isValidFileName(name);

    const std::filesystem::path first = hostPathOf(paths, r.firstCandidate, workingFolder);
    if (safe && isRegularFile(first)) {
        r.windowsPath = r.firstCandidate;
        r.hostPath = first;
    } else {
        r.windowsPath = "C:\\SPOOL\\" + fileName;
        r.hostPath = paths.toHost(ansiToUtf8(r.windowsPath));
    }
    r.found = safe && isRegularFile(r.hostPath);
    writeTrace(workingFolder / "HTest.txt", r);
    return r;
}

} // namespace spoolar
