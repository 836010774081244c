#include "platform/Spooler.h"

#include <cctype>

namespace spoolar {

bool isTextOnlyDriver(std::string_view driver)
{
    std::string upper(driver);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.rfind("GENERIC", 0) == 0 && upper.find(" / ") != std::string::npos;
}

} // namespace spoolar
