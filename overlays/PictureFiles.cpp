#include "overlays/PictureFiles.h"

#include "overlays/LetterheadFile.h"
#include "platform/WinPath.h"

#include <QImageWriter>
#include <QPainter>
#include <QString>

#include <system_error>

namespace spoolar {

namespace {
QString qtPath(const std::filesystem::path& file)
{
    return QString::fromStdString(file.string());
}

bool isRegularFile(const std::filesystem::path& file)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}
} // namespace

QImage flattenedOnWhite(const QImage& picture)
{
    if (picture.isNull())
        return picture;
    if (!picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_RGB32);
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    flat.setDotsPerMeterX(picture.dotsPerMeterX());
    flat.setDotsPerMeterY(picture.dotsPerMeterY());
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    painter.end();
    return flat;
}

bool saveJpeg(const QImage& picture, const std::filesystem::path& file, int quality)
{
    if (picture.isNull())
        return false;
    const std::filesystem::path partial =
        file.parent_path() / ("." + file.filename().string() + ".part");
    QImageWriter writer(qtPath(partial), "JPEG");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    std::error_code ec;
    if (!writer.write(flattenedOnWhite(picture))) {
        std::filesystem::remove(partial, ec);
        return false;
    }
    std::filesystem::rename(partial, file, ec);
    if (ec) {
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}

QImage decodeLetterheadPicture(const std::filesystem::path& picture)
{
    QImage image;
    if (countsAsJpeg(picture) && image.load(qtPath(picture), "JPEG"))
        return image;
    image.load(qtPath(picture));
    return image;
}

std::optional<std::filesystem::path> jpegTwinOf(const std::filesystem::path& picture)
{
    std::filesystem::path twin = picture;
    twin.replace_extension(".jpg");
    twin = resolveCaseInsensitive(twin);
    if (isRegularFile(twin))
        return twin;
    // The source is read by its content: a Windows bitmap as a rule, any other format the
    // picture loader knows as well (a JPEG named .jpeg, a PNG).
    QImage source;
    if (!source.load(qtPath(picture)))
        return std::nullopt;
    if (!saveJpeg(source, twin, 100))
        return std::nullopt;
    return twin;
}

} // namespace spoolar
