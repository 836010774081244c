#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

class PathMapper;

// One waiting job as the queue view lists it.
struct QueueEntry
{
    // "yyyy.mm.dd  hh:nn:ss  TITLE     NAME" (UTF-8): the last write of the settings file, the
    // first 8 characters of its line (padded, so the name always starts at character 33) and
    // the settings file's name as found in the folder.
    std::string text;
    // "C:\SPOOL\" + the name in upper case: the form the dispatch names the job in progress by.
    std::string settingsPath;
    // The settings file itself, as listed.
    std::filesystem::path settingsFile;

    bool operator==(const QueueEntry&) const = default;
};

// The waiting jobs of C:\SPOOL for the queue view, and their removal. The job the dispatch is
// processing is never listed and never removed.
class SpoolQueue
{
public:
    // The settings path of the job in progress ("C:\SPOOL\SPO12.TMP"), empty when there is none.
    using JobInProgress = std::function<std::string()>;

    // `paths` is kept by reference and must outlive the queue.
    SpoolQueue(const PathMapper& paths, JobInProgress jobInProgress);

    // The jobs of the scheme served next (SPLOK files while there are any, else SPO files),
    // sorted as text, so by time, then title, then name. Empty settings files and files that
    // cannot be read now are left out.
    std::vector<QueueEntry> waitingJobs() const;

    // Removes the settings, data and cover file of each job, whichever of them exist, the
    // settings file first. The job in progress is skipped. Returns the number of jobs whose
    // files are all gone afterwards.
    int removeJobs(const std::vector<QueueEntry>& jobs) const;

    // The text of a queue entry from its parts (all UTF-8).
    static std::string entryText(std::string_view dateTime, std::string_view title,
                                 std::string_view fileName);

private:
    bool inProgress(std::string_view settingsPath) const;

    const PathMapper& m_paths;
    JobInProgress m_jobInProgress;
};

} // namespace spoolar
