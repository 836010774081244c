#pragma once
#include "app/SpoolQueue.h"

#include <QDialog>
#include <QStringList>

#include <vector>

class QListWidget;
class QPushButton;
class QTimer;
class QWidget;

namespace spoolar {

class PathMapper;

// The queue view: the jobs that wait in C:\SPOOL, refreshed every second whether it is shown
// or not, with "&Elimina" (the selected jobs) and "&Azzera" (all of them). The job the
// dispatch is processing is never listed nor deleted. Created once, shown modally.
class TFRM_Coda : public QDialog
{
    Q_OBJECT

public:
    // `paths` is kept by reference; `jobInProgress` gives the settings path of the job being
    // processed (JobDispatcher::jobInProgress()), empty when there is none.
    TFRM_Coda(const PathMapper& paths, SpoolQueue::JobInProgress jobInProgress,
              QWidget* parent = nullptr);
    ~TFRM_Coda() override;

    // Shows the window modally unless it is already showing.
    void ShowModal();
    // Grows the window by `factor` (screens wider than 1920 pixels).
    void ScaleForm(double factor);

    void TMR_CodaTimer();
    void LBX_CodaClick();
    void BTN_EliminaClick();
    void BTN_AzzeraClick();
    void BTN_ChiudiClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updateSelectionState();

    SpoolQueue m_queue;
    std::vector<QueueEntry> m_entries; // the items of LBX_Coda, in their order
    QStringList m_selected;            // the selected entries; survives refreshes

    QListWidget* LBX_Coda = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* BTN_Elimina = nullptr;
    QPushButton* BTN_Azzera = nullptr;
    QPushButton* BTN_Chiudi = nullptr;
    QTimer* TMR_Coda = nullptr;
};

} // namespace spoolar
