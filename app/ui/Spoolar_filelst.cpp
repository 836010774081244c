#include "app/ui/Spoolar_filelst.h"

namespace spoolar {

TFRM_FileLst::TFRM_FileLst(const PathMapper& paths, IPrompts& prompts, QWidget* parent)
    : TSpoolFileView(paths, prompts, "C:\\SPOOL\\Printers.lst",
                     QStringLiteral("Visualizza file Printers.lst"), QSize(857, 159), parent)
{
    setObjectName(QStringLiteral("FRM_FileLst"));
}

} // namespace spoolar
