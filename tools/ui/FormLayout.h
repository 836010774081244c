#pragma once

class QFont;
class QString;
class QWidget;

namespace spoolar {

// The factor by which windows laid out for a 1920-pixel screen grow on a wider one:
// screen width / 1920 when the primary screen is wider than 1920 pixels, else 1.
double screenScaleFactor();

// Scales a window laid out in pixels: its size, the place and size of every child that no
// layout manages, fixed widths and heights, and every font given in pixels. A factor of 1
// (or less) changes nothing.
void scaleWindow(QWidget& window, double factor);

// Places a window in the middle of the desktop's work area.
void centreOnDesktop(QWidget& window);

// A fixed font of the forms, given in pixels (Verdana 13 px, Consolas 15 px ...).
QFont pixelFont(const QString& family, int pixels, bool bold = false, bool italic = false);

} // namespace spoolar
