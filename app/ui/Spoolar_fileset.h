#pragma once
#include "app/ui/SpoolFileView.h"

namespace spoolar {

// C:\SPOOL\Printers.set, a file of the producing programs, shown as it is.
class TFRM_FileSet : public TSpoolFileView
{
    Q_OBJECT

public:
    TFRM_FileSet(const PathMapper& paths, IPrompts& prompts, QWidget* parent = nullptr);
};

} // namespace spoolar
