#pragma once
#include <QSpinBox>

namespace spoolar {

// An up-down control: only the two arrows of a spin box; the value is shown by the edit box
// beside it.
class TUpDown : public QSpinBox
{
public:
    explicit TUpDown(QWidget* parent = nullptr);
};

} // namespace spoolar

using spoolar::TUpDown;
