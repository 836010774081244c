#include "tools/ui/Spoolar_colors.h"

#include "tools/ui/FormLayout.h"

#include <QColorDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace spoolar {

namespace {
void setSwatch(QFrame& swatch, const QColor& colour)
{
    QPalette palette = swatch.palette();
    palette.setColor(QPalette::Window, colour);
    swatch.setPalette(palette);
}
} // namespace

TFRM_Colors::TFRM_Colors(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FRM_Colors"));
    setWindowTitle(QStringLiteral("Visualizza codice colore"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(270, 140);

    BTN_Scelta = new QPushButton(QStringLiteral("Scelta colore"), this);
    BTN_Scelta->setObjectName(QStringLiteral("BTN_Scelta"));
    BTN_Scelta->setGeometry(8, 8, 254, 44);
    BTN_Scelta->setFont(pixelFont(QStringLiteral("Verdana"), 24, true));
    BTN_Scelta->setAutoDefault(false);

    Label1 = new QLabel(QStringLiteral("Codice colore"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 60, 160, 16);
    Label1->setFont(pixelFont(QStringLiteral("Verdana"), 12, false, true));
    QPalette grey = Label1->palette();
    grey.setColor(QPalette::WindowText, QColor(160, 160, 164));
    Label1->setPalette(grey);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 84, 73, 33);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    setSwatch(*Panel1, Qt::white);

    PNL_Color = new QFrame(Panel1);
    PNL_Color->setObjectName(QStringLiteral("PNL_Color"));
    PNL_Color->setGeometry(4, 4, 65, 25);
    PNL_Color->setAutoFillBackground(true);
    setSwatch(*PNL_Color, Qt::white);

    EDT_Codice = new QLineEdit(this);
    EDT_Codice->setObjectName(QStringLiteral("EDT_Codice"));
    EDT_Codice->setGeometry(89, 80, 173, 41);
    EDT_Codice->setReadOnly(true);
    EDT_Codice->setFont(pixelFont(QStringLiteral("Verdana"), 24, true));

    DLG_Color = new QColorDialog(this);
    DLG_Color->setObjectName(QStringLiteral("DLG_Color"));

    connect(BTN_Scelta, &QPushButton::clicked, this, &TFRM_Colors::BTN_SceltaClick);
}

TFRM_Colors::~TFRM_Colors() = default;

void TFRM_Colors::ShowModal()
{
    if (!isVisible())
        exec();
}

void TFRM_Colors::ScaleForm(double factor)
{
    scaleWindow(*this, factor);
}

void TFRM_Colors::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnDesktop(*this);
}

std::int32_t TFRM_Colors::colorCode(const QColor& colour)
{
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

std::optional<QColor> TFRM_Colors::runColorDialog(const QColor& initial)
{
    if (m_chooser)
        return m_chooser(initial);
    DLG_Color->setCurrentColor(initial);
    if (DLG_Color->exec() != QDialog::Accepted)
        return std::nullopt;
    return DLG_Color->selectedColor();
}

void TFRM_Colors::BTN_SceltaClick()
{
    const QColor current = PNL_Color->palette().color(QPalette::Window);
    const std::optional<QColor> chosen = runColorDialog(current);
    if (!chosen || !chosen->isValid())
        return;
    setSwatch(*PNL_Color, *chosen);
    EDT_Codice->setText(QString::number(colorCode(*chosen)));
    EDT_Codice->selectAll();
    EDT_Codice->copy();
}

} // namespace spoolar
