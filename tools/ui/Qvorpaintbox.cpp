#include "tools/ui/Qvorpaintbox.h"

#include <QEvent>
#include <QPainter>

namespace spoolar {

TQvorPaintBox::TQvorPaintBox(QWidget* parent) : QWidget(parent)
{
    // Never found under the mouse: the parent gets the mouse.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // What reaches the box itself stops here instead of travelling up to its parent.
    setAttribute(Qt::WA_NoMousePropagation);
}

bool TQvorPaintBox::event(QEvent* event)
{
    if (event->type() == QEvent::Wheel) {
        event->ignore();
        return false;
    }
    return QWidget::event(event);
}

void TQvorPaintBox::paintEvent(QPaintEvent*)
{
    if (!m_paint)
        return;
    QPainter painter(this);
    m_paint(painter);
}

} // namespace spoolar
