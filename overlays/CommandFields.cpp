#include "overlays/CommandFields.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace spoolar {

namespace {
bool isBlankOrControl(char c)
{
    return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}
} // namespace

std::int32_t integerField(std::string_view field, std::int32_t defaultValue)
{
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || ec != std::errc() || end != field.data() + field.size() ||
        value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return defaultValue;
    return static_cast<std::int32_t>(value);
}

double leadingNumber(std::string_view field)
{
    // Only digits, one point and a leading minus count: no exponent, no "inf" or "nan".
    std::size_t n = 0;
    if (n < field.size() && field[n] == '-')
        ++n;
    bool digits = false;
    bool point = false;
    for (; n < field.size(); ++n) {
        const char c = field[n];
        if (c >= '0' && c <= '9')
            digits = true;
        else if (c == '.' && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return 0;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(field.data(), field.data() + n, value, std::chars_format::fixed);
    return ec == std::errc() && std::isfinite(value) ? value : 0;
}

std::vector<std::string> delimitedItems(std::string_view text, char delimiter)
{
    std::vector<std::string> items;
    std::size_t p = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        while (p < n && isBlankOrControl(text[p]))
            ++p;
    };
    skipBlanks();
    while (p < n) {
        std::string item;
        if (text[p] == '"') {
            ++p;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < n && !isBlankOrControl(text[p]) && text[p] != delimiter)
                ++p;
            item.assign(text.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < n && text[p] == delimiter) {
            if (p + 1 == n)
                items.emplace_back();
            do
                ++p;
            while (p < n && isBlankOrControl(text[p]));
        }
    }
    return items;
}

std::int32_t unitsPerMillimetre(std::int32_t dpi)
{
    return static_cast<std::int32_t>(dpi / 25.4);
}

} // namespace spoolar
