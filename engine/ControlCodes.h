#pragma once
#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace spoolar {

// The 34 printer control sequences of the producing programs, one per line of PRNCONTR.COD.
// The engine knows what each position means; the bytes are deployment data.
class ControlCodes
{
public:
    static constexpr int kCount = 34;
    static constexpr std::size_t kMaxLength = 18;
    static constexpr int kFormFeed = 0;
    static constexpr int kCentring = 32;

    ControlCodes() = default;

    // Reads up to 34 lines (LF, CR LF read as LF); lines longer than 18 bytes are cut.
    // A file that cannot be read leaves every entry empty.
    static ControlCodes fromFile(const std::filesystem::path& file);
    // PRNCONTR.COD from the current folder, else the folders of PATH; none found: all empty.
    static ControlCodes fromSearchPath();

    const std::string& entry(int index) const { return m_entries[static_cast<std::size_t>(index)]; }
    void setEntry(int index, std::string bytes);

    struct Match
    {
        int index = -1;         // 0..33, or -1
        std::size_t length = 0; // bytes consumed from the position
    };
    // The first entry, in index order, whose bytes stand at pos. The centring entry compares its
    // prefix (all but its two placeholder bytes) and consumes the prefix plus one parameter byte.
    Match matchAt(std::string_view line, std::size_t pos) const;

    // The prefix length of the centring entry (0 when it cannot match).
    std::size_t centringPrefixLength() const;

private:
    std::array<std::string, kCount> m_entries;
};

} // namespace spoolar
