#pragma once
#include "app/JobSettings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

class IClock;
class PathMapper;

// The two naming schemes of the producing programs.
enum class SpoolScheme
{
    Splok, // SPLOKnn.nnn settings, SPOOLnn.nnn data, SPLFCnn.nnn cover
    Spo,   // SPO<id>.TMP settings, SPL<id>.TMP data, SPC<id>.TMP cover
};

// The Windows paths of a job's three files, derived from the settings file name (never
// searched for): "C:\SPOOL\" + the name in upper case, with the scheme's prefixes.
struct JobFileNames
{
    SpoolScheme scheme;
    std::string settingsPath;
    std::string dataPath;
    std::string coverPath;
};

// Nothing when the name belongs to neither scheme.
std::optional<JobFileNames> jobFileNames(std::string_view settingsFileName);

// A job taken from the spool folder. Windows paths for texts and comparisons (the queue view
// compares settings paths), host paths for the files themselves.
struct SpoolJob
{
    SpoolScheme scheme = SpoolScheme::Spo;
    std::string settingsPath;
    std::string dataPath;
    std::string coverPath; // empty when the job has no cover
    std::filesystem::path settingsFile;
    std::filesystem::path dataFile;
    std::filesystem::path coverFile; // empty when the job has no cover

    bool hasCover() const { return !coverFile.empty(); }
};

// How a job ended, for the removal of its files.
enum class JobOutcome
{
    Processed,       // printed, written to PDF or previewed: all its files go
    NotPrepared,     // settings unreadable, empty or short, printer not selectable:
                     // settings and data go, a cover file stays
    ProcessingError, // nothing goes; the job is taken again later
};

// What became of a deferred open request.
enum class OpenRequestStatus
{
    Open,       // read and removed: open `target`
    Held,       // its writer still has it; left for a later tick
    Empty,      // read and removed, but it names nothing
    Unreadable, // cannot be read; left in place
    NotRemoved, // read, but it cannot be removed: not served, or it would open every tick
};

struct OpenRequest
{
    OpenRequestStatus status = OpenRequestStatus::Unreadable;
    std::filesystem::path target; // host path of the document (Open only)
};

// The moved files of a job, in the error folder.
struct ErrorFolderMove
{
    bool complete = false; // every file of the job that existed was moved
    std::vector<std::filesystem::path> moved;
};

// The file side of the spool folder protocol: C:\SPOOL with its job files, C:\SPOOL\ERR for
// jobs given up, the deferred open requests in C:\SPOOL\TMP and the fax hand-off file.
class SpoolFolder
{
public:
    // Both are kept by reference and must outlive the folder object.
    SpoolFolder(const PathMapper& paths, const IClock& clock);

    // The job to serve now: SPLOK jobs before SPO jobs; within the scheme that has waiting
    // files, the oldest by last write, ties in listing order. A file stamped one day or more
    // after now is never taken; when the chosen scheme only has such files, nothing is.
    std::optional<SpoolJob> nextJob() const;

    // True while the job's settings file is still there (checked just before preparing it).
    bool settingsStillExist(const SpoolJob& job) const;

    // Removes the files the outcome asks for, and nothing else. True when none of them is
    // left afterwards.
    bool removeJobFiles(const SpoolJob& job, JobOutcome outcome) const;

    // Moves every file of the job (a cover that exists by now included) into C:\SPOOL\ERR,
    // creating it when missing. A name already there is never overwritten: the files get the
    // suffix ".1", ".2", ... instead, the same for all files of the job. The settings file
    // goes first, so a job that moved only in part is not taken again.
    ErrorFolderMove moveJobToErrorFolder(const SpoolJob& job) const;

    // C:\SPOOL\TMP and C:\SPOOL\PDF with every missing parent (start-up). False when one of
    // them cannot be created.
    bool createWorkFolders() const;

    // C:\SPOOL\Pdf.ok, the PDF ready file: its first line (at most 255 characters) is the Windows
    // path of the last PDF written. Nothing when it is missing or empty.
    std::optional<std::string> readPdfReadyFile() const;
    // Removes it (at start-up a file left by an earlier run would announce an old PDF).
    void removePdfReadyFile() const;

    // C:\SPOOL\TMP\*.coda in listing order.
    std::vector<std::filesystem::path> openRequests() const;

    // Reads and removes one request unless its writer still holds it. The content is a
    // Windows path (mapped onto the host) when it starts with a drive letter, else a host path.
    OpenRequest takeOpenRequest(const std::filesystem::path& request) const;

    // Writes C:\KERVANIS\TMPFILES\SEND2FAX.DEL (replacing it) with the job's fax fields.
    // The folder belongs to the fax program and is not created: false when it is missing.
    bool writeFaxHandOff(const JobSettings& settings) const;

    // True while the fax program has not taken the hand-off file yet.
    bool faxHandOffPending() const;

    // The hand-off line: "%s","%s","%s" and CR LF, from the three fax fields.
    static std::string faxHandOffLine(const JobSettings& settings);

private:
    std::optional<SpoolJob> jobFor(const std::filesystem::path& settingsFile) const;

    const PathMapper& m_paths;
    const IClock& m_clock;
};

} // namespace spoolar
