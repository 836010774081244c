#pragma once
#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <vector>

namespace spoolar {

// A rectangle held for one control during a group move of the letterhead designer; it starts
// empty and is given to its control when the drag ends.
struct THoldRect
{
    QWidget* control = nullptr;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    explicit THoldRect(QWidget* held) : control(held) {}
    QRect rect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
    void setRect(const QRect& r)
    {
        left = r.left();
        top = r.top();
        right = r.left() + r.width();
        bottom = r.top() + r.height();
    }
};

// A picture element: the picture scaled proportionally into the control, centred.
class PictureBox : public QWidget
{
public:
    explicit PictureBox(QWidget* parent) : QWidget(parent) {}
    void setPicture(const QPixmap& picture)
    {
        m_picture = picture;
        update();
    }
    bool hasPicture() const { return !m_picture.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

// The frame of a picture: a rectangle outline 3 pixels wide, black, or yellow when selected.
class PictureFrame : public QWidget
{
public:
    explicit PictureFrame(QWidget* parent) : QWidget(parent) {}
    void setColour(const QColor& colour)
    {
        m_colour = colour;
        update();
    }
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour = Qt::black;
};

// The guides of a drag, over a whole band: lines across it along the edges of the drag
// rectangle and the outline of every held rectangle that differs from it.
class DragGuides : public QWidget
{
public:
    explicit DragGuides(QWidget* band);
    void showGuides(const QRect& drag, const std::vector<QRect>& held);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect m_drag;
    std::vector<QRect> m_held;
};

} // namespace spoolar
