#pragma once

class QApplication;

namespace spoolar {

// The program's look, "Windows11 Modern Dark" on Windows: Qt's Fusion style with a dark
// palette. False when the Fusion style is not available; the program goes on in the default
// style then.
bool applyDarkStyle(QApplication& app);

} // namespace spoolar
