#include "engine/PdfFileName.h"

#include <cstdio>

namespace spoolar {

std::string sanitizeFileNamePart(std::string_view name)
{
    std::string out(name);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            c = '_';
            break;
        default:
            if (u < 0x20 || u == 0x7F)
                c = '_';
        }
    }
    return out;
}

std::string pdfWindowsPath(std::string_view title, const std::tm& t)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return "C:\\SPOOL\\PDF\\" + sanitizeFileNamePart(title) + "_" + stamp + ".pdf";
}

} // namespace spoolar
