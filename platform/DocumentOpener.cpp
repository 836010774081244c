#include "platform/DocumentOpener.h"

#include "platform/PdfReader.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <system_error>

namespace fs = std::filesystem;

namespace spoolar {

bool DetachedProcessLauncher::start(const std::string& program,
                                    const std::vector<std::string>& args)
{
    if (program.empty())
        return false;
    // Names and arguments are host bytes; Qt turns them back with the same codec on exec.
    QStringList arguments;
    arguments.reserve(static_cast<qsizetype>(args.size()));
    for (const std::string& arg : args)
        arguments.append(QFile::decodeName(QByteArray::fromStdString(arg)));
    return QProcess::startDetached(QFile::decodeName(QByteArray::fromStdString(program)),
                                   arguments);
}

std::string wineDosPath(const fs::path& hostPath)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(hostPath, ec);
    if (ec)
        absolute = hostPath;
    std::string text = absolute.lexically_normal().string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return "Z:" + text;
}

DocumentOpener::DocumentOpener(IProcessLauncher& launcher, std::optional<fs::path> reader)
    : m_launcher(launcher), m_reader(std::move(reader))
{
}

OpenResult DocumentOpener::open(const fs::path& document, ReaderSwitch readerSwitch) const
{
    // Always an absolute path: it starts with "/", so no program can take it for an option.
    std::error_code ec;
    const fs::path absolute = fs::absolute(document, ec).lexically_normal();
    if (ec || document.empty() || !fs::is_regular_file(absolute, ec))
        return OpenResult::DocumentMissing;

    if (m_reader) {
        if (readerKind(*m_reader) == ReaderKind::Windows) {
            std::vector<std::string> args{m_reader->string(), wineDosPath(absolute)};
            if (readerSwitch == ReaderSwitch::SlashA)
                args.emplace_back("/A");
            if (m_launcher.start("wine", args))
                return OpenResult::Opened;
        } else if (m_launcher.start(m_reader->string(), {absolute.string()})) {
            return OpenResult::Opened;
        }
    }
    if (m_launcher.start("xdg-open", {absolute.string()}))
        return OpenResult::Opened;
    return OpenResult::NotStarted;
}

} // namespace spoolar
