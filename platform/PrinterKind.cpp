#include "platform/Spooler.h"

#include "platform/AsciiCase.h"

namespace spoolar {

bool isTextOnlyDriver(std::string_view driver)
{
    const std::string upper = upperAscii(driver);
    return upper.rfind("GENERIC", 0) == 0 && upper.find(" / ") != std::string::npos;
}

} // namespace spoolar
