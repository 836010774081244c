#include "app/ui/Spoolar_coda.h"

#include "tools/ui/FormLayout.h"

#include <algorithm>

#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>

namespace spoolar {

namespace {
constexpr int kClientWidth = 510;
constexpr int kClientHeight = 274;
constexpr int kPanelWidth = 85;
constexpr int kItemHeight = 18;

// Items of a fixed height, as the list box of the form has.
class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    FixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), m_height(height)
    {
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }
    void setHeight(int height) { m_height = height; }

private:
    int m_height;
};
} // namespace

TFRM_Coda::TFRM_Coda(const PathMapper& paths, SpoolQueue::JobInProgress jobInProgress,
                     QWidget* parent)
    : QDialog(parent), m_queue(paths, std::move(jobInProgress))
{
    setObjectName(QStringLiteral("FRM_Coda"));
    setWindowTitle(QStringLiteral("Visualizza coda di stampa Spoolar"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    LBX_Coda = new QListWidget(this);
    LBX_Coda->setObjectName(QStringLiteral("LBX_Coda"));
    LBX_Coda->setGeometry(0, 0, kClientWidth - kPanelWidth, kClientHeight);
    LBX_Coda->setFont(pixelFont(QStringLiteral("Consolas"), 15));
    LBX_Coda->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LBX_Coda->setUniformItemSizes(true);
    LBX_Coda->setItemDelegate(new FixedHeightDelegate(kItemHeight, LBX_Coda));

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(kClientWidth - kPanelWidth, 0, kPanelWidth, kClientHeight);

    const auto button = [this](const char* name, const QString& caption, int top) {
        auto* b = new QPushButton(caption, Panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(5, top, 75, 25);
        b->setFont(pixelFont(QStringLiteral("Verdana"), 13));
        b->setAutoDefault(false);
        return b;
    };
    BTN_Elimina = button("BTN_Elimina", QStringLiteral("&Elimina"), 8);
    BTN_Azzera = button("BTN_Azzera", QStringLiteral("&Azzera"), 38);
    BTN_Chiudi = button("BTN_Chiudi", QStringLiteral("&Chiudi"), 68);
    BTN_Elimina->setEnabled(false);
    BTN_Azzera->setEnabled(false);

    TMR_Coda = new QTimer(this);
    TMR_Coda->setObjectName(QStringLiteral("TMR_Coda"));
    TMR_Coda->setInterval(1000);

    connect(TMR_Coda, &QTimer::timeout, this, &TFRM_Coda::TMR_CodaTimer);
    connect(LBX_Coda, &QListWidget::itemSelectionChanged, this, &TFRM_Coda::LBX_CodaClick);
    connect(BTN_Elimina, &QPushButton::clicked, this, &TFRM_Coda::BTN_EliminaClick);
    connect(BTN_Azzera, &QPushButton::clicked, this, &TFRM_Coda::BTN_AzzeraClick);
    connect(BTN_Chiudi, &QPushButton::clicked, this, &TFRM_Coda::BTN_ChiudiClick);

    TMR_Coda->start();
}

TFRM_Coda::~TFRM_Coda() = default;

void TFRM_Coda::ShowModal()
{
    if (!isVisible())
        exec();
}

void TFRM_Coda::ScaleForm(double factor)
{
    scaleWindow(*this, factor);
    if (auto* delegate = dynamic_cast<FixedHeightDelegate*>(LBX_Coda->itemDelegate()))
        delegate->setHeight(qRound(kItemHeight * std::max(1.0, factor)));
}

void TFRM_Coda::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnDesktop(*this);
}

void TFRM_Coda::TMR_CodaTimer()
{
    TMR_Coda->stop();
    std::vector<QueueEntry> entries = m_queue.waitingJobs();
    if (entries != m_entries) {
        m_entries = std::move(entries);
        {
            const QSignalBlocker block(LBX_Coda);
            LBX_Coda->clear();
            for (const QueueEntry& entry : m_entries) {
                auto* item = new QListWidgetItem(QString::fromStdString(entry.text), LBX_Coda);
                item->setSelected(m_selected.contains(item->text()));
            }
        }
        updateSelectionState();
    }
    TMR_Coda->start();
}

void TFRM_Coda::LBX_CodaClick()
{
    updateSelectionState();
}

void TFRM_Coda::updateSelectionState()
{
    m_selected.clear();
    for (int i = 0; i < LBX_Coda->count(); ++i) {
        if (LBX_Coda->item(i)->isSelected())
            m_selected.append(LBX_Coda->item(i)->text());
    }
    BTN_Elimina->setEnabled(!m_selected.isEmpty());
    BTN_Azzera->setEnabled(LBX_Coda->count() > 0);
}

void TFRM_Coda::BTN_EliminaClick()
{
    TMR_Coda->stop();
    std::vector<QueueEntry> jobs;
    for (int i = 0; i < LBX_Coda->count() && i < static_cast<int>(m_entries.size()); ++i) {
        if (LBX_Coda->item(i)->isSelected())
            jobs.push_back(m_entries[static_cast<std::size_t>(i)]);
    }
    m_queue.removeJobs(jobs);
    // The list itself changes at the next refresh.
    TMR_Coda->start();
}

void TFRM_Coda::BTN_AzzeraClick()
{
    LBX_Coda->selectAll();
    BTN_EliminaClick();
}

void TFRM_Coda::BTN_ChiudiClick()
{
    close();
}

} // namespace spoolar
