#include "app/SpoolQueue.h"

#include "app/SpoolFolder.h"
#include "platform/AsciiCase.h"
#include "platform/CodePage.h"
#include "platform/WinPath.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace spoolar {

namespace {

constexpr std::string_view kSpoolDir = "C:\\SPOOL";
constexpr std::string_view kSplokPattern = "SPLOK??.???";
constexpr std::string_view kSpoPattern = "SPO*.TMP";
constexpr std::size_t kTitleWidth = 8;

// "2024.03.05  14:07:09", local time.
std::optional<std::string> lastWriteText(const fs::path& file)
{
    std::error_code ec;
    const fs::file_time_type written = fs::last_write_time(file, ec);
    if (ec)
        return std::nullopt;
    const std::time_t time = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(written)));
    std::tm local{};
    if (!localtime_r(&time, &local))
        return std::nullopt;
    char text[32];
    if (std::strftime(text, sizeof text, "%Y.%m.%d  %H:%M:%S", &local) == 0)
        return std::nullopt;
    return std::string(text);
}

// The first characters of the first line (ANSI bytes). Nothing when the file is empty (it has
// no line) or cannot be read now.
std::optional<std::string> titleOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    char buffer[kTitleWidth];
    in.read(buffer, sizeof buffer);
    if (in.bad())
        return std::nullopt;
    const auto count = static_cast<std::size_t>(in.gcount());
    if (count == 0)
        return std::nullopt;
    std::string_view title(buffer, count);
    title = title.substr(0, title.find_first_of("\r\n"));
    return std::string(title);
}

bool lessAsText(const QueueEntry& a, const QueueEntry& b)
{
    const auto lower = [](char x, char y) { return lowerAscii(x) < lowerAscii(y); };
    if (std::lexicographical_compare(a.text.begin(), a.text.end(), b.text.begin(), b.text.end(),
                                     lower))
        return true;
    if (std::lexicographical_compare(b.text.begin(), b.text.end(), a.text.begin(), a.text.end(),
                                     lower))
        return false;
    return a.text < b.text;
}

// Removes one job file when it exists; a folder of that name is left alone. True when the
// file is gone.
bool removeIfPresent(const fs::path& file)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(file, ec);
    if (ec || !fs::exists(status))
        return true;
    if (!fs::is_regular_file(status) && !fs::is_symlink(status))
        return false;
    return fs::remove(file, ec) && !ec;
}

} // namespace

SpoolQueue::SpoolQueue(const PathMapper& paths, JobInProgress jobInProgress)
    : m_paths(paths), m_jobInProgress(std::move(jobInProgress))
{
}

std::string SpoolQueue::entryText(std::string_view dateTime, std::string_view title,
                                  std::string_view fileName)
{
    std::string text;
    text.reserve(dateTime.size() + title.size() + fileName.size() + 4);
    text.append(dateTime).append("  ").append(title).append("  ").append(fileName);
    return text;
}

bool SpoolQueue::inProgress(std::string_view settingsPath) const
{
    const std::string active = m_jobInProgress ? m_jobInProgress() : std::string();
    return !active.empty() && equalsNoCase(active, settingsPath);
}

std::vector<QueueEntry> SpoolQueue::waitingJobs() const
{
    std::vector<fs::path> files = m_paths.list(kSpoolDir, kSplokPattern);
    if (files.empty())
        files = m_paths.list(kSpoolDir, kSpoPattern);

    std::vector<QueueEntry> entries;
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        std::string settingsPath = std::string(kSpoolDir) + "\\" + upperAscii(name);
        if (inProgress(settingsPath))
            continue;
        const std::optional<std::string> title = titleOf(file);
        const std::optional<std::string> written = lastWriteText(file);
        if (!title || !written)
            continue; // empty, or gone or unreadable since the listing: the next refresh tells
        std::string shownTitle = ansiToUtf8(*title);
        shownTitle.append(kTitleWidth - title->size(), ' ');
        entries.push_back({entryText(*written, shownTitle, name), std::move(settingsPath), file});
    }
    std::sort(entries.begin(), entries.end(), lessAsText);
    return entries;
}

int SpoolQueue::removeJobs(const std::vector<QueueEntry>& jobs) const
{
    int removed = 0;
    for (const QueueEntry& job : jobs) {
        if (inProgress(job.settingsPath))
            continue;
        const std::optional<JobFileNames> names =
            jobFileNames(job.settingsFile.filename().string());
        if (!names)
            continue;
        // The settings file first: without it the dispatch no longer takes the job.
        bool clean = removeIfPresent(job.settingsFile);
        clean = removeIfPresent(m_paths.toHost(names->dataPath)) && clean;
        clean = removeIfPresent(m_paths.toHost(names->coverPath)) && clean;
        if (clean)
            ++removed;
    }
    return removed;
}

} // namespace spoolar
