#pragma once
#include "engine/PrnDos.h"

#include <QDialog>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QWheelEvent;

namespace spoolar {

class IPrompts;
class PrinterObject;
class TQvorPaintBox;

// The preview: the recorded pages of a printer job, one at a time in three zoom steps (whole
// page, page width, actual size), printed page by page or all together on the program's
// printer. Created once and reused; the pages it is given are released when it closes.
class TFRM_Preview : public QDialog
{
    Q_OBJECT

public:
    enum Zoom
    {
        WholePage = 1,
        PageWidth = 2,
        ActualSize = 3
    };

    // Both are kept by reference: the program-wide printer (the job's printer is selected on
    // it) and the dialogs for printer errors.
    TFRM_Preview(PrinterObject& printers, IPrompts& prompts, QWidget* parent = nullptr);
    ~TFRM_Preview() override;

    // Shows the pages modally (page size in printer dots) and returns whether something was
    // printed (FPrinted). The pages are released when the window closes. Does nothing and
    // returns false while the window is already showing.
    bool showPages(TPageList& pages, int pageWidth, int pageHeight, const QString& printerName);
    // What showPages sets before showing the window (FPages, FPageWidth, FPageHeight and the
    // printer name), for a caller that shows it in its own way.
    void setPages(TPageList& pages, int pageWidth, int pageHeight, const QString& printerName);
    // "Stampa tutto" without showing the window: every page as one printer document, then the
    // pages are released. Returns FPrinted; printer errors are thrown (PrinterError).
    bool printAllPages(TPageList& pages);

    // EDT_Stampante.
    void setPrinterName(const QString& name);
    // "Impostazione grafici" and "Visualizza coda": the windows they open (modally, when not
    // showing yet).
    void setChartSettingsOpener(std::function<void()> open)
    {
        m_openChartSettings = std::move(open);
    }
    void setQueueOpener(std::function<void()> open) { m_openQueue = std::move(open); }
    // Grows the window's controls by `factor` (screens wider than 1920 pixels).
    void ScaleForm(double factor);

    int currentPage() const { return FCurrent; }
    int pageCount() const { return FCount; }
    int zoom() const { return FZoom; }
    bool printed() const { return FPrinted; }

    void FormShow();
    void FormClose();
    void PrimaPaginaExecute();
    void UltimaPaginaExecute();
    void PaginaPrecedenteExecute();
    void PaginaSuccessivaExecute();
    void StampaPaginaExecute();
    void StampaTuttoExecute();
    void EsciExecute();
    void BTN_SetGraficiClick();
    void BTN_CodaClick();
    void ScrollBoxMouseDown();
    // True: the wheel event is always handled by the scroll box.
    bool ScrollBoxMouseWheel(const QWheelEvent& event);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOutPage();
    void refreshPage();
    void paintPage(QPainter& painter);
    void print(int first, int last);
    void printFromWindow(int first, int last, bool closeAfterwards);
    void releasePages();
    double pageRatio() const;
    QAction* addAction(const char* name, const QString& caption, const QKeySequence& shortcut,
                       const QString& hint, void (TFRM_Preview::*handler)());

    PrinterObject& m_printers;
    IPrompts& m_prompts;
    std::function<void()> m_openChartSettings;
    std::function<void()> m_openQueue;

    TPageList* FPages = nullptr;
    int FPageWidth = 0;
    int FPageHeight = 0;
    int FCurrent = 1;
    int FCount = 0;
    int FZoom = WholePage;
    bool FPrinted = false;

    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EDT_NumPage = nullptr;
    QLineEdit* EDT_Stampante = nullptr;
    QPushButton* BTN_Prima = nullptr;
    QPushButton* BTN_Precedente = nullptr;
    QPushButton* BTN_Successiva = nullptr;
    QPushButton* BTN_Ultima = nullptr;
    QPushButton* BTN_PrintPagina = nullptr;
    QPushButton* BTN_PrintAll = nullptr;
    QPushButton* BTN_SetGrafici = nullptr;
    QPushButton* BTN_Coda = nullptr;
    QScrollArea* ScrollBox = nullptr;
    TQvorPaintBox* PaintBox = nullptr;
    QAction* Esci = nullptr;
};

} // namespace spoolar
