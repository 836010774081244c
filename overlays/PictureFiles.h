#pragma once
#include <QImage>

#include <filesystem>
#include <optional>

namespace spoolar {

// The picture with every transparent or translucent pixel laid onto white, without an alpha
// channel: PDF/A allows no transparency, and JPEG has none.
QImage flattenedOnWhite(const QImage& picture);

// Writes the picture as a baseline JPEG of the given quality, under a temporary name in the same
// folder that is renamed into place when complete. False when it cannot be written.
bool saveJpeg(const QImage& picture, const std::filesystem::path& file, int quality = 100);

// Decodes a letterhead picture: as JPEG when its path counts as JPEG, by its content otherwise
// (and also when a file that counts as JPEG is none). A null image when it cannot be decoded.
QImage decodeLetterheadPicture(const std::filesystem::path& picture);

// The JPEG twin of a picture: its path with the extension ".jpg". A twin that exists is used as
// it is, however old; otherwise the picture is decoded, laid onto white and written there with
// quality 100. Nothing when the picture cannot be decoded or the twin cannot be written.
std::optional<std::filesystem::path> jpegTwinOf(const std::filesystem::path& picture);

} // namespace spoolar
