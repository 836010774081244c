#include "charts/ui/UpDown.h"

#include <QLineEdit>

namespace spoolar {

TUpDown::TUpDown(QWidget* parent) : QSpinBox(parent)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setFrame(false);
    // The arrows only: the text stays out of sight and out of reach of the keyboard.
    lineEdit()->setVisible(false);
    setFocusPolicy(Qt::NoFocus);
}

} // namespace spoolar
