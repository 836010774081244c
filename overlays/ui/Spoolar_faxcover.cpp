#include "overlays/ui/Spoolar_faxcover.h"

#include "overlays/DesignerSteps.h"
#include "platform/CodePage.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "tools/ui/FormLayout.h"

#include <QFontDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QSpinBox>

#include <algorithm>

namespace spoolar {

namespace {

const char* const FactorHint =
    "Indicare un numero compreso tra 10 e 200 per ingrandire o rimpicciolire i caratteri";

QFont toQFont(const FaxCoverDesignFont& font)
{
    QFont qfont(ansiToQString(font.name));
    qfont.setPointSize(std::max(1, font.size));
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    return qfont;
}

FaxCoverDesignFont fromQFont(const QFont& font)
{
    return {utf8ToAnsi(font.family().toStdString()), font.pointSize(), font.bold(), font.italic()};
}

void setBackground(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
}

QLabel* caption(const QString& text, QWidget* parent, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, 200, 18);
    return label;
}

// An up-down control: the arrows of a spin box only; the edit beside it shows the number.
class UpDownArrows : public QSpinBox
{
public:
    explicit UpDownArrows(QWidget* parent) : QSpinBox(parent) { lineEdit()->setVisible(false); }
};

// A number edit that only the up-down beside it changes.
void pairFactor(QWidget* parent, QLineEdit*& edit, QSpinBox*& upDown, const char* name, int y)
{
    edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("EDT_") + QLatin1String(name));
    edit->setGeometry(8, y, 60, 24);
    edit->setReadOnly(true);
    edit->setToolTip(QString::fromUtf8(FactorHint));
    upDown = new UpDownArrows(parent);
    upDown->setObjectName(QStringLiteral("UPD_") + QLatin1String(name));
    upDown->setGeometry(68, y, 18, 24);
    upDown->setRange(FaxCoverDesign::MinFactor, FaxCoverDesign::MaxFactor);
    upDown->setFrame(false);
    upDown->setFocusPolicy(Qt::NoFocus);
    upDown->setToolTip(QString::fromUtf8(FactorHint));
    QObject::connect(upDown, &QSpinBox::valueChanged, edit,
                     [edit](int value) { edit->setText(QString::number(value)); });
}

int boxNumber(const QLabel& box)
{
    return box.property("tag").toInt();
}

} // namespace

TFRM_FaxCover::TFRM_FaxCover(const PathMapper& paths, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_prompts(prompts),
      m_design(resolveCaseInsensitive(paths.programHome() / "FaxCover.ini"))
{
    setObjectName(QStringLiteral("FRM_FaxCover"));
    setWindowTitle(QStringLiteral("Definizione copertina Fax"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(1000, 640);

    PNL_Disegno = new QFrame(this);
    PNL_Disegno->setObjectName(QStringLiteral("PNL_Disegno"));
    PNL_Disegno->setGeometry(0, 0, 776, 640);
    PNL_Disegno->setAutoFillBackground(true);
    setBackground(*PNL_Disegno, Qt::white);
    PNL_Disegno->installEventFilter(this);

    PNL_Destra = new QFrame(this);
    PNL_Destra->setObjectName(QStringLiteral("PNL_Destra"));
    PNL_Destra->setGeometry(776, 0, 224, 640);
    PNL_Destra->setFrameStyle(QFrame::Panel | QFrame::Raised);

    LBX_Voci = new QListWidget(PNL_Destra);
    LBX_Voci->setObjectName(QStringLiteral("LBX_Voci"));
    LBX_Voci->setGeometry(8, 8, 208, 360);

    caption(QStringLiteral("Etichette"), PNL_Destra, 8, 380);
    EDT_LabelsFont = new QLineEdit(QStringLiteral("Font"), PNL_Destra);
    EDT_LabelsFont->setObjectName(QStringLiteral("EDT_LabelsFont"));
    EDT_LabelsFont->setGeometry(8, 398, 208, 24);
    EDT_LabelsFont->setReadOnly(true);
    EDT_LabelsFont->installEventFilter(this);

    caption(QStringLiteral("Campi"), PNL_Destra, 8, 430);
    EDT_FieldsFont = new QLineEdit(QStringLiteral("Font"), PNL_Destra);
    EDT_FieldsFont->setObjectName(QStringLiteral("EDT_FieldsFont"));
    EDT_FieldsFont->setGeometry(8, 448, 208, 24);
    EDT_FieldsFont->setReadOnly(true);
    EDT_FieldsFont->installEventFilter(this);

    caption(QStringLiteral("Ingrandimento (Land)"), PNL_Destra, 8, 484);
    pairFactor(PNL_Destra, EDT_FontFactorLand, UPD_FontFactorLand, "FontFactorLand", 502);
    caption(QStringLiteral("Ingrandimento (Port)"), PNL_Destra, 8, 536);
    pairFactor(PNL_Destra, EDT_FontFactorPort, UPD_FontFactorPort, "FontFactorPort", 554);

    DLG_Font = new QFontDialog(this);
    DLG_Font->setObjectName(QStringLiteral("DLG_Font"));
    DLG_Font->setOption(QFontDialog::ScalableFonts);

    connect(LBX_Voci, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { LBX_VociClickCheck(LBX_Voci->row(item)); });

    if (const double factor = screenScaleFactor(); factor > 1.0)
        ScaleForm(factor);
    load();
    centreOnDesktop(*this);
}

TFRM_FaxCover::~TFRM_FaxCover() = default;

void TFRM_FaxCover::ShowModal()
{
    if (!isVisible())
        exec();
}

void TFRM_FaxCover::ScaleForm(double factor)
{
    scaleWindow(*this, factor);
}

void TFRM_FaxCover::load()
{
    m_loading = true;
    m_labelFont = toQFont(m_design.labelFont);
    m_fieldFont = toQFont(m_design.fieldFont);
    UPD_FontFactorLand->setValue(m_design.factorLand);
    UPD_FontFactorPort->setValue(m_design.factorPort);
    EDT_FontFactorLand->setText(QString::number(UPD_FontFactorLand->value()));
    EDT_FontFactorPort->setText(QString::number(UPD_FontFactorPort->value()));
    for (std::size_t n = 0; n < m_design.captions.size(); ++n) {
        auto* item = new QListWidgetItem(ansiToQString(m_design.captions[n].text), LBX_Voci);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(m_design.captions[n].visible ? Qt::Checked : Qt::Unchecked);
        if (m_design.captions[n].visible)
            showBoxes(static_cast<int>(n));
    }
    m_loading = false;
}

QLabel* TFRM_FaxCover::makeBox(const QString& name, int n, const QString& text, const QFont& font)
{
    auto* box = new QLabel(text, PNL_Disegno);
    box->setObjectName(name + QString::number(n));
    box->setProperty("tag", n);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    box->setAutoFillBackground(true);
    setBackground(*box, Qt::white);
    box->setFont(font);
    box->adjustSize();
    box->installEventFilter(this);
    box->show();
    m_boxes.push_back(box);
    return box;
}

void TFRM_FaxCover::showBoxes(int n)
{
    const QString text = ansiToQString(m_design.captions[static_cast<std::size_t>(n)].text);
    QLabel* label = makeBox(QStringLiteral("Label"), n, text, m_labelFont);
    const FaxCoverPlace labelPlace = FaxCoverDesign::captionPlace(
        m_design.storedPlace("LABEL" + std::to_string(n)), n, label->height());
    label->move(labelPlace.left, labelPlace.top);

    QLabel* field =
        makeBox(QStringLiteral("Field"), n, QStringLiteral("Campo ") + text, m_fieldFont);
    const FaxCoverPlace fieldPlace =
        FaxCoverDesign::fieldPlace(m_design.storedPlace("FIELD" + std::to_string(n)), n,
                                   field->height(), labelPlace, label->width());
    field->move(fieldPlace.left, fieldPlace.top);
}

void TFRM_FaxCover::hideBoxes(int n)
{
    for (auto it = m_boxes.begin(); it != m_boxes.end();) {
        QLabel* box = *it;
        if (boxNumber(*box) != n) {
            ++it;
            continue;
        }
        m_design.writeBox(box->objectName().toUpper().toStdString(), box->y(), box->x(), false);
        m_selection.erase(std::remove(m_selection.begin(), m_selection.end(), box),
                          m_selection.end());
        it = m_boxes.erase(it);
        delete box;
    }
}

void TFRM_FaxCover::LBX_VociClickCheck(int index)
{
    if (m_loading || index < 0 || index >= LBX_Voci->count())
        return;
    const bool ticked = LBX_Voci->item(index)->checkState() == Qt::Checked;
    const bool shown = std::any_of(m_boxes.begin(), m_boxes.end(),
                                   [index](const QLabel* box) { return boxNumber(*box) == index; });
    if (ticked && !shown)
        showBoxes(index);
    else if (!ticked && shown)
        hideBoxes(index);
}

std::optional<QFont> TFRM_FaxCover::chooseFont(const QFont& initial)
{
    if (m_fontChooser)
        return m_fontChooser(initial);
    DLG_Font->setCurrentFont(initial);
    if (DLG_Font->exec() != QDialog::Accepted)
        return std::nullopt;
    return DLG_Font->selectedFont();
}

void TFRM_FaxCover::EDT_LabelsFontClick()
{
    const std::optional<QFont> font = chooseFont(m_labelFont);
    if (!font)
        return;
    m_labelFont = *font;
    for (QLabel* box : m_boxes)
        if (box->objectName().contains(QStringLiteral("Label"))) {
            box->setFont(m_labelFont);
            box->adjustSize();
        }
}

void TFRM_FaxCover::EDT_FieldsFontClick()
{
    const std::optional<QFont> font = chooseFont(m_fieldFont);
    if (!font)
        return;
    m_fieldFont = *font;
    for (QLabel* box : m_boxes)
        if (box->objectName().contains(QStringLiteral("Field"))) {
            box->setFont(m_fieldFont);
            box->adjustSize();
        }
}

void TFRM_FaxCover::toggleSelected(QLabel* box)
{
    const auto found = std::find(m_selection.begin(), m_selection.end(), box);
    if (found == m_selection.end()) {
        m_selection.push_back(box);
        setBackground(*box, Qt::yellow);
    } else {
        m_selection.erase(found);
        setBackground(*box, Qt::white);
    }
}

void TFRM_FaxCover::clearSelection()
{
    for (QLabel* box : m_selection)
        setBackground(*box, Qt::white);
    m_selection.clear();
}

void TFRM_FaxCover::moveBoxes(QLabel* underMouse, const QPoint& globalPos, bool altHeld)
{
    const int step = designerStep(altHeld);
    const int dx = steppedDelta(globalPos.x() - m_lastMouse.x(), step);
    const int dy = steppedDelta(globalPos.y() - m_lastMouse.y(), step);
    if (dx != 0)
        m_lastMouse.setX(globalPos.x());
    if (dy != 0)
        m_lastMouse.setY(globalPos.y());
    if (dx == 0 && dy == 0)
        return;
    if (m_selection.empty())
        underMouse->move(underMouse->pos() + QPoint(dx, dy));
    else
        for (QLabel* box : m_selection)
            box->move(box->pos() + QPoint(dx, dy));
}

bool TFRM_FaxCover::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((watched == EDT_LabelsFont || watched == EDT_FieldsFont) &&
        type == QEvent::MouseButtonRelease) {
        if (watched == EDT_LabelsFont)
            EDT_LabelsFontClick();
        else
            EDT_FieldsFontClick();
        return true;
    }
    if (watched == PNL_Disegno && type == QEvent::MouseButtonPress) {
        clearSelection();
        return false;
    }
    auto* box = qobject_cast<QLabel*>(watched);
    if (box == nullptr || std::find(m_boxes.begin(), m_boxes.end(), box) == m_boxes.end())
        return QDialog::eventFilter(watched, event);
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (type) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (mouse->modifiers() & Qt::ShiftModifier)
            toggleSelected(box);
        else {
            m_moving = true;
            m_lastMouse = mouse->globalPosition().toPoint();
        }
        return true;
    case QEvent::MouseMove:
        if (m_moving)
            moveBoxes(box, mouse->globalPosition().toPoint(),
                      (mouse->modifiers() & Qt::AltModifier) != 0);
        return true;
    case QEvent::MouseButtonRelease:
        m_moving = false;
        return true;
    default:
        return false;
    }
}

void TFRM_FaxCover::FormClose()
{
    m_design.labelFont = fromQFont(m_labelFont);
    m_design.fieldFont = fromQFont(m_fieldFont);
    m_design.factorLand = UPD_FontFactorLand->value();
    m_design.factorPort = UPD_FontFactorPort->value();
    for (const QLabel* box : m_boxes) {
        const int n = boxNumber(*box);
        const bool ticked = n < LBX_Voci->count() && LBX_Voci->item(n)->checkState() == Qt::Checked;
        m_design.writeBox(box->objectName().toUpper().toStdString(), box->y(), box->x(), ticked);
    }
    if (!m_design.save())
        m_prompts.show(PromptKind::Error, PromptButtons::Ok,
                       "Impossibile salvare il file FaxCover.ini.");
}

void TFRM_FaxCover::done(int result)
{
    FormClose();
    QDialog::done(result);
}

} // namespace spoolar
