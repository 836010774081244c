#include "overlays/PictureCommand.h"

#include "overlays/CommandFields.h"
#include "overlays/LetterheadResolver.h"
#include "platform/MulDiv.h"
#include "platform/SplitString.h"

#include <QImage>
#include <QString>

#include <system_error>

namespace spoolar {

std::optional<PictureRequest> parsePictureCommand(std::string_view parameter,
                                                  const PathMapper& paths,
                                                  const std::filesystem::path& workingFolder)
{
    const std::vector<std::string> fields = SplitString(parameter, ";", SplitTrim::Trim);
    if (fields.size() != 4 || fields[0].empty())
        return std::nullopt;
    PictureRequest r;
    r.file = hostPathOf(paths, fields[0], workingFolder);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(r.file, ec))
        return std::nullopt;
    r.xMm = integerField(fields[1], 0);
    r.yMm = integerField(fields[2], 0);
    r.widthMm = integerField(fields[3], 0);
    return r;
}

PicturePlacement placePicture(const PictureRequest& request, std::int32_t printableWidth,
                              std::int32_t printableHeight, std::int32_t pictureWidth,
                              std::int32_t pictureHeight)
{
    const bool portrait = printableWidth < printableHeight;
    const std::int32_t across = portrait ? 210 : 297;
    const std::int32_t down = portrait ? 297 : 210;
    PicturePlacement p;
    p.x = MulDiv(request.xMm, printableWidth, across);
    p.y = MulDiv(request.yMm, printableHeight, down);
    p.width = MulDiv(request.widthMm, printableWidth, across);
    p.height = pictureWidth > 0 ? MulDiv(pictureHeight, p.width, pictureWidth) : 0;
    return p;
}

QImage decodeJpegPicture(const std::filesystem::path& file)
{
    QImage image;
    if (!image.load(QString::fromStdString(file.string()), "JPEG"))
        throw PictureError("Immagine JPEG non valida: " + file.string());
    return image;
}

} // namespace spoolar
