#pragma once
#include <hpdf.h>

class QImage;

namespace spoolar {

// Embeds a picture losslessly (grey or RGB samples, compressed with the document's stream
// compression), without transparency: translucent pixels are laid onto white first.
HPDF_Image loadLosslessImage(HPDF_Doc doc, const QImage& picture);

} // namespace spoolar
