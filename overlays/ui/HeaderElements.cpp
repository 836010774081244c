#include "overlays/ui/HeaderElements.h"

#include <QPainter>

namespace spoolar {

void PictureBox::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = m_picture.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawPixmap(target, m_picture);
}

void PictureFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPen pen(m_colour);
    pen.setWidth(3);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
}

DragGuides::DragGuides(QWidget* band) : QWidget(band)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void DragGuides::showGuides(const QRect& drag, const std::vector<QRect>& held)
{
    m_drag = drag;
    m_held = held;
    setGeometry(parentWidget()->rect());
    raise();
    show();
    update();
}

void DragGuides::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QColor(0x3F, 0x3F, 0x3F));
    painter.drawLine(m_drag.left(), 0, m_drag.left(), height());
    painter.drawLine(0, m_drag.top(), width(), m_drag.top());
    painter.drawLine(m_drag.right(), 0, m_drag.right(), height());
    painter.drawLine(0, m_drag.bottom(), width(), m_drag.bottom());
    for (const QRect& r : m_held)
        if (r != m_drag)
            painter.drawRect(r.adjusted(0, 0, -1, -1));
}

} // namespace spoolar
