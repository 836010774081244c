#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

class QImage;

namespace spoolar {

class PathMapper;

// A picture command of a job: "file;x mm;y mm;width mm", the millimetres those of an A4 sheet.
struct PictureRequest
{
    std::filesystem::path file; // host path; it exists
    std::int32_t xMm = 0;
    std::int32_t yMm = 0;
    std::int32_t widthMm = 0;
};

// The command's fields; nothing unless there are exactly 4 and the file exists (a relative
// name is taken from the working folder).
std::optional<PictureRequest> parsePictureCommand(std::string_view parameter,
                                                  const PathMapper& paths,
                                                  const std::filesystem::path& workingFolder);

// Place and size of a picture on the page: the A4 millimetres scaled to the printable width
// and height (297 across and 210 down on a landscape page), the height from the picture's
// proportions.
struct PicturePlacement
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

PicturePlacement placePicture(const PictureRequest& request, std::int32_t printableWidth,
                              std::int32_t printableHeight, std::int32_t pictureWidth,
                              std::int32_t pictureHeight);

// A picture of the picture command that cannot be read as JPEG; it ends the job.
class PictureError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Decodes a JPEG picture; PictureError when it is none.
QImage decodeJpegPicture(const std::filesystem::path& file);

} // namespace spoolar
