#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace spoolar {

// Starts a program and does not wait for it. Arguments reach the program one by one, exactly
// as given: no shell sees them.
class IProcessLauncher
{
public:
    virtual ~IProcessLauncher() = default;
    // `program` is a path or a name looked up along PATH. False when it could not be started.
    virtual bool start(const std::string& program, const std::vector<std::string>& args) = 0;
};

// The real launcher: a detached process (QProcess::startDetached).
class DetachedProcessLauncher : public IProcessLauncher
{
public:
    bool start(const std::string& program, const std::vector<std::string>& args) override;
};

// What the reader is given besides the document: the finished PDF of a job is opened with the
// "/A" switch after its path, a deferred open request with the path alone.
enum class ReaderSwitch
{
    None,
    SlashA
};

enum class OpenResult
{
    Opened,
    DocumentMissing, // no such file: nothing was started
    NotStarted       // neither the reader nor the desktop's opener could be started
};

// Opens documents with the PDF reader found at start-up, else with the desktop's default
// application (xdg-open).
//
// - A Windows reader (the .exe found on drive C) runs as "wine <reader> <document> [/A]"; the
//   document is given in Wine's form of a host path (Z: is the host's root), as one argument,
//   so a name with blanks or quotes stays one name.
// - The Linux reader runs as "<reader> <document>"; it has no "/A" switch.
// - When the reader cannot be started (no Wine, reader gone), the desktop's opener is tried, so
//   the document is still shown.
class DocumentOpener
{
public:
    DocumentOpener(IProcessLauncher& launcher, std::optional<std::filesystem::path> reader);

    const std::optional<std::filesystem::path>& reader() const { return m_reader; }

    OpenResult open(const std::filesystem::path& document, ReaderSwitch readerSwitch) const;

private:
    IProcessLauncher& m_launcher;
    std::optional<std::filesystem::path> m_reader;
};

// "Z:\home\u\x.pdf" for "/home/u/x.pdf": how a Windows program under Wine names a host file.
std::string wineDosPath(const std::filesystem::path& hostPath);

} // namespace spoolar
