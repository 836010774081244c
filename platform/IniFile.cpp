#include "platform/IniFile.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace spoolar {

namespace {

// Blanks the profile functions drop around names and values; 0x1A is the end-of-file mark
// that DOS editors and programs leave at the end of a text file.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

bool isQuoted(std::string_view s)
{
    return s.size() >= 2 && isQuote(s.front()) && s.front() == s.back();
}

std::string_view unquote(std::string_view s)
{
    return isQuoted(s) ? s.substr(1, s.size() - 2) : s;
}

bool hasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// A file descriptor closed when it goes out of scope.
class FileHandle
{
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded (a delayed write error shows here).
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

enum class ReadResult
{
    Read,
    Missing,
    Failed
};

ReadResult readWholeFile(const fs::path& file, std::string& content)
{
    FileHandle fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
        return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::Missing : ReadResult::Failed;
    std::array<char, 65536> buffer{};
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ReadResult::Failed;
        }
        if (n == 0)
            return ReadResult::Read;
        content.append(buffer.data(), static_cast<std::size_t>(n));
    }
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Parses an integer the way Delphi's StrToIntDef does: optional sign, then decimal digits,
// or hexadecimal digits after "$" or "0x". Hexadecimal accepts the full 32-bit unsigned range
// and wraps it into int32 ($FFFFFFFF is -1).
std::optional<std::int32_t> parseInteger(std::string_view s)
{
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    // from_chars would take a sign of its own; only digits may follow here.
    if (s.empty() || s.front() == '-' || s.front() == '+')
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFull)
            return std::nullopt;
        auto bits = static_cast<std::uint32_t>(magnitude);
        if (negative)
            bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull))
        return std::nullopt;
    const auto value = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<double> parseFloat(std::string_view s)
{
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || s.front() == '+')
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<std::int32_t> parseProfileInteger(std::string_view text)
{
    return parseInteger(text);
}

TIniFile::TIniFile(fs::path fileName) : m_fileName(std::move(fileName))
{
    std::string content;
    switch (readWholeFile(m_fileName, content)) {
    case ReadResult::Read:
        parse(content);
        break;
    case ReadResult::Missing:
        parse({});
        break;
    case ReadResult::Failed:
        m_readFailed = true;
        parse({});
        break;
    }
}

void TIniFile::parse(std::string_view content)
{
    m_sections.clear();
    m_sections.emplace_back(); // the lines before the first section header

    // A UTF-8 byte order mark (from an editor) is not part of the first line's text.
    std::string_view bom;
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        bom = content.substr(0, 3);
        content.remove_prefix(3);
    }

    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? content.size() : end + 1;
        if (end == std::string_view::npos)
            end = content.size();
        std::string_view text = content.substr(start, end - start);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        start = next;

        const std::string_view body = trim(text);
        if (!body.empty() && body.front() == '[') {
            const std::size_t close = body.rfind(']');
            if (close != std::string_view::npos) {
                Section section;
                section.header = text;
                section.name = trim(body.substr(1, close - 1));
                section.hasHeader = true;
                m_sections.push_back(std::move(section));
                continue;
            }
        }

        Line line;
        line.text = text;
        const std::size_t equals = body.find('=');
        if (!body.empty() && body.front() != ';' && body.front() != '[' &&
            equals != std::string_view::npos) {
            const std::string_view name = trim(body.substr(0, equals));
            if (!name.empty()) {
                line.kind = LineKind::Key;
                line.name = name;
                line.value = unquote(trim(body.substr(equals + 1)));
            }
        }
        m_sections.back().lines.push_back(std::move(line));
    }

    // Keep the mark in front of whatever comes first, so writing the file keeps it too.
    if (!bom.empty()) {
        if (m_sections.front().lines.empty())
            m_sections.front().lines.push_back(Line{std::string(bom), LineKind::Other, {}, {}});
        else
            m_sections.front().lines.front().text.insert(0, bom);
    }
}

const TIniFile::Section* TIniFile::findSection(std::string_view name) const
{
    name = trim(name);
    for (const Section& section : m_sections)
        if (section.hasHeader && equalsNoCase(section.name, name))
            return &section;
    return nullptr;
}

TIniFile::Section* TIniFile::findSection(std::string_view name)
{
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

const TIniFile::Line* TIniFile::findKey(const Section& section, std::string_view key)
{
    key = trim(key);
    for (const Line& line : section.lines)
        if (line.kind == LineKind::Key && equalsNoCase(line.name, key))
            return &line;
    return nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const
{
    const Section* s = findSection(section);
    const Line* line = s ? findKey(*s, key) : nullptr;
    const std::string_view value = line ? std::string_view(line->value) : defaultValue;
    return std::string(value.substr(0, MaxValueLength));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                                   std::int32_t defaultValue) const
{
    const Section* s = findSection(section);
    const Line* line = s ? findKey(*s, key) : nullptr;
    if (!line)
        return defaultValue;
    return parseInteger(line->value).value_or(defaultValue);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(std::string_view section, std::string_view key,
                           double defaultValue) const
{
    const Section* s = findSection(section);
    const Line* line = s ? findKey(*s, key) : nullptr;
    if (!line)
        return defaultValue;
    return parseFloat(line->value).value_or(defaultValue);
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    section = trim(section);
    key = trim(key);
    if (section.empty() || section.find(']') != std::string_view::npos || hasLineBreak(section))
        return false;
    if (key.empty() || key.find('=') != std::string_view::npos || key.front() == ';' ||
        key.front() == '[' || hasLineBreak(key) || hasLineBreak(value))
        return false;

    std::string stored(value);
    if (!value.empty() && (isBlank(value.front()) || isBlank(value.back()) || isQuoted(value)))
        stored = '"' + stored + '"';

    Section* s = findSection(section);
    if (!s) {
        // A blank line between the last content and the new section, as the file reads best.
        const Section& last = m_sections.back();
        const bool lastLineBlank =
            last.lines.empty() ? !last.hasHeader : trim(last.lines.back().text).empty();
        if (!lastLineBlank)
            m_sections.back().lines.push_back(Line{});
        Section added;
        added.name = section;
        added.header = "[" + added.name + "]";
        added.hasHeader = true;
        m_sections.push_back(std::move(added));
        s = &m_sections.back();
    }

    if (auto* line = const_cast<Line*>(findKey(*s, key))) {
        if (line->value == value)
            return true;
        // The line keeps the key's spelling from the file.
        line->text = line->name + "=" + stored;
        line->value = value;
    } else {
        Line added{std::string(key) + "=" + stored, LineKind::Key, std::string(key),
                   std::string(value)};
        // After the section's last key, before the blank lines and comments that lead to
        // the next section.
        auto lastKey = std::find_if(s->lines.rbegin(), s->lines.rend(),
                                    [](const Line& l) { return l.kind == LineKind::Key; });
        s->lines.insert(lastKey.base(), std::move(added));
    }
    m_modified = true;
    return true;
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::WriteFloat(std::string_view section, std::string_view key, double value)
{
    // to_chars does not look at the locale: "." always, never a thousands separator.
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ec != std::errc())
        return false;
    return WriteString(section, key, std::string_view(buffer.data(), end - buffer.data()));
}

bool TIniFile::SectionExists(std::string_view section) const
{
    return findSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    const Section* s = findSection(section);
    return s && findKey(*s, key);
}

std::vector<std::string> TIniFile::ReadSections() const
{
    std::vector<std::string> names;
    for (const Section& section : m_sections) {
        if (!section.hasHeader)
            continue;
        const bool seen = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return equalsNoCase(n, section.name);
        });
        if (!seen)
            names.push_back(section.name);
    }
    return names;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const
{
    std::vector<std::string> names;
    const Section* s = findSection(section);
    if (!s)
        return names;
    for (const Line& line : s->lines) {
        if (line.kind != LineKind::Key)
            continue;
        const bool seen = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return equalsNoCase(n, line.name);
        });
        if (!seen)
            names.push_back(line.name);
    }
    return names;
}

void TIniFile::EraseSection(std::string_view section)
{
    section = trim(section);
    const auto removed = std::erase_if(
        m_sections, [&](const Section& s) { return s.hasHeader && equalsNoCase(s.name, section); });
    if (removed > 0)
        m_modified = true;
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    Section* s = findSection(section);
    if (!s)
        return;
    key = trim(key);
    const auto removed = std::erase_if(s->lines, [&](const Line& line) {
        return line.kind == LineKind::Key && equalsNoCase(line.name, key);
    });
    if (removed > 0)
        m_modified = true;
}

std::string TIniFile::serialize() const
{
    std::string out;
    for (const Section& section : m_sections) {
        if (section.hasHeader)
            out.append(section.header).append("\r\n");
        for (const Line& line : section.lines)
            out.append(line.text).append("\r\n");
    }
    return out;
}

bool TIniFile::UpdateFile()
{
    if (!m_modified)
        return true;
    if (m_readFailed)
        return false;

    // Through a symbolic link to the file it names, so the link stays a link.
    std::error_code ec;
    fs::path target = m_fileName;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            target = resolved;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    // A name of our own beside the file, so that the rename cannot cross file systems.
    static std::atomic<unsigned> counter{0};
    fs::path temporary;
    int rawFd = -1;
    for (int attempt = 0; attempt < 100 && rawFd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                              "." + std::to_string(counter++) + ".tmp");
        rawFd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (rawFd < 0 && errno != EEXIST)
            return false;
    }
    FileHandle fd(rawFd);
    if (!fd.valid())
        return false;

    // A file being replaced keeps its permissions; a new one gets 0666 less the umask.
    struct stat old
    {
    };
    if (::stat(target.c_str(), &old) == 0)
        ::fchmod(fd.get(), old.st_mode & 07777);

    bool written = writeAll(fd.get(), serialize()) && ::fsync(fd.get()) == 0 && fd.close();
    if (written) {
        fs::rename(temporary, target, ec);
        written = !ec;
    }
    if (!written) {
        fd.close();
        fs::remove(temporary, ec);
        return false;
    }

    // The rename itself is durable only once the folder is flushed.
    if (FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); dir.valid())
        ::fsync(dir.get());

    m_modified = false;
    return true;
}

} // namespace spoolar
