#include "charts/ChartFormat.h"

#include <charconv>
#include <cmath>

namespace spoolar {

std::string formatChartValue(double value)
{
    if (!std::isfinite(value))
        return {};
    const double rounded = std::round(value * 1000.0) / 1000.0;
    // to_chars ignores the locale, which Qt sets from the environment.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::abs(rounded),
                                      std::chars_format::fixed, 3);
    std::string digits(buffer, result.ptr);
    const std::size_t point = digits.find('.');
    std::string whole = digits.substr(0, point);
    std::string decimals = digits.substr(point + 1);
    while (!decimals.empty() && decimals.back() == '0')
        decimals.pop_back();

    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += '.';
        grouped += whole[i];
    }
    std::string out = (rounded < 0 ? "-" : "") + grouped;
    if (!decimals.empty())
        out += "." + decimals;
    return out;
}

} // namespace spoolar
