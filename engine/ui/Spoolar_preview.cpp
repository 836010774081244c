#include "engine/ui/Spoolar_preview.h"

#include "engine/PagePrinting.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "tools/ui/FormLayout.h"
#include "tools/ui/Qvorpaintbox.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <exception>

namespace spoolar {

namespace {

constexpr int kPanelHeight = 41;
constexpr int kGap = 4;
// The ratio of an A4 page, for a page size that was not given.
constexpr double kA4Ratio = 297.0 / 210.0;

// The wait cursor for as long as something slow runs.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QLineEdit* blueField(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 255));
    palette.setColor(QPalette::Text, Qt::white);
    edit->setPalette(palette);
    return edit;
}

} // namespace

TFRM_Preview::TFRM_Preview(PrinterObject& printers, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_printers(printers), m_prompts(prompts)
{
    setObjectName(QStringLiteral("FRM_Preview"));
    setWindowTitle(QStringLiteral("Preview Stampa"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(kPanelHeight);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(6);

    Label1 = new QLabel(QStringLiteral("Pagine"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    EDT_NumPage = blueField(Panel1, "EDT_NumPage");
    EDT_NumPage->setFixedWidth(110);
    Label2 = new QLabel(QStringLiteral("Stampante"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    EDT_Stampante = blueField(Panel1, "EDT_Stampante");
    // The printer name takes what the buttons leave, up to a usual name's length.
    EDT_Stampante->setMinimumWidth(120);
    EDT_Stampante->setMaximumWidth(320);

    const auto button = [this](const char* name, QAction* action) {
        auto* b = new QPushButton(action ? action->text() : QString(), Panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        if (action) {
            b->setToolTip(action->toolTip());
            connect(b, &QPushButton::clicked, action, &QAction::trigger);
        }
        return b;
    };

    QAction* prima = addAction("PrimaPagina", QStringLiteral("Prima pagina"), Qt::Key_Home,
                               QStringLiteral("Vai alla prima pagina (Home)"),
                               &TFRM_Preview::PrimaPaginaExecute);
    QAction* ultima = addAction("UltimaPagina", QStringLiteral("Ultima pagina"), Qt::Key_End,
                                QStringLiteral("Vai all'ultima pagina (End)"),
                                &TFRM_Preview::UltimaPaginaExecute);
    QAction* precedente =
        addAction("PaginaPrecedente", QStringLiteral("Pagina precedente"), Qt::Key_PageUp,
                  QStringLiteral("Vai alla pagina precedente (PgUp)"),
                  &TFRM_Preview::PaginaPrecedenteExecute);
    QAction* successiva =
        addAction("PaginaSuccessiva", QStringLiteral("Pagina successiva"), Qt::Key_PageDown,
                  QStringLiteral("Vai alla pagina successiva (PgDn)"),
                  &TFRM_Preview::PaginaSuccessivaExecute);
    QAction* stampaPagina = addAction(
        "StampaPagina", QStringLiteral("Stampa pagina"), QKeySequence(Qt::CTRL | Qt::Key_P),
        QStringLiteral("Stampa pagina corrente (Ctrl+P)"), &TFRM_Preview::StampaPaginaExecute);
    QAction* stampaTutto = addAction(
        "StampaTutto", QStringLiteral("Stampa tutto"), QKeySequence(Qt::CTRL | Qt::Key_T),
        QStringLiteral("Stampa tutto il documento (Ctrl+T)"), &TFRM_Preview::StampaTuttoExecute);
    Esci = addAction("Esci", QStringLiteral("Esci"), Qt::Key_Escape, QString(),
                     &TFRM_Preview::EsciExecute);
    Esci->setEnabled(false);

    BTN_Prima = button("BTN_Prima", prima);
    BTN_Precedente = button("BTN_Precedente", precedente);
    BTN_Successiva = button("BTN_Successiva", successiva);
    BTN_Ultima = button("BTN_Ultima", ultima);
    BTN_PrintPagina = button("BTN_PrintPagina", stampaPagina);
    BTN_PrintAll = button("BTN_PrintAll", stampaTutto);
    BTN_SetGrafici = button("BTN_SetGrafici", nullptr);
    BTN_SetGrafici->setText(QStringLiteral("Impostazione grafici"));
    BTN_Coda = button("BTN_Coda", nullptr);
    BTN_Coda->setText(QStringLiteral("Visualizza coda"));
    connect(BTN_SetGrafici, &QPushButton::clicked, this, &TFRM_Preview::BTN_SetGraficiClick);
    connect(BTN_Coda, &QPushButton::clicked, this, &TFRM_Preview::BTN_CodaClick);

    row->addWidget(Label1);
    row->addWidget(EDT_NumPage);
    for (QPushButton* b : {BTN_Prima, BTN_Precedente, BTN_Successiva, BTN_Ultima})
        row->addWidget(b);
    row->addSpacing(16);
    row->addWidget(Label2);
    row->addWidget(EDT_Stampante, 1);
    for (QPushButton* b : {BTN_PrintPagina, BTN_PrintAll, BTN_SetGrafici, BTN_Coda})
        row->addWidget(b);
    row->addStretch(1);

    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox->viewport()->installEventFilter(this);

    PaintBox = new TQvorPaintBox;
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->setPaintHandler([this](QPainter& painter) { paintPage(painter); });
    ScrollBox->setWidget(PaintBox);
}

TFRM_Preview::~TFRM_Preview() = default;

QAction* TFRM_Preview::addAction(const char* name, const QString& caption,
                                 const QKeySequence& shortcut, const QString& hint,
                                 void (TFRM_Preview::*handler)())
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(hint);
    connect(action, &QAction::triggered, this, handler);
    QWidget::addAction(action);
    return action;
}

void TFRM_Preview::ScaleForm(double factor)
{
    scaleWindow(*this, factor);
}

void TFRM_Preview::setPrinterName(const QString& name)
{
    EDT_Stampante->setText(name);
}

bool TFRM_Preview::showPages(TPageList& pages, int pageWidth, int pageHeight,
                             const QString& printerName)
{
    if (isVisible())
        return false;
    setPages(pages, pageWidth, pageHeight, printerName);
    exec();
    return FPrinted;
}

void TFRM_Preview::setPages(TPageList& pages, int pageWidth, int pageHeight,
                            const QString& printerName)
{
    FPages = &pages;
    FPageWidth = pageWidth;
    FPageHeight = pageHeight;
    setPrinterName(printerName);
}

bool TFRM_Preview::printAllPages(TPageList& pages)
{
    FPages = &pages;
    FPrinted = false;
    FCount = static_cast<int>(pages.size());
    FCurrent = 1;
    // The pages go whatever the printer says, as when the window closes.
    struct Release
    {
        TFRM_Preview& preview;
        ~Release() { preview.releasePages(); }
    } release{*this};
    print(1, FCount);
    return FPrinted;
}

void TFRM_Preview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFRM_Preview::FormShow()
{
    // The whole work area, and no resizing by the user while the pages are shown.
    if (const QScreen* screen =
            this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        setGeometry(screen->availableGeometry());
    }
    setFixedSize(size());
    Esci->setEnabled(true);

    FPrinted = false;
    FCurrent = 1;
    FCount = FPages ? static_cast<int>(FPages->size()) : 0;
    FZoom = WholePage;
    layOutPage();
    // The page has the keyboard, not a print button that Enter would press.
    ScrollBox->setFocus();
    raise();
    activateWindow();
}

void TFRM_Preview::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TFRM_Preview::FormClose()
{
    releasePages();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    Esci->setEnabled(false);
}

void TFRM_Preview::releasePages()
{
    if (FPages)
        FPages->clear();
    FPages = nullptr;
    FCount = 0;
}

double TFRM_Preview::pageRatio() const
{
    if (FPageWidth > 0 && FPageHeight > 0)
        return static_cast<double>(FPageHeight) / FPageWidth;
    return kA4Ratio;
}

void TFRM_Preview::layOutPage()
{
    Panel1->setGeometry(0, 0, width(), Panel1->height());
    const int panel = Panel1->height();
    const int clientWidth = width();
    const int space = height() - panel - 2 * kGap;
    const double ratio = pageRatio();

    if (FZoom == WholePage) {
        ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        int w = 0;
        int h = 0;
        int left = kGap;
        int top = panel + kGap;
        if (ratio < 1.0) { // landscape
            w = clientWidth - 2 * kGap;
            h = qRound(w * ratio);
            if (h > space) {
                h = space;
                w = qRound(h / ratio);
                left = (clientWidth - w) / 2;
            }
            top = panel + (height() - panel - h) / 2;
        } else {
            h = space;
            w = qRound(h / ratio);
            if (w > clientWidth - 2 * kGap) { // a window narrower than the page
                w = clientWidth - 2 * kGap;
                h = qRound(w * ratio);
            }
            left = (clientWidth - w) / 2;
        }
        ScrollBox->setGeometry(left, top, std::max(w, 1), std::max(h, 1));
        PaintBox->resize(ScrollBox->size());
    } else {
        ScrollBox->setGeometry(kGap, panel + kGap, clientWidth - 2 * kGap, std::max(space, 1));
        ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        if (FZoom == PageWidth) {
            ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            const int w = ScrollBox->width() - ScrollBox->verticalScrollBar()->sizeHint().width();
            PaintBox->resize(std::max(w, 1), std::max(qRound(w * ratio), 1));
        } else {
            ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            PaintBox->resize(std::max(FPageWidth, 1), std::max(FPageHeight, 1));
        }
    }
    ScrollBox->horizontalScrollBar()->setValue(0);
    ScrollBox->verticalScrollBar()->setValue(0);
    refreshPage();
}

void TFRM_Preview::refreshPage()
{
    EDT_NumPage->setText(QStringLiteral("Pag. %1/%2").arg(FCurrent).arg(FCount));
    BTN_Prima->setEnabled(FCurrent > 1);
    BTN_Precedente->setEnabled(FCurrent > 1);
    BTN_Ultima->setEnabled(FCurrent < FCount);
    BTN_Successiva->setEnabled(FCurrent < FCount);
    PaintBox->update();
}

void TFRM_Preview::paintPage(QPainter& painter)
{
    painter.fillRect(PaintBox->rect(), Qt::white);
    if (!FPages || FCurrent < 1 || FCurrent > FCount)
        return;
    const TMetafile& page = *(*FPages)[static_cast<std::size_t>(FCurrent - 1)];
    if (page.width() <= 0 || page.height() <= 0)
        return;
    if (FZoom != ActualSize)
        painter.scale(static_cast<double>(PaintBox->width()) / page.width(),
                      static_cast<double>(PaintBox->height()) / page.height());
    page.play(painter);
}

void TFRM_Preview::PrimaPaginaExecute()
{
    FCurrent = 1;
    refreshPage();
}

void TFRM_Preview::UltimaPaginaExecute()
{
    FCurrent = std::max(FCount, 1);
    refreshPage();
}

void TFRM_Preview::PaginaPrecedenteExecute()
{
    if (FCurrent > 1) {
        --FCurrent;
        refreshPage();
    }
}

void TFRM_Preview::PaginaSuccessivaExecute()
{
    if (FCurrent < FCount) {
        ++FCurrent;
        refreshPage();
    }
}

void TFRM_Preview::StampaPaginaExecute()
{
    printFromWindow(FCurrent, FCurrent, false);
}

void TFRM_Preview::StampaTuttoExecute()
{
    printFromWindow(1, FCount, true);
}

void TFRM_Preview::EsciExecute()
{
    close();
}

void TFRM_Preview::BTN_SetGraficiClick()
{
    if (m_openChartSettings)
        m_openChartSettings();
}

void TFRM_Preview::BTN_CodaClick()
{
    if (m_openQueue)
        m_openQueue();
}

// One printer document of pages first..last (1-based) on the program's printer. FPrinted only
// once the printer has taken the whole document: a failed print leaves the job unprinted.
void TFRM_Preview::print(int first, int last)
{
    if (!FPages || first < 1 || last > FCount || first > last)
        return;
    const WaitCursor wait;
    IPrinterDevice& device = m_printers.device();
    if (first == 1 && last == FCount) {
        FPrinted = printPageList(device, *FPages) || FPrinted;
        return;
    }
    device.beginDoc();
    try {
        for (int page = first; page <= last; ++page) {
            if (page > first)
                device.newPage();
            device.drawPage(*(*FPages)[static_cast<std::size_t>(page - 1)]);
        }
        device.endDoc();
    } catch (...) {
        device.abortDoc();
        throw;
    }
    FPrinted = true;
}

// From the window a printer error is shown and the window stays, so the user can try again.
void TFRM_Preview::printFromWindow(int first, int last, bool closeAfterwards)
{
    try {
        print(first, last);
    } catch (const std::exception& e) {
        m_prompts.show(PromptKind::Error, PromptButtons::Ok, e.what());
        return;
    }
    if (closeAfterwards)
        close();
}

void TFRM_Preview::ScrollBoxMouseDown()
{
    FZoom = FZoom == ActualSize ? WholePage : FZoom + 1;
    layOutPage();
}

bool TFRM_Preview::ScrollBoxMouseWheel(const QWheelEvent& event)
{
    const int delta = event.angleDelta().y();
    if (delta == 0)
        return true;
    if (event.modifiers() & Qt::ControlModifier) {
        const int zoom = std::clamp(FZoom + (delta > 0 ? 1 : -1), 1, 3);
        if (zoom != FZoom) {
            FZoom = zoom;
            layOutPage();
        }
        return true;
    }
    QScrollBar* bar = ScrollBox->verticalScrollBar();
    if (ScrollBox->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) {
        const int step = std::max(1, (bar->maximum() + bar->pageStep()) / 50);
        bar->setValue(bar->value() + (delta > 0 ? -step : step));
    }
    return true;
}

bool TFRM_Preview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ScrollBox->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            ScrollBoxMouseDown();
            return true;
        }
        if (event->type() == QEvent::Wheel)
            return ScrollBoxMouseWheel(static_cast<const QWheelEvent&>(*event));
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace spoolar
