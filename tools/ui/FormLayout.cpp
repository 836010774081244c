#include "tools/ui/FormLayout.h"

#include <QFont>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>

namespace spoolar {

namespace {

int scaled(int value, double factor)
{
    return qRound(value * factor);
}

void scaleFixedSize(QWidget& widget, double factor)
{
    if (widget.minimumWidth() == widget.maximumWidth())
        widget.setFixedWidth(scaled(widget.minimumWidth(), factor));
    if (widget.minimumHeight() == widget.maximumHeight())
        widget.setFixedHeight(scaled(widget.minimumHeight(), factor));
}

void scaleFont(QWidget& widget, double factor)
{
    // Only fonts set on the widget itself; inherited ones follow their parent.
    if (!widget.testAttribute(Qt::WA_SetFont))
        return;
    QFont font = widget.font();
    if (font.pixelSize() > 0) {
        font.setPixelSize(scaled(font.pixelSize(), factor));
        widget.setFont(font);
    }
}

} // namespace

double screenScaleFactor()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int width = screen ? screen->geometry().width() : 0;
    return width > 1920 ? width / 1920.0 : 1.0;
}

void scaleWindow(QWidget& window, double factor)
{
    if (factor <= 1.0)
        return;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        // Dialogs owned by the window (a colour dialog) are windows of their own.
        if (child->window() != &window)
            continue;
        scaleFixedSize(*child, factor);
        const QWidget* parent = child->parentWidget();
        const bool placedByLayout =
            parent && parent->layout() && parent->layout()->indexOf(child) >= 0;
        if (!placedByLayout) {
            const QRect g = child->geometry();
            child->setGeometry(scaled(g.x(), factor), scaled(g.y(), factor),
                               scaled(g.width(), factor), scaled(g.height(), factor));
        }
        scaleFont(*child, factor);
    }
    scaleFont(window, factor);
    if (window.minimumSize() == window.maximumSize()) {
        window.setFixedSize(scaled(window.width(), factor), scaled(window.height(), factor));
    } else {
        window.resize(scaled(window.width(), factor), scaled(window.height(), factor));
    }
}

void centreOnDesktop(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

QFont pixelFont(const QString& family, int pixels, bool bold, bool italic)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    if (family == QLatin1String("Consolas"))
        font.setStyleHint(QFont::Monospace);
    return font;
}

} // namespace spoolar
