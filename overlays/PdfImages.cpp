#include "overlays/PdfImages.h"

#include "overlays/PictureFiles.h"

#include <QImage>

#include <cstring>
#include <vector>

namespace spoolar {

HPDF_Image loadLosslessImage(HPDF_Doc doc, const QImage& picture)
{
    const QImage flat = flattenedOnWhite(picture);
    const bool grey = flat.allGray();
    const QImage samples =
        flat.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    const int w = samples.width();
    const int h = samples.height();
    const std::size_t rowBytes = static_cast<std::size_t>(w) * (grey ? 1 : 3);
    // QImage rows are padded to 4 bytes; libharu wants them packed.
    std::vector<HPDF_BYTE> packed(rowBytes * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(&packed[rowBytes * static_cast<std::size_t>(y)], samples.constScanLine(y),
                    rowBytes);
    return HPDF_LoadRawImageFromMem(doc, packed.data(), static_cast<HPDF_UINT>(w),
                                    static_cast<HPDF_UINT>(h),
                                    grey ? HPDF_CS_DEVICE_GRAY : HPDF_CS_DEVICE_RGB, 8);
}

} // namespace spoolar
