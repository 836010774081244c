#pragma once
#include <QWidget>

#include <functional>

class QPainter;

namespace spoolar {

// A paint box that the mouse goes through: presses, moves and releases over it reach the
// control beneath it (the preview's scroll box), and a wheel turn delivered to it is neither
// handled nor passed on. The owner paints it through its paint handler.
class TQvorPaintBox : public QWidget
{
    Q_OBJECT

public:
    explicit TQvorPaintBox(QWidget* parent = nullptr);

    // Called on every paint with a painter on the whole box.
    void setPaintHandler(std::function<void(QPainter&)> handler) { m_paint = std::move(handler); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> m_paint;
};

} // namespace spoolar
