#include "engine/ControlCodes.h"

#include "platform/WinPath.h"

#include <fstream>
#include <iterator>

namespace spoolar {

ControlCodes ControlCodes::fromFile(const std::filesystem::path& file)
{
    ControlCodes codes;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return codes;
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    std::size_t start = 0;
    for (int index = 0; index < kCount && start < content.size(); ++index) {
        std::size_t end = content.find('\n', start);
        const bool last = end == std::string::npos;
        if (last)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        codes.setEntry(index, std::move(line));
        if (last)
            break;
        start = end + 1;
    }
    return codes;
}

ControlCodes ControlCodes::fromSearchPath()
{
    if (auto file = findOnSearchPath("PRNCONTR.COD"))
        return fromFile(*file);
    return {};
}

void ControlCodes::setEntry(int index, std::string bytes)
{
    if (index < 0 || index >= kCount)
        return;
    if (bytes.size() > kMaxLength)
        bytes.resize(kMaxLength);
    m_entries[static_cast<std::size_t>(index)] = std::move(bytes);
}

std::size_t ControlCodes::centringPrefixLength() const
{
    const std::size_t length = m_entries[kCentring].size();
    // The entry is the prefix followed by two placeholders; an entry written without them is
    // taken as a bare prefix.
    return length >= 3 ? length - 2 : length;
}

ControlCodes::Match ControlCodes::matchAt(std::string_view line, std::size_t pos) const
{
    if (pos >= line.size())
        return {};
    const std::string_view rest = line.substr(pos);
    for (int index = 0; index < kCount; ++index) {
        const std::string& entry = m_entries[static_cast<std::size_t>(index)];
        if (entry.empty())
            continue;
        if (index == kCentring) {
            const std::size_t prefix = centringPrefixLength();
            if (rest.substr(0, prefix) == std::string_view(entry).substr(0, prefix))
                return {index, std::min(prefix + 1, rest.size())};
            continue;
        }
        if (rest.size() >= entry.size() && rest.substr(0, entry.size()) == entry)
            return {index, entry.size()};
    }
    return {};
}

} // namespace spoolar
