#pragma once
#include <cstdint>
#include <cstdlib>

namespace spoolar {

// Windows MulDiv: a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0.
inline std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c)
{
    if (c == 0)
        return -1;
    const std::int64_t p = static_cast<std::int64_t>(a) * b;
    const std::int64_t q = (std::llabs(p) * 2 + std::llabs(c)) / (2 * std::llabs(c));
    return static_cast<std::int32_t>(((p < 0) != (c < 0)) ? -q : q);
}

} // namespace spoolar
