#include "app/ui/DarkStyle.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace spoolar {

bool applyDarkStyle(QApplication& app)
{
    QStyle* fusion = QStyleFactory::create("Fusion");
    if (!fusion)
        return false;
    app.setStyle(fusion);

    const QColor window(32, 32, 32);
    const QColor base(43, 43, 43);
    const QColor text(240, 240, 240);
    const QColor disabledText(120, 120, 120);
    const QColor accent(0, 120, 212);

    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(50, 50, 50));
    p.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabledText);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(55, 55, 55));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(255, 80, 80));
    p.setColor(QPalette::Link, QColor(96, 165, 250));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(75, 75, 75));
    p.setColor(QPalette::Midlight, QColor(65, 65, 65));
    p.setColor(QPalette::Mid, QColor(45, 45, 45));
    p.setColor(QPalette::Dark, QColor(20, 20, 20));
    p.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, disabledText);
    }
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    app.setPalette(p);
    return true;
}

} // namespace spoolar
