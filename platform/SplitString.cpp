#include "platform/SplitString.h"

namespace spoolar {

namespace {
bool isBlankOrControl(unsigned char c)
{
    return c <= 0x20 || c == 0x7F;
}

std::string trimmed(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isBlankOrControl(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && isBlankOrControl(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}
} // namespace

std::vector<std::string> SplitString(std::string_view text, std::string_view separator,
                                     SplitTrim trim)
{
    std::vector<std::string> items;
    if (text.empty())
        return items;
    auto add = [&](std::string_view item) {
        items.push_back(trim == SplitTrim::Trim ? trimmed(item) : std::string(item));
    };
    if (separator.empty()) {
        add(text);
        return items;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            add(text.substr(start));
            return items;
        }
        add(text.substr(start, at - start));
        start = at + separator.size();
    }
}

} // namespace spoolar
