#include "overlays/ui/Spoolar_header.h"

#include "overlays/DesignerSteps.h"
#include "overlays/LetterheadDesign.h"
#include "platform/CodePage.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "tools/ui/FormLayout.h"

#include <QAction>
#include <QFileDialog>
#include <QFontDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace spoolar {

namespace {

const char* const NewDefinition = "*Nuovo*";
const char* const SaveQuestion = "Le impostazioni correnti non sono state salvate.\n"
                                 "Si desidera salvarle adesso, prima di proseguire?";
const char* const HeaderFilter = "Files di intestazione di Spoolar (*.hdr)";
constexpr int FrameMargin = 3;
constexpr int NewPictureSize = 105;

void setBackground(QWidget& widget, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
}

QColor textColourOf(std::uint32_t colour)
{
    // A system colour (the default text colour of the controls) shows as black.
    if (colour & 0xFF000000u)
        return Qt::black;
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The size in points of a font as the definition stores it; the window's own font is given in
// pixels and counts at the 96 dots per inch of a Windows screen.
int pointSizeOf(const QFont& font)
{
    if (font.pointSize() > 0)
        return font.pointSize();
    return static_cast<int>(std::lround(font.pixelSize() * 72.0 / 96.0));
}

QPixmap loadPicture(const std::filesystem::path& file)
{
    QImage image;
    if (!file.empty())
        image.load(QString::fromStdString(file.string()), countsAsJpeg(file) ? "JPEG" : nullptr);
    return QPixmap::fromImage(image);
}

template <typename T> bool contains(const std::vector<T>& list, const QWidget* element)
{
    return std::find(list.begin(), list.end(), element) != list.end();
}

template <typename T> void removeFrom(std::vector<T>& list, const QWidget* element)
{
    list.erase(std::remove(list.begin(), list.end(), element), list.end());
}

} // namespace

TFRM_Header::TFRM_Header(const PathMapper& paths, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_paths(paths), m_prompts(prompts),
      m_definitionName(QString::fromLatin1(NewDefinition))
{
    setObjectName(QStringLiteral("FRM_Header"));
    setWindowFlags(Qt::Dialog | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    resize(1024, 700);
    setFont(pixelFont(QStringLiteral("Tahoma"), 11));

    PNL_DisegnoTop = new QFrame(this);
    PNL_DisegnoTop->setObjectName(QStringLiteral("PNL_DisegnoTop"));
    PNL_DisegnoBottom = new QFrame(this);
    PNL_DisegnoBottom->setObjectName(QStringLiteral("PNL_DisegnoBottom"));
    PNL_DisegnoBottom->setFixedHeight(244);
    for (QFrame* band : {PNL_DisegnoTop, PNL_DisegnoBottom}) {
        band->setAutoFillBackground(true);
        band->installEventFilter(this);
    }
    m_guidesTop = new DragGuides(PNL_DisegnoTop);
    m_guidesBottom = new DragGuides(PNL_DisegnoBottom);

    PNL_Bottoni = new QFrame(this);
    PNL_Bottoni->setObjectName(QStringLiteral("PNL_Bottoni"));
    PNL_Bottoni->setFixedHeight(46);
    PNL_Bottoni->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* campo = new QLabel(QStringLiteral("Campo"), PNL_Bottoni);
    campo->setGeometry(8, 15, 44, 16);
    LBL_Campo = new QLabel(PNL_Bottoni);
    LBL_Campo->setObjectName(QStringLiteral("LBL_Campo"));
    LBL_Campo->setGeometry(56, 15, 120, 16);
    auto* testo = new QLabel(QStringLiteral("Testo"), PNL_Bottoni);
    testo->setGeometry(184, 15, 40, 16);
    EDT_Testo = new QLineEdit(PNL_Bottoni);
    EDT_Testo->setObjectName(QStringLiteral("EDT_Testo"));
    EDT_Testo->setGeometry(228, 11, 560, 24);
    EDT_Testo->setReadOnly(true);
    BTN_Help = new QPushButton(QStringLiteral("&Help"), PNL_Bottoni);
    BTN_Help->setObjectName(QStringLiteral("BTN_Help"));
    BTN_Help->setGeometry(800, 8, 90, 30);
    BTN_Help->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PNL_DisegnoTop, 1);
    layout->addWidget(PNL_DisegnoBottom);
    layout->addWidget(PNL_Bottoni);

    POP_Header = new QMenu(this);
    POP_Header->setObjectName(QStringLiteral("POP_Header"));
    const auto addCommand = [this](const char* name, const QString& text,
                                   void (TFRM_Header::*slot)()) {
        QAction* action = POP_Header->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
    };
    addCommand("MNU_NuovoCampo", QStringLiteral("Nuovo campo"), &TFRM_Header::MNU_NuovoCampoClick);
    addCommand("MNU_NuovaImmagine", QStringLiteral("Nuova immagine"),
               &TFRM_Header::MNU_NuovaImmagineClick);
    POP_Header->addSeparator();
    addCommand("MNU_NuovaDefinizione", QStringLiteral("Nuova definizione"),
               &TFRM_Header::MNU_NuovaDefinizioneClick);
    addCommand("MNU_ApriDefinizione", QStringLiteral("Apri definizione"),
               &TFRM_Header::MNU_ApriDefinizioneClick);
    addCommand("MNU_SalvaDefinizione", QStringLiteral("Salva definizione"),
               &TFRM_Header::MNU_SalvaDefinizioneClick);

    const QString spool = QString::fromStdString(m_paths.toHost("C:\\SPOOL").string());
    DLG_Font = new QFontDialog(this);
    DLG_Font->setObjectName(QStringLiteral("DLG_Font"));
    DLG_OpenImage = new QFileDialog(this, QString(), spool);
    DLG_OpenImage->setObjectName(QStringLiteral("DLG_OpenImage"));
    DLG_OpenImage->setFileMode(QFileDialog::ExistingFile);
    DLG_OpenImage->setNameFilter(QStringLiteral("Immagini (*.jpg *.jpeg *.bmp *.png *.gif)"));
    DLG_OpenHeader = new QFileDialog(this, QString(), spool, QString::fromLatin1(HeaderFilter));
    DLG_OpenHeader->setObjectName(QStringLiteral("DLG_OpenHeader"));
    DLG_OpenHeader->setFileMode(QFileDialog::ExistingFile);
    DLG_SaveHeader = new QFileDialog(this, QString(), spool, QString::fromLatin1(HeaderFilter));
    DLG_SaveHeader->setObjectName(QStringLiteral("DLG_SaveHeader"));
    DLG_SaveHeader->setAcceptMode(QFileDialog::AcceptSave);
    DLG_SaveHeader->setDefaultSuffix(QStringLiteral("hdr"));

    connect(BTN_Help, &QPushButton::clicked, this, &TFRM_Header::BTN_HelpClick);
    connect(EDT_Testo, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!isText(m_current))
            return;
        auto* label = static_cast<QLabel*>(m_current);
        label->setText(text);
        label->adjustSize();
        setModified();
    });

    if (const double factor = screenScaleFactor(); factor > 1.0)
        ScaleForm(factor);
    setActiveBand(PNL_DisegnoTop);
    setCurrent(nullptr);
    updateCaption();
}

TFRM_Header::~TFRM_Header() = default;

void TFRM_Header::ShowModal()
{
    if (!isVisible())
        exec();
}

void TFRM_Header::ScaleForm(double factor)
{
    scaleWindow(*this, factor);
}

void TFRM_Header::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The whole work area: the heading band's width, and so HorizSize, follows the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
}

void TFRM_Header::updateCaption()
{
    setWindowTitle(QStringLiteral("Definizione carta intestata - ") + m_definitionName);
}

void TFRM_Header::setActiveBand(QFrame* band)
{
    m_activeBand = band;
    setBackground(*PNL_DisegnoTop, band == PNL_DisegnoTop ? Qt::white : Qt::lightGray);
    setBackground(*PNL_DisegnoBottom, band == PNL_DisegnoBottom ? Qt::white : Qt::lightGray);
}

void TFRM_Header::setCurrent(QWidget* element)
{
    m_current = element;
    LBL_Campo->setText(element ? element->objectName() : QString());
    if (isText(element)) {
        EDT_Testo->setText(static_cast<QLabel*>(element)->text());
        EDT_Testo->setReadOnly(false);
    } else {
        EDT_Testo->clear();
        EDT_Testo->setReadOnly(true);
    }
}

QFrame* TFRM_Header::bandOf(const QWidget* element) const
{
    return element && element->parentWidget() == PNL_DisegnoBottom ? PNL_DisegnoBottom
                                                                   : PNL_DisegnoTop;
}

bool TFRM_Header::isText(const QWidget* element) const
{
    return element != nullptr && contains(m_texts, element);
}

int TFRM_Header::pictureIndex(const QWidget* element) const
{
    for (std::size_t i = 0; i < m_pictures.size(); ++i)
        if (m_pictures[i] == element || m_frames[i] == element)
            return static_cast<int>(i);
    return -1;
}

std::vector<std::string> TFRM_Header::names(const std::vector<QWidget*>& elements) const
{
    std::vector<std::string> result;
    for (const QWidget* element : elements)
        result.push_back(element->objectName().toStdString());
    return result;
}

// ---- elements ------------------------------------------------------------------------------

QLabel* TFRM_Header::addText(const std::string& name, QFrame* band, QPoint at, const QString& text,
                             const QFont& font, std::uint32_t colour)
{
    auto* label = new QLabel(text, band);
    label->setObjectName(QString::fromStdString(name));
    label->setProperty("tag", band == PNL_DisegnoBottom ? 1 : 0);
    label->setProperty("fontColor", QVariant::fromValue<quint32>(colour));
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, textColourOf(colour));
    label->setPalette(palette);
    label->setFont(font);
    label->adjustSize();
    label->move(at);
    label->installEventFilter(this);
    label->show();
    m_texts.push_back(label);
    return label;
}

PictureBox* TFRM_Header::addPicture(const std::string& name, QFrame* band, QRect bounds,
                                    const QPixmap& picture, const std::string& fileName)
{
    std::vector<QWidget*> frames(m_frames.begin(), m_frames.end());
    auto* frame = new PictureFrame(band);
    frame->setObjectName(QString::fromStdString(nextElementName("Shape", names(frames))));
    frame->setGeometry(bounds.adjusted(-FrameMargin, -FrameMargin, FrameMargin, FrameMargin));
    frame->installEventFilter(this);
    frame->show();

    auto* box = new PictureBox(band);
    box->setObjectName(QString::fromStdString(name));
    box->setProperty("tag", band == PNL_DisegnoBottom ? 1 : 0);
    box->setGeometry(bounds);
    box->setPicture(picture);
    box->installEventFilter(this);
    box->show();
    frame->stackUnder(box);

    m_pictures.push_back(box);
    m_frames.push_back(frame);
    m_pictureFiles.push_back(fileName);
    return box;
}

void TFRM_Header::deleteText(QLabel* text)
{
    const auto found = std::find(m_texts.begin(), m_texts.end(), text);
    const std::size_t index = static_cast<std::size_t>(found - m_texts.begin());
    removeFrom(m_selection, text);
    m_texts.erase(found);
    text->deleteLater();
    text->hide();
    setCurrent(m_texts.empty() ? nullptr : m_texts[std::min(index, m_texts.size() - 1)]);
    // A deletion is a change like any other: closing must not lose it without asking.
    setModified();
}

void TFRM_Header::deletePicture(int index)
{
    const auto i = static_cast<std::size_t>(index);
    removeFrom(m_selection, m_frames[i]);
    for (QWidget* w : {static_cast<QWidget*>(m_pictures[i]), static_cast<QWidget*>(m_frames[i])}) {
        w->hide();
        w->deleteLater();
    }
    m_pictures.erase(m_pictures.begin() + index);
    m_frames.erase(m_frames.begin() + index);
    m_pictureFiles.erase(m_pictureFiles.begin() + index);
    setCurrent(m_pictures.empty() ? nullptr : m_pictures[std::min(i, m_pictures.size() - 1)]);
    setModified();
}

void TFRM_Header::removeAllElements()
{
    m_selection.clear();
    m_held.clear();
    m_gesture = Gesture::None;
    for (QLabel* text : m_texts)
        delete text;
    for (std::size_t i = 0; i < m_pictures.size(); ++i) {
        delete m_pictures[i];
        delete m_frames[i];
    }
    m_texts.clear();
    m_pictures.clear();
    m_frames.clear();
    m_pictureFiles.clear();
    setCurrent(nullptr);
}

void TFRM_Header::toggleSelected(QWidget* element)
{
    if (const int picture = pictureIndex(element); picture >= 0)
        element = m_frames[static_cast<std::size_t>(picture)];
    const bool selected = !contains(m_selection, element);
    if (selected)
        m_selection.push_back(element);
    else
        removeFrom(m_selection, element);
    if (auto* frame = dynamic_cast<PictureFrame*>(element))
        frame->setColour(selected ? Qt::yellow : Qt::black);
    else
        setBackground(*element, selected ? Qt::yellow : Qt::white);
}

void TFRM_Header::clearSelection()
{
    for (QWidget* element : m_selection)
        if (auto* frame = dynamic_cast<PictureFrame*>(element))
            frame->setColour(Qt::black);
        else
            setBackground(*element, Qt::white);
    m_selection.clear();
}

void TFRM_Header::changeFont(QLabel* clicked)
{
    std::optional<QFont> font;
    if (m_fontChooser)
        font = m_fontChooser(clicked->font());
    else {
        DLG_Font->setCurrentFont(clicked->font());
        if (DLG_Font->exec() == QDialog::Accepted)
            font = DLG_Font->selectedFont();
    }
    if (!font)
        return;
    std::vector<QLabel*> targets;
    for (QWidget* element : m_selection)
        if (isText(element))
            targets.push_back(static_cast<QLabel*>(element));
    if (m_selection.empty())
        targets.push_back(clicked);
    for (QLabel* text : targets) {
        text->setFont(*font);
        text->adjustSize();
    }
    setModified();
}

// ---- mouse ---------------------------------------------------------------------------------

bool TFRM_Header::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    const QEvent::Type type = event->type();
    if (widget == nullptr || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
                              type != QEvent::MouseButtonRelease))
        return QDialog::eventFilter(watched, event);
    auto* mouse = static_cast<QMouseEvent*>(event);

    if (widget == PNL_DisegnoTop || widget == PNL_DisegnoBottom) {
        if (type != QEvent::MouseButtonPress)
            return false;
        auto* band = static_cast<QFrame*>(widget);
        setActiveBand(band);
        clearSelection();
        if (mouse->button() == Qt::RightButton) {
            const QPoint at = mouse->position().toPoint();
            m_popupPoint = QPoint(roundUpToFive(at.x()), roundUpToFive(at.y()));
            POP_Header->popup(mouse->globalPosition().toPoint());
        }
        return true;
    }
    if (!isText(widget) && pictureIndex(widget) < 0)
        return QDialog::eventFilter(watched, event);

    const QPoint bandPos = bandOf(widget)->mapFromGlobal(mouse->globalPosition().toPoint());
    switch (type) {
    case QEvent::MouseButtonPress:
        return pressElement(widget, mouse);
    case QEvent::MouseMove:
        if (m_gesture == Gesture::Move)
            dragTo(bandPos);
        else if (m_gesture == Gesture::Resize)
            resizeTo(bandPos);
        return true;
    default:
        if (m_gesture == Gesture::Move)
            endDrag();
        m_gesture = Gesture::None;
        return true;
    }
}

bool TFRM_Header::pressElement(QWidget* element, QMouseEvent* mouse)
{
    QFrame* band = bandOf(element);
    if (band != m_activeBand) {
        // The first click on the inactive band only makes it active.
        setActiveBand(band);
        clearSelection();
        return true;
    }
    const int picture = pictureIndex(element);
    if (mouse->button() == Qt::RightButton) {
        setCurrent(picture >= 0 ? m_pictures[static_cast<std::size_t>(picture)] : element);
        if (picture < 0)
            changeFont(static_cast<QLabel*>(element));
        return true;
    }
    if (mouse->button() != Qt::LeftButton)
        return true;
    const Qt::KeyboardModifiers keys = mouse->modifiers();
    if (keys & Qt::ShiftModifier) {
        toggleSelected(element);
        return true;
    }
    if (keys & Qt::ControlModifier) {
        if (picture >= 0)
            deletePicture(picture);
        else
            deleteText(static_cast<QLabel*>(element));
        return true;
    }
    const QPoint bandPos = band->mapFromGlobal(mouse->globalPosition().toPoint());
    const bool altHeld = (keys & Qt::AltModifier) != 0;
    if (picture >= 0 && element == m_frames[static_cast<std::size_t>(picture)]) {
        setCurrent(m_pictures[static_cast<std::size_t>(picture)]);
        m_gesture = Gesture::Resize;
        m_dragged = element;
        m_step = designerStep(altHeld);
        m_lastMouse = bandPos;
        return true;
    }
    setCurrent(element);
    if (picture >= 0 && m_selection.empty())
        m_selection.push_back(m_frames[static_cast<std::size_t>(picture)]);
    startMove(element, bandPos, altHeld);
    return true;
}

void TFRM_Header::startMove(QWidget* element, QPoint bandPos, bool altHeld)
{
    m_gesture = Gesture::Move;
    m_dragged = element;
    m_step = designerStep(altHeld);
    m_lastMouse = bandPos;
    m_dragRect = element->geometry();
    m_held.clear();
    for (QWidget* selected : m_selection) {
        m_held.emplace_back(selected);
        m_held.back().setRect(selected->geometry());
        if (const int picture = pictureIndex(selected); picture >= 0) {
            QWidget* box = m_pictures[static_cast<std::size_t>(picture)];
            m_held.emplace_back(box);
            m_held.back().setRect(box->geometry());
        }
    }
    showGuides();
}

void TFRM_Header::dragTo(QPoint bandPos)
{
    if (!m_activeBand->rect().contains(bandPos))
        return;
    const int dx = bandPos.x() - m_lastMouse.x();
    const int dy = bandPos.y() - m_lastMouse.y();
    QPoint shift;
    if (dx % m_step == 0) {
        shift.setX(dx);
        m_lastMouse.setX(bandPos.x());
    }
    if (dy % m_step == 0) {
        shift.setY(dy);
        m_lastMouse.setY(bandPos.y());
    }
    m_dragRect.translate(shift);
    for (THoldRect& held : m_held)
        held.setRect(held.rect().translated(shift));
    showGuides();
}

void TFRM_Header::endDrag()
{
    m_guidesTop->hide();
    m_guidesBottom->hide();
    if (!m_held.empty()) {
        for (const THoldRect& held : m_held)
            held.control->setGeometry(held.rect());
        m_held.clear();
    } else
        m_dragged->move(m_dragRect.topLeft());
    if (pictureIndex(m_dragged) >= 0 && m_selection.size() == 1)
        clearSelection();
}

void TFRM_Header::showGuides()
{
    std::vector<QRect> held;
    for (const THoldRect& h : m_held)
        held.push_back(h.rect());
    (m_activeBand == PNL_DisegnoBottom ? m_guidesBottom : m_guidesTop)
        ->showGuides(m_dragRect, held);
}

void TFRM_Header::resizeTo(QPoint bandPos)
{
    const auto i = static_cast<std::size_t>(pictureIndex(m_dragged));
    const int dx = steppedDelta(bandPos.x() - m_lastMouse.x(), m_step);
    const int dy = steppedDelta(bandPos.y() - m_lastMouse.y(), m_step);
    if (dx != 0)
        m_lastMouse.setX(bandPos.x());
    if (dy != 0)
        m_lastMouse.setY(bandPos.y());
    if (dx == 0 && dy == 0)
        return;
    // A picture keeps at least one pixel on each axis.
    const QSize size(std::max(1, m_pictures[i]->width() + dx),
                     std::max(1, m_pictures[i]->height() + dy));
    m_pictures[i]->resize(size);
    m_frames[i]->resize(size + QSize(2 * FrameMargin, 2 * FrameMargin));
    setModified();
}

// ---- commands ------------------------------------------------------------------------------

void TFRM_Header::MNU_NuovoCampoClick()
{
    std::vector<QWidget*> texts(m_texts.begin(), m_texts.end());
    const std::string name = nextElementName("Testo", names(texts));
    QLabel* text = addText(name, m_activeBand, m_popupPoint, QString::fromStdString(name), font(),
                           clWindowText);
    setCurrent(text);
    setModified();
}

void TFRM_Header::MNU_NuovaImmagineClick()
{
    const std::optional<std::filesystem::path> file =
        m_imageChooser ? m_imageChooser({}) : chooseFile(DLG_OpenImage, {});
    if (!file)
        return;
    std::vector<QWidget*> pictures(m_pictures.begin(), m_pictures.end());
    PictureBox* box = addPicture(nextElementName("Immagine", names(pictures)), m_activeBand,
                                 QRect(m_popupPoint, QSize(NewPictureSize, NewPictureSize)),
                                 loadPicture(*file), fileNamePart(file->string()));
    setCurrent(box);
    setModified();
}

void TFRM_Header::MNU_NuovaDefinizioneClick()
{
    askToSave();
    removeAllElements();
    m_modified = false;
    m_definitionName = QString::fromLatin1(NewDefinition);
    updateCaption();
}

void TFRM_Header::MNU_ApriDefinizioneClick()
{
    askToSave();
    const std::optional<std::filesystem::path> file =
        m_openChooser ? m_openChooser({}) : chooseFile(DLG_OpenHeader, {});
    if (!file)
        return;
    m_definitionName = displayPath(*file);
    m_definitionFolder = file->parent_path();
    removeAllElements();
    loadDefinition(*file);
    m_modified = false;
    updateCaption();
}

void TFRM_Header::loadDefinition(const std::filesystem::path& file)
{
    const LetterheadDesign design = LetterheadDesign::read(file, PNL_DisegnoTop->width());
    for (const DesignedText& element : design.texts) {
        const LetterheadText& t = element.text;
        QFont font(ansiToQString(t.fontName));
        font.setPointSize(std::max(1, t.fontSize));
        font.setBold(t.fontBold);
        font.setItalic(t.fontItalic);
        addText(element.name, t.footer ? PNL_DisegnoBottom : PNL_DisegnoTop, QPoint(t.left, t.top),
                ansiToQString(t.text), font, t.fontColor);
    }
    for (const DesignedPicture& element : design.pictures) {
        const LetterheadPicture& p = element.picture;
        addPicture(element.name, p.footer ? PNL_DisegnoBottom : PNL_DisegnoTop,
                   QRect(p.left, p.top, p.width, p.height), loadPicture(p.file), p.imageFile);
    }
}

LetterheadDesign TFRM_Header::currentDesign() const
{
    LetterheadDesign design;
    design.horizSize = PNL_DisegnoTop->contentsRect().width();
    design.footerSize = PNL_DisegnoBottom->contentsRect().height();
    for (const QLabel* label : m_texts) {
        DesignedText element{label->objectName().toStdString(), {}};
        LetterheadText& t = element.text;
        t.footer = label->parentWidget() == PNL_DisegnoBottom;
        t.top = label->y();
        t.left = label->x();
        t.text = utf8ToAnsi(label->text().toStdString());
        t.fontName = utf8ToAnsi(label->font().family().toStdString());
        t.fontSize = pointSizeOf(label->font());
        t.fontColor = label->property("fontColor").value<quint32>();
        t.fontBold = label->font().bold();
        t.fontItalic = label->font().italic();
        design.texts.push_back(std::move(element));
    }
    for (std::size_t i = 0; i < m_pictures.size(); ++i) {
        const PictureBox* box = m_pictures[i];
        DesignedPicture element{box->objectName().toStdString(), {}};
        LetterheadPicture& p = element.picture;
        p.footer = box->parentWidget() == PNL_DisegnoBottom;
        p.top = box->y();
        p.left = box->x();
        p.width = box->width();
        p.height = box->height();
        p.imageFile = m_pictureFiles[i];
        design.pictures.push_back(std::move(element));
    }
    return design;
}

void TFRM_Header::MNU_SalvaDefinizioneClick()
{
    const bool isNew = m_definitionName == QString::fromLatin1(NewDefinition);
    const std::filesystem::path suggested =
        isNew ? std::filesystem::path() : m_paths.toHost(m_definitionName.toStdString());
    const std::optional<std::filesystem::path> file =
        m_saveChooser ? m_saveChooser(suggested) : chooseFile(DLG_SaveHeader, suggested);
    if (!file)
        return;
    if (!currentDesign().write(*file)) {
        m_prompts.show(PromptKind::Error, PromptButtons::Ok,
                       "Impossibile salvare il file " + file->string() + ".");
        return;
    }
    m_modified = false;
}

void TFRM_Header::askToSave()
{
    if (m_modified && m_prompts.show(PromptKind::Confirmation, PromptButtons::YesNo,
                                     SaveQuestion) == PromptAnswer::Yes)
        MNU_SalvaDefinizioneClick();
}

void TFRM_Header::BTN_HelpClick()
{
    if (m_openHelp)
        m_openHelp();
    EDT_Testo->setFocus();
}

void TFRM_Header::done(int result)
{
    askToSave();
    QDialog::done(result);
}

std::optional<std::filesystem::path> TFRM_Header::chooseFile(QFileDialog* dialog,
                                                             const std::filesystem::path& suggested)
{
    dialog->selectFile(QString::fromStdString(suggested.string()));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(dialog->selectedFiles().first().toStdString());
}

QString TFRM_Header::displayPath(const std::filesystem::path& file) const
{
    if (const std::optional<std::string> windows = m_paths.toWindows(file))
        return ansiToQString(*windows);
    return QString::fromStdString(file.string());
}

} // namespace spoolar
