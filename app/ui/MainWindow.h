#pragma once
#include "app/DispatchView.h"
#include "app/JobDispatcher.h"
#include "app/PrinterTable.h"
#include "app/Settings.h"

#include <QWidget>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class QTimer;

namespace spoolar {

class JobDispatcher;
class PrinterGrid;
class PrinterNameDialog;

// The tool windows the main window and the tray open.
enum class ToolWindow
{
    Chart,
    Coda,
    Colors,
    FaxCover,
    FileLst,
    FileSet,
    Header,
};

// What the main window asks of the program around it; every call is made on the UI thread.
struct MainWindowActions
{
    // Builds the printer table from the spooler and writes PRINTERS.LST with the font of the
    // CBX_Font item (the wait cursor is shown meanwhile).
    std::function<PrinterTable::Build(int fontIndex)> rebuildPrinterTable;
    // Gives a printer its user name (UTF-8); true when done.
    std::function<bool(const QString& printer, const QString& userName)> namePrinter;
    // Shows recorded pages in the preview; true when they were printed.
    std::function<bool(TPageList& pages, const PreviewPage& page)> showPreview;
    // The window's part of the end: saves and leaves the event loop; a restart starts the
    // program anew once the loop is left.
    std::function<void(bool restart)> quit;
};

// TFRM_Spoolar: the printer table, the state of the job in progress, the PDF group, the
// button panel with the options, and the tray icon with its menu. It only shows and forwards:
// jobs are the dispatcher's, printers and files the actions'. As the dispatch's view it shows
// the status texts, tray images and preview the dispatcher asks for.
class MainWindow : public QWidget, public IDispatchView
{
    Q_OBJECT
public:
    MainWindow(ProgramSettings& settings, IPrompts& prompts, MainWindowActions actions,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The dispatcher this window forwards to (created after the window, as it needs the view).
    void attach(JobDispatcher& dispatcher);
    // Registers how a tool window is opened (modally, only when not visible).
    void setToolWindow(ToolWindow window, std::function<void()> open);

    // Start-up: the options from the settings, the printer rows, the caption's version and
    // whether a PDF reader was found.
    void showSettings();
    void showPrinterRows(const std::vector<PrinterRow>& rows);
    void setProductVersion(const QString& version);
    void setReaderFound(bool found);

    // The tray icon; where the desktop has no notification area it is tried again every
    // 100 ms for a few seconds, and then the window is shown instead.
    void showTrayIcon();
    bool trayIconVisible() const;

    // The commands of the panel and the tray.
    void showWindow();
    void toggleWindow();
    void loadPrinters();      // "Carica Stampanti" / "&Stampanti"
    void restartProgram();    // "&Riavvia" / "Riavvia programma"
    void terminateProgram();  // "Termina programma": asks first
    void openTool(ToolWindow window);
    void namePrinterOfRow(int row);

    // IDispatchView
    void showTrayImage(TrayImage image) override;
    void setButtonPanelEnabled(bool enabled) override;
    void showPrinterLabel(std::string_view printer) override;
    void showJobLabels(const JobLabels& labels) override;
    void showJobCaption(std::string_view caption) override;
    void showPdfStatus(PdfStatus status) override;
    void setUnlockEnabled(bool enabled) override;
    void optionsChanged(const ProgramSettings& settings) override;
    void processPendingMessages() override;
    bool showPreview(TPageList& pages, const PreviewPage& page) override;
    void raiseCallerWindow(std::uint64_t handle) override;
    void endProgram(ProgramEnd how) override;
    void log(std::string_view line) override;

    // For tests and the tray menu.
    PrinterGrid* printerGrid() const { return m_grid; }
    QCheckBox* optionBox(PreviewOption option) const;
    QAction* trayItem(PreviewOption option) const;
    QMenu* trayMenu() const { return m_trayMenu; }
    QLabel* label(const char* name) const;
    QGroupBox* jobGroup() const { return m_jobGroup; }
    QWidget* buttonPanel() const { return m_panel; }
    QPushButton* unlockButton() const { return m_unlock; }
    PrinterNameDialog* nameDialog() const { return m_nameDialog; }
    QComboBox* pdfTypeBox() const { return m_pdfType; }
    QComboBox* fontBox() const { return m_font; }
    QSystemTrayIcon* trayIcon() const { return m_tray.get(); }
    const QString& lastLogLine() const { return m_lastLog; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void buildTrayMenu();
    void optionClicked(PreviewOption option, bool on);
    void fontChosen(int index);
    void placeBottomRight();
    void finish(bool restart);

    ProgramSettings& m_settings;
    IPrompts& m_prompts;
    MainWindowActions m_actions;
    JobDispatcher* m_dispatcher = nullptr;
    std::map<ToolWindow, std::function<void()>> m_tools;
    bool m_settingsShown = false;
    bool m_activatedOnce = false;
    bool m_ending = false;
    QString m_caption;
    QString m_lastLog;

    PrinterGrid* m_grid = nullptr;
    PrinterNameDialog* m_nameDialog = nullptr;
    QGroupBox* m_jobGroup = nullptr;
    std::map<std::string, QLabel*> m_labels;
    QPushButton* m_unlock = nullptr;
    QComboBox* m_pdfType = nullptr;
    QWidget* m_panel = nullptr;
    QComboBox* m_font = nullptr;
    QCheckBox* m_debug = nullptr;
    std::map<PreviewOption, QCheckBox*> m_options;
    std::map<PreviewOption, QAction*> m_trayItems;
    QLabel* m_readerLed = nullptr;
    QMenu* m_trayMenu = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    QTimer* m_trayRetry = nullptr;
    int m_trayAttempts = 0;
};

// The main window's caption: "Conversione stampe in formato Windows (Ver. X)".
QString mainWindowCaption(const QString& productVersion);

} // namespace spoolar
