#include "app/ui/MainWindow.h"

#include "app/JobDispatcher.h"
#include "app/ui/PrinterGrid.h"
#include "app/ui/PrinterNameDialog.h"
#include "app/ui/TrayImages.h"
#include "platform/CodePage.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>

namespace spoolar {

namespace {

constexpr const char* kBaseCaption = "Conversione stampe in formato Windows";
constexpr int kTrayRetryMs = 100;
// How long a desktop without notification area is given before the window is shown instead.
constexpr int kTrayAttempts = 50;

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void styleGroup(QGroupBox* group)
{
    group->setStyleSheet("QGroupBox { color: cyan; font-family: Verdana; font-size: 13px; }");
}

QLabel* fieldLabel(const QString& text, QWidget* parent, int x, int y, int w)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, 20);
    label->setStyleSheet("color: grey; font-family: Verdana; font-size: 12px; font-style: italic;");
    return label;
}

QLabel* valueLabel(QWidget* parent, int x, int y, int w, bool framed)
{
    auto* label = new QLabel(parent);
    label->setGeometry(x, y, w, 20);
    label->setStyleSheet(framed ? "color: white; border: 1px solid grey; padding-left: 2px;"
                                : "color: white;");
    return label;
}

QPushButton* panelButton(const QString& text, const QString& hint, QWidget* parent, int y)
{
    auto* button = new QPushButton(text, parent);
    button->setGeometry(5, y, 116, 25);
    button->setToolTip(hint);
    return button;
}

QCheckBox* optionCheckBox(const QString& text, const QString& hint, QWidget* parent, int x, int y)
{
    auto* box = new QCheckBox(text, parent);
    box->setGeometry(x, y, 107, 17);
    box->setToolTip(hint);
    box->setStyleSheet("color: grey; font-style: italic;");
    return box;
}

} // namespace

QString mainWindowCaption(const QString& productVersion)
{
    return QString(kBaseCaption) + " (Ver. " + productVersion + ")";
}

MainWindow::MainWindow(ProgramSettings& settings, IPrompts& prompts, MainWindowActions actions,
                       QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowCloseButtonHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_settings(settings), m_prompts(prompts), m_actions(std::move(actions)),
      m_caption(kBaseCaption)
{
    setWindowTitle(m_caption);
    setWindowIcon(programIcon());
    setFixedSize(860, 493);
    buildControls();
    buildTrayMenu();
    m_nameDialog = new PrinterNameDialog(this);
    m_nameDialog->setNamingFunction([this](const QString& printer, const QString& userName) {
        if (!m_actions.namePrinter || !m_actions.namePrinter(printer, userName))
            return false;
        if (m_actions.rebuildPrinterTable)
            m_grid->setRows(m_actions.rebuildPrinterTable(m_font->currentIndex()).rows);
        return true;
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    m_grid = new PrinterGrid(this);
    m_grid->setGeometry(8, 8, 714, 316);
    connect(m_grid, &PrinterGrid::namingRequested, this, &MainWindow::namePrinterOfRow);

    m_jobGroup = new QGroupBox(" Stampa in corso ", this);
    m_jobGroup->setGeometry(8, 329, 714, 104);
    styleGroup(m_jobGroup);
    fieldLabel("Stampante", m_jobGroup, 8, 22, 80);
    fieldLabel("File di spool", m_jobGroup, 8, 48, 80);
    fieldLabel("Tipo output", m_jobGroup, 8, 74, 80);
    fieldLabel("Orientamento", m_jobGroup, 262, 74, 86);
    fieldLabel("Numero copie", m_jobGroup, 510, 74, 90);
    m_labels["LBL_Stampante"] = valueLabel(m_jobGroup, 89, 22, 616, true);
    m_labels["LBL_FileSpool"] = valueLabel(m_jobGroup, 89, 48, 616, true);
    m_labels["LBL_TipoOutput"] = valueLabel(m_jobGroup, 89, 74, 102, false);
    m_labels["LBL_Orientamento"] = valueLabel(m_jobGroup, 350, 74, 102, false);
    m_labels["LBL_NumeroCopie"] = valueLabel(m_jobGroup, 603, 74, 102, false);

    auto* pdfGroup = new QGroupBox(" Stampe automatiche in PDF ", this);
    pdfGroup->setGeometry(8, 439, 714, 46);
    styleGroup(pdfGroup);
    fieldLabel("Progresso", pdfGroup, 8, 17, 80);
    m_labels["LBL_PdfStatus"] = valueLabel(pdfGroup, 89, 19, 416, false);
    m_labels["LBL_PdfStatus"]->setFixedHeight(16);
    m_unlock = new QPushButton("S&blocca", pdfGroup);
    m_unlock->setGeometry(514, 15, 83, 25);
    m_unlock->setEnabled(false);
    m_unlock->setToolTip(
        "Interrompe arbitrariamente attesa termine elaborazione del documento PDF");
    connect(m_unlock, &QPushButton::clicked, this, [this] {
        if (m_dispatcher)
            m_dispatcher->unlockPdfHold();
    });
    m_pdfType = new QComboBox(pdfGroup);
    m_pdfType->setGeometry(603, 15, 102, 24);
    m_pdfType->addItems({"PDF", "PDF/A-1a", "PDF/A-1b"});
    // Taken at once by the next job, saved with the next save.
    connect(m_pdfType, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_settings.pdfType = index; });

    m_panel = new QWidget(this);
    m_panel->setGeometry(width() - 126, 0, 126, height());
    auto* printers = panelButton("&Stampanti",
                                 "Generazione elenco delle stampanti disponibili ed utilizzabili "
                                 "con Spoolar",
                                 m_panel, 8);
    connect(printers, &QPushButton::clicked, this, &MainWindow::loadPrinters);
    auto* colours = panelButton(
        "&Colori", "Utilità per definire un codice colore da utilizzare con Spoolar", m_panel, 38);
    connect(colours, &QPushButton::clicked, this, [this] { openTool(ToolWindow::Colors); });
    auto* fonts = panelButton("&Fonts", "Utilità per verificare i tipi di font installati",
                              m_panel, 68);
    connect(fonts, &QPushButton::clicked, this, [this] {
        bool ok = false;
        QFontDialog::getFont(&ok, QFont("Courier New", 10), this, "Fonts",
                             QFontDialog::ScalableFonts);
    });
    auto* header = panelButton("&Header",
                               "Impostazione dell'intestazione automatica di DdT e Fatture con il "
                               "logo aziendale",
                               m_panel, 98);
    connect(header, &QPushButton::clicked, this, [this] { openTool(ToolWindow::Header); });
    auto* restart = panelButton("&Riavvia", "Riavvio di emergenza di Spoolar", m_panel, 128);
    connect(restart, &QPushButton::clicked, this, &MainWindow::restartProgram);
    // Shown: without them the fax cover designer could not be reached at all.
    auto* faxCover = panelButton("Fa&x Cover", "Impostazione della copertina Fax", m_panel, 158);
    connect(faxCover, &QPushButton::clicked, this, [this] { openTool(ToolWindow::FaxCover); });
    auto* charts = panelButton(
        "Set &grafici", "Impostazioni per la visualizzazione e stampa dei grafici", m_panel, 188);
    connect(charts, &QPushButton::clicked, this, [this] { openTool(ToolWindow::Chart); });
    m_debug = optionCheckBox("Debug graph", "", m_panel, 10, 217);
    connect(m_debug, &QCheckBox::toggled, this, [this](bool on) {
        if (m_dispatcher)
            m_dispatcher->setDebugMap(on);
    });
    auto* queue = panelButton(
        "View C&oda",
        "Visualizzazione lavori in coda ancora da eleborare ed inviare alla stampante", m_panel,
        239);
    connect(queue, &QPushButton::clicked, this, [this] { openTool(ToolWindow::Coda); });
    auto* fileLst = panelButton("View .&lst",
                                "Visualizzazione parametri stampanti calcolati da Spoolar",
                                m_panel, 269);
    connect(fileLst, &QPushButton::clicked, this, [this] { openTool(ToolWindow::FileLst); });
    auto* fileSet = panelButton("View .s&et", "Visualizzazione impostazioni singole stampe",
                                m_panel, 299);
    connect(fileSet, &QPushButton::clicked, this, [this] { openTool(ToolWindow::FileSet); });

    fieldLabel("Scelta Font", m_panel, 8, 329, 100);
    m_font = new QComboBox(m_panel);
    m_font->setGeometry(5, 349, 116, 24);
    m_font->addItems({"Bitstream", "Consolas", "Courier New"});
    m_font->setToolTip("Scelta del font da utilizzare per le stampe");
    connect(m_font, &QComboBox::activated, this, &MainWindow::fontChosen);

    m_options[PreviewOption::Collate] = optionCheckBox(
        "Fascicola", "Attiva/Disattiva fascicolazione dei documenti", m_panel, 10, 383);
    auto* preview = new QGroupBox(" Preview ", m_panel);
    preview->setGeometry(5, 405, 116, 77);
    styleGroup(preview);
    m_options[PreviewOption::PreviewChart] = optionCheckBox(
        "G&rafici", "Attiva/Disattiva preview dei grafici prima dell'invio alla stampante",
        preview, 5, 15);
    m_options[PreviewOption::PreviewPrints] = optionCheckBox(
        "S&tampe", "Attiva/Disattiva preview delle stampe prima dell'invio alla stampante",
        preview, 5, 34);
    m_options[PreviewOption::PreviewPdf] = optionCheckBox(
        "PDF",
        "Attiva/Disattiva preview delle stampe in formato PDF prima dell'invio al file di "
        "destinazione",
        preview, 5, 54);
    m_options[PreviewOption::PreviewPdf]->setFixedWidth(60);
    m_readerLed = new QLabel(preview);
    m_readerLed->setGeometry(90, 56, 12, 12);
    m_readerLed->setToolTip("Lettore PDF");
    setReaderFound(false);
    for (auto& [option, box] : m_options) {
        connect(box, &QCheckBox::clicked, this,
                [this, which = option](bool on) { optionClicked(which, on); });
    }
}

void MainWindow::buildTrayMenu()
{
    m_trayMenu = new QMenu(this);
    auto add = [this](const QString& text, auto handler) {
        QAction* action = m_trayMenu->addAction(text);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    add("Visualizza", [this] { showWindow(); });
    add("Nascondi", [this] { hide(); });
    m_trayMenu->addSeparator();
    add("Carica Stampanti", [this] { loadPrinters(); });
    add("Impostazione Grafici", [this] { openTool(ToolWindow::Chart); });
    add("Impostazione Fax Cover", [this] { openTool(ToolWindow::FaxCover); });
    add("Impostazione Intestazione", [this] { openTool(ToolWindow::Header); });
    m_trayMenu->addSeparator();
    add("Riavvia programma", [this] { restartProgram(); });
    m_trayMenu->addSeparator();
    add("Visualizza codici Colori", [this] { openTool(ToolWindow::Colors); });
    add("Visualizza Fonts", [this] {
        bool ok = false;
        QFontDialog::getFont(&ok, QFont("Courier New", 10), this, "Fonts",
                             QFontDialog::ScalableFonts);
    });
    add("Visualizza Coda", [this] { openTool(ToolWindow::Coda); });
    add("Visualizza file .lst", [this] { openTool(ToolWindow::FileLst); });
    add("Visualizza file .set", [this] { openTool(ToolWindow::FileSet); });
    m_trayMenu->addSeparator();
    const std::pair<PreviewOption, const char*> checks[] = {
        {PreviewOption::Collate, "Fascicola copie"},
        {PreviewOption::PreviewChart, "Preview Grafici"},
        {PreviewOption::PreviewPrints, "Preview Stampe"},
        {PreviewOption::PreviewPdf, "Preview PDF"},
    };
    for (const auto& [option, text] : checks) {
        QAction* item = m_trayMenu->addAction(text);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this,
                [this, which = option](bool on) { optionClicked(which, on); });
        m_trayItems[option] = item;
    }
    m_trayMenu->addSeparator();
    add("Termina programma", [this] { terminateProgram(); });
}

void MainWindow::attach(JobDispatcher& dispatcher)
{
    m_dispatcher = &dispatcher;
}

void MainWindow::setToolWindow(ToolWindow window, std::function<void()> open)
{
    m_tools[window] = std::move(open);
}

void MainWindow::showSettings()
{
    m_settingsShown = true;
    optionsChanged(m_settings);
    m_font->setCurrentIndex(std::clamp(m_settings.fontIndex, 0, 2));
    QFont font = m_font->font();
    font.setFamily(m_font->currentText());
    m_font->setFont(font);
    m_pdfType->setCurrentIndex(std::clamp(m_settings.pdfType, 0, 2));
}

void MainWindow::showPrinterRows(const std::vector<PrinterRow>& rows)
{
    m_grid->setRows(rows);
}

void MainWindow::setProductVersion(const QString& version)
{
    m_caption = mainWindowCaption(version);
    setWindowTitle(m_caption);
    if (m_tray)
        m_tray->setToolTip(m_caption);
}

void MainWindow::setReaderFound(bool found)
{
    m_readerLed->setStyleSheet(found ? "background: rgb(0,220,0); border-radius: 6px;"
                                     : "background: rgb(40,70,40); border-radius: 6px;");
}

void MainWindow::showTrayIcon()
{
    if (!m_tray) {
        m_tray = std::make_unique<QSystemTrayIcon>(trayImage(TrayImage::Idle0));
        m_tray->setContextMenu(m_trayMenu);
        m_tray->setToolTip(m_caption);
        connect(m_tray.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        toggleWindow();
                });
    }
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray->show();
        return;
    }
    // Right after logon the notification area may not be there yet.
    if (!m_trayRetry) {
        m_trayRetry = new QTimer(this);
        m_trayRetry->setInterval(kTrayRetryMs);
        connect(m_trayRetry, &QTimer::timeout, this, [this] {
            if (QSystemTrayIcon::isSystemTrayAvailable()) {
                m_trayRetry->stop();
                m_tray->show();
            } else if (++m_trayAttempts >= kTrayAttempts) {
                // No notification area on this desktop: the program must not run unseen.
                m_trayRetry->stop();
                showWindow();
            }
        });
    }
    m_trayRetry->start();
}

bool MainWindow::trayIconVisible() const
{
    return m_tray && m_tray->isVisible();
}

void MainWindow::showWindow()
{
    show();
    placeBottomRight();
    raise();
    activateWindow();
}

void MainWindow::toggleWindow()
{
    if (isVisible())
        hide();
    else
        showWindow();
}

void MainWindow::placeBottomRight()
{
    const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();
    move(area.right() + 1 - frame.width(), area.bottom() + 1 - frame.height());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_activatedOnce) {
        m_activatedOnce = true;
        m_grid->widenAddressColumn();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The close box hides the window; the program goes on in the tray.
    if (!m_ending && isVisible()) {
        event->ignore();
        hide();
        return;
    }
    event->accept();
}

void MainWindow::openTool(ToolWindow window)
{
    const auto found = m_tools.find(window);
    if (found != m_tools.end() && found->second)
        found->second();
}

void MainWindow::loadPrinters()
{
    if (!m_actions.rebuildPrinterTable)
        return;
    const PrinterTable::Build table = m_actions.rebuildPrinterTable(m_font->currentIndex());
    m_grid->setRows(table.rows);
    std::string message = "Creato file C:\\SPOOL\\PRINTERS.LST.";
    if (!table.allNamed)
        message += "\nManca la descrizione Utente di almeno una stampante!";
    m_prompts.show(PromptKind::Information, PromptButtons::Ok, message);
}

void MainWindow::fontChosen(int index)
{
    QFont font = m_font->font();
    font.setFamily(m_font->itemText(index));
    m_font->setFont(font);
    m_settings.fontIndex = index;
    if (m_actions.rebuildPrinterTable)
        m_grid->setRows(m_actions.rebuildPrinterTable(index).rows);
    if (m_dispatcher)
        m_dispatcher->saveSettings();
}

void MainWindow::namePrinterOfRow(int row)
{
    const auto printer = m_grid->printerOfRow(row);
    if (!printer)
        return;
    m_nameDialog->ask(QString::fromStdString(ansiToUtf8(*printer)));
}

void MainWindow::optionClicked(PreviewOption option, bool on)
{
    if (m_dispatcher)
        m_dispatcher->setOption(option, on);
    else
        optionsChanged(m_settings);
}

QCheckBox* MainWindow::optionBox(PreviewOption option) const
{
    return m_options.at(option);
}

QAction* MainWindow::trayItem(PreviewOption option) const
{
    return m_trayItems.at(option);
}

QLabel* MainWindow::label(const char* name) const
{
    const auto found = m_labels.find(name);
    return found == m_labels.end() ? nullptr : found->second;
}

void MainWindow::restartProgram()
{
    finish(true);
}

void MainWindow::terminateProgram()
{
    if (m_dispatcher)
        m_dispatcher->suspendPolling();
    if (m_prompts.show(PromptKind::Confirmation, PromptButtons::OkCancel,
                       "Il programma sarà terminato. Confermi chiusura?") != PromptAnswer::Ok) {
        if (m_dispatcher)
            m_dispatcher->resumePolling();
        return;
    }
    finish(false);
}

void MainWindow::finish(bool restart)
{
    if (m_ending)
        return;
    m_ending = true;
    if (m_dispatcher)
        m_dispatcher->stop();
    if (m_trayRetry)
        m_trayRetry->stop();
    if (m_tray)
        m_tray->hide();
    if (isVisible())
        hide();
    if (m_actions.quit)
        m_actions.quit(restart);
}

// IDispatchView

void MainWindow::showTrayImage(TrayImage image)
{
    if (m_tray)
        m_tray->setIcon(trayImage(image));
}

void MainWindow::setButtonPanelEnabled(bool enabled)
{
    m_panel->setEnabled(enabled);
}

void MainWindow::showPrinterLabel(std::string_view printer)
{
    m_labels["LBL_Stampante"]->setText(fromUtf8(printer));
}

void MainWindow::showJobLabels(const JobLabels& labels)
{
    m_labels["LBL_FileSpool"]->setText(QString::fromStdString(labels.dataFile));
    m_labels["LBL_TipoOutput"]->setText(QString::fromStdString(labels.outputKind));
    m_labels["LBL_Orientamento"]->setText(QString::fromStdString(labels.orientation));
    m_labels["LBL_NumeroCopie"]->setText(QString::fromStdString(labels.copies));
}

void MainWindow::showJobCaption(std::string_view caption)
{
    m_jobGroup->setTitle(fromUtf8(caption));
}

void MainWindow::showPdfStatus(PdfStatus status)
{
    QLabel* label = m_labels["LBL_PdfStatus"];
    label->setText(fromUtf8(pdfStatusText(status)));
    label->setStyleSheet(status == PdfStatus::Waiting ? "color: red;" : "color: white;");
}

void MainWindow::setUnlockEnabled(bool enabled)
{
    m_unlock->setEnabled(enabled);
}

void MainWindow::optionsChanged(const ProgramSettings& settings)
{
    const std::pair<PreviewOption, bool> states[] = {
        {PreviewOption::Collate, settings.fascicola},
        {PreviewOption::PreviewChart, settings.previewChart},
        {PreviewOption::PreviewPrints, settings.previewGraphic},
        {PreviewOption::PreviewPdf, settings.previewPdf},
    };
    for (const auto& [option, on] : states) {
        m_options[option]->setChecked(on);
        m_trayItems[option]->setChecked(on);
    }
}

void MainWindow::processPendingMessages()
{
    QApplication::processEvents();
}

bool MainWindow::showPreview(TPageList& pages, const PreviewPage& page)
{
    return m_actions.showPreview ? m_actions.showPreview(pages, page) : false;
}

void MainWindow::raiseCallerWindow(std::uint64_t)
{
    // Windows of other programs cannot be raised from here on X11 and Wayland alike; the
    // caller's window manager brings it back when the preview closes.
}

void MainWindow::endProgram(ProgramEnd how)
{
    finish(how == ProgramEnd::Restart);
}

void MainWindow::log(std::string_view line)
{
    m_lastLog = fromUtf8(line);
    std::fprintf(stderr, "spoolar: %s\n", std::string(line).c_str());
}

} // namespace spoolar
