#pragma once
#include <string>

namespace spoolar {

// A value as the chart shows it on its axis and in marks: "." before the decimals (at most
// three, trailing zeros dropped) and "." between thousands, as the program's Italian settings
// with the decimal separator forced to "." give it.
std::string formatChartValue(double value);

} // namespace spoolar
