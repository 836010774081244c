#include "app/ui/Spoolar_fileset.h"

namespace spoolar {

TFRM_FileSet::TFRM_FileSet(const PathMapper& paths, IPrompts& prompts, QWidget* parent)
    : TSpoolFileView(paths, prompts, "C:\\SPOOL\\Printers.set",
                     QStringLiteral("Visualizza file Printers.set"), QSize(405, 366), parent)
{
    setObjectName(QStringLiteral("FRM_FileSet"));
}

} // namespace spoolar
