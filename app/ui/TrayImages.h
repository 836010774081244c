#pragma once
#include "app/DispatchView.h"

#include <QIcon>

namespace spoolar {

// The four tray images of the program, drawn here (no image files): a printer with a sheet,
// its lamp off (0) and on (1) for the blinking while idle, orange while a job is processed (2),
// and with a blue arrow while jobs come from the remote spool (3).
QIcon trayImage(TrayImage image);

// The program's icon (the idle image at several sizes).
QIcon programIcon();

} // namespace spoolar
