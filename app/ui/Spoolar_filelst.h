#pragma once
#include "app/ui/SpoolFileView.h"

namespace spoolar {

// C:\SPOOL\Printers.lst, the printer list the program writes for the producing programs.
class TFRM_FileLst : public TSpoolFileView
{
    Q_OBJECT

public:
    TFRM_FileLst(const PathMapper& paths, IPrompts& prompts, QWidget* parent = nullptr);
};

} // namespace spoolar
