#include "charts/ui/Spoolar_chart.h"

#include "charts/ChartSettingsFile.h"
#include "charts/ui/UpDown.h"
#include "platform/IniFile.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "ui_Spoolar_chart.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <optional>

namespace spoolar {

namespace {
QFont verdana(int pixels, bool italic = false)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(pixels);
    font.setItalic(italic);
    return font;
}

// Scales a form laid out for a 1920-pixel screen: every child's place and size and every font.
void scaleForm(QWidget& form, double factor)
{
    form.setFixedSize(qRound(form.width() * factor), qRound(form.height() * factor));
    for (QWidget* child : form.findChildren<QWidget*>()) {
        const QRect g = child->geometry();
        child->setGeometry(qRound(g.x() * factor), qRound(g.y() * factor),
                           qRound(g.width() * factor), qRound(g.height() * factor));
        QFont font = child->font();
        if (font.pixelSize() > 0)
            font.setPixelSize(qRound(font.pixelSize() * factor));
        child->setFont(font);
    }
}
} // namespace

TFRM_Chart::TFRM_Chart(const PathMapper& paths, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFRM_Chart>()), m_paths(paths), m_prompts(prompts)
{
    m_ui->setupUi(this);
    Ui::TFRM_Chart& ui = *m_ui;
    m_variants = {{
        {ui.CKB_Bianconero, ui.CKB_Effetto3D, ui.CKB_VisualizzaSpessore, ui.EDT_Profondita,
         ui.UPD_Profondita, ui.UPD_FontFactor, ui.UPD_YAxisFactor, ui.UPD_MaxBarre, ui.UPD_BarWidth,
         ui.UPD_XLabelsSize, ui.UPD_YLabelsSize},
        {ui.CKB_BianconeroFax, ui.CKB_Effetto3DFax, ui.CKB_VisualizzaSpessoreFax,
         ui.EDT_ProfonditaFax, ui.UPD_ProfonditaFax, ui.UPD_FontFactorFax, ui.UPD_YAxisFactorFax,
         ui.UPD_MaxBarreFax, ui.UPD_BarWidthFax, ui.UPD_XLabelsSizeFax, ui.UPD_YLabelsSizeFax},
        {ui.CKB_BianconeroPDF, ui.CKB_Effetto3DPDF, ui.CKB_VisualizzaSpessorePDF,
         ui.EDT_ProfonditaPDF, ui.UPD_ProfonditaPDF, ui.UPD_FontFactorPDF, ui.UPD_YAxisFactorPDF,
         ui.UPD_MaxBarrePDF, ui.UPD_BarWidthPDF, ui.UPD_XLabelsSizePDF, ui.UPD_YLabelsSizePDF},
    }};

    // Fonts of the form: group boxes in aqua, italic labels and check boxes.
    for (QGroupBox* box : findChildren<QGroupBox*>())
        box->setFont(verdana(13));
    for (QWidget* w : findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) ||
            qobject_cast<QRadioButton*>(w))
            w->setFont(verdana(12, true));
        else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QPushButton*>(w))
            w->setFont(verdana(13));
    }
    setStyleSheet(QStringLiteral("QGroupBox::title { color: aqua; }"));
    setFixedSize(933, 459);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    auto* positions = new QButtonGroup(this);
    for (QRadioButton* item : positionItems())
        positions->addButton(item);
    ui.RDB_Destra->setChecked(true);

    const std::array<std::pair<QLineEdit*, TUpDown*>, 6> shared{{
        {ui.EDT_Alto, ui.UPD_Alto},
        {ui.EDT_Basso, ui.UPD_Basso},
        {ui.EDT_Destro, ui.UPD_Destro},
        {ui.EDT_Sinistro, ui.UPD_Sinistro},
        {ui.EDT_OffsetPosizione, ui.UPD_OffsetPosizione},
        {ui.EDT_BarraLegenda, ui.UPD_BarraLegenda},
    }};
    for (const auto& [edit, upDown] : shared)
        pairEditWithUpDown(edit, upDown);
    const std::array<const char*, 3> suffixes{"", "Fax", "PDF"};
    for (const char* suffix : suffixes) {
        for (const char* stem : {"Profondita", "FontFactor", "YAxisFactor", "MaxBarre", "BarWidth",
                                 "XLabelsSize", "YLabelsSize"}) {
            const QString name = QString::fromLatin1(stem) + QString::fromLatin1(suffix);
            pairEditWithUpDown(findChild<QLineEdit*>("EDT_" + name),
                               findChild<TUpDown*>("UPD_" + name));
        }
    }

    connect(ui.CKB_Effetto3D, &QCheckBox::clicked, this, &TFRM_Chart::CKB_Effetto3DClick);
    connect(ui.CKB_Effetto3DFax, &QCheckBox::clicked, this, &TFRM_Chart::CKB_Effetto3DFaxClick);
    connect(ui.CKB_Effetto3DPDF, &QCheckBox::clicked, this, &TFRM_Chart::CKB_Effetto3DPDFClick);
    connect(ui.CKB_LegendaVisibile, &QCheckBox::clicked, this,
            &TFRM_Chart::CKB_LegendaVisibileClick);
    connect(ui.BTN_Salva, &QPushButton::clicked, this, &TFRM_Chart::BTN_SalvaClick);
    connect(ui.BTN_Chiudi, &QPushButton::clicked, this, &TFRM_Chart::BTN_ChiudiClick);

    FormCreate();
}

TFRM_Chart::~TFRM_Chart() = default;

void TFRM_Chart::pairEditWithUpDown(QLineEdit* edit, TUpDown* upDown)
{
    edit->setText(QString::number(upDown->value()));
    connect(upDown, &QSpinBox::valueChanged, edit,
            [edit](int value) { edit->setText(QString::number(value)); });
}

std::array<QRadioButton*, 4> TFRM_Chart::positionItems() const
{
    return {m_ui->RDB_Alto, m_ui->RDB_Destra, m_ui->RDB_Basso, m_ui->RDB_Sinistra};
}

std::filesystem::path TFRM_Chart::chartIniPath() const
{
    return resolveCaseInsensitive(m_paths.programHome() / "Chart.ini");
}

void TFRM_Chart::ShowModal()
{
    if (!isVisible())
        exec();
}

void TFRM_Chart::FormCreate()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 0;
    if (screenWidth > 1920)
        scaleForm(*this, screenWidth / 1920.0);
}

void TFRM_Chart::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFRM_Chart::FormShow()
{
    const TIniFile ini(chartIniPath());
    const TChartWindowSettings s = TChartWindowSettings::read(ini);
    Ui::TFRM_Chart& ui = *m_ui;
    // An up-down keeps its range: a value outside it shows (and is saved) at the nearest limit.
    ui.UPD_Sinistro->setValue(s.marginLeft);
    ui.UPD_Basso->setValue(s.marginBottom);
    ui.UPD_Alto->setValue(s.marginTop);
    ui.UPD_Destro->setValue(s.marginRight);
    for (std::size_t v = 0; v < m_variants.size(); ++v) {
        const VariantControls& c = m_variants[v];
        const TChartVariantSettings& values = s.variants[v];
        c.blackWhite->setChecked(values.blackWhite);
        c.view3D->setChecked(values.view3D);
        c.walls->setChecked(values.view3DWalls);
        c.depth->setValue(values.chart3DPercent);
        c.maxBars->setValue(values.maxPoints);
        c.fontFactor->setValue(values.fontFactor);
        c.yAxisFactor->setValue(values.yAxisFactor);
        c.barWidth->setValue(values.barWidthPercent);
        c.xLabelsSize->setValue(values.xLabelsSize);
        c.yLabelsSize->setValue(values.yLabelsSize);
    }
    ui.CKB_LegendaVisibile->setChecked(s.legendVisible);
    ui.UPD_OffsetPosizione->setValue(s.legendTopPos);
    ui.UPD_BarraLegenda->setValue(s.legendColorWidth);
    if (const std::optional<int> item = legendPositionOf(s.legendAlignment))
        positionItems()[static_cast<std::size_t>(*item)]->setChecked(true);

    CKB_Effetto3DClick();
    CKB_Effetto3DFaxClick();
    CKB_Effetto3DPDFClick();
    CKB_LegendaVisibileClick();
}

// The walls check box and the depth box follow the 3D check box; the depth's arrows stay
// usable.
void TFRM_Chart::apply3D(const VariantControls& controls)
{
    const bool on = controls.view3D->isChecked();
    controls.walls->setEnabled(on);
    controls.depthEdit->setEnabled(on);
}

void TFRM_Chart::CKB_Effetto3DClick()
{
    apply3D(m_variants[0]);
}

void TFRM_Chart::CKB_Effetto3DFaxClick()
{
    apply3D(m_variants[1]);
}

void TFRM_Chart::CKB_Effetto3DPDFClick()
{
    apply3D(m_variants[2]);
}

void TFRM_Chart::CKB_LegendaVisibileClick()
{
    const bool on = m_ui->CKB_LegendaVisibile->isChecked();
    m_ui->RGP_Posizione->setEnabled(on);
    m_ui->EDT_BarraLegenda->setEnabled(on);
    m_ui->EDT_OffsetPosizione->setEnabled(on);
}

void TFRM_Chart::BTN_SalvaClick()
{
    const Ui::TFRM_Chart& ui = *m_ui;
    TChartWindowSettings s;
    s.marginLeft = ui.UPD_Sinistro->value();
    s.marginBottom = ui.UPD_Basso->value();
    s.marginTop = ui.UPD_Alto->value();
    s.marginRight = ui.UPD_Destro->value();
    for (std::size_t v = 0; v < m_variants.size(); ++v) {
        const VariantControls& c = m_variants[v];
        TChartVariantSettings& values = s.variants[v];
        values.blackWhite = c.blackWhite->isChecked();
        values.view3D = c.view3D->isChecked();
        values.view3DWalls = c.walls->isChecked();
        values.chart3DPercent = c.depth->value();
        values.maxPoints = c.maxBars->value();
        values.fontFactor = c.fontFactor->value();
        values.yAxisFactor = c.yAxisFactor->value();
        values.barWidthPercent = c.barWidth->value();
        values.xLabelsSize = c.xLabelsSize->value();
        values.yLabelsSize = c.yLabelsSize->value();
    }
    s.legendVisible = ui.CKB_LegendaVisibile->isChecked();
    s.legendTopPos = ui.UPD_OffsetPosizione->value();
    s.legendColorWidth = ui.UPD_BarraLegenda->value();
    std::optional<int> position;
    const auto items = positionItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i]->isChecked())
            position = static_cast<int>(i);
    }

    TIniFile ini(chartIniPath());
    s.write(ini, position);
    if (!ini.UpdateFile()) {
        // The window stays open, so nothing the user set is lost.
        m_prompts.show(PromptKind::Error, PromptButtons::Ok,
                       "Impossibile scrivere il file " + chartIniPath().string());
        return;
    }
    accept();
}

void TFRM_Chart::BTN_ChiudiClick()
{
    reject();
}

} // namespace spoolar
