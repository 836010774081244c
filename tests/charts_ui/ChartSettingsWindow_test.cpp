// The chart settings window, offscreen: what it shows of Chart.ini and what "&Salva" writes.
#include "charts/ui/Spoolar_chart.h"
#include "charts/ui/UpDown.h"
#include "platform/IniFile.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "support/EngineFixture.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>

namespace spoolar::test {
namespace {

class ChartSettingsWindow : public ::testing::Test
{
protected:
    ChartSettingsWindow()
        : m_root(makeTempDir("chartwindow")), m_paths(m_root / "c", m_root / "home")
    {
        std::filesystem::create_directories(m_root / "home");
    }
    ~ChartSettingsWindow() override
    {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    std::filesystem::path chartIni() const { return m_root / "home" / "Chart.ini"; }
    void writeChartIni(const std::string& text) { std::ofstream(chartIni()) << text; }
    std::string readChartIni() const
    {
        std::ifstream in(chartIni(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    // Opens the window as the program does, showing what Chart.ini holds now.
    std::unique_ptr<TFRM_Chart> open()
    {
        auto window = std::make_unique<TFRM_Chart>(m_paths, m_prompts);
        window->show();
        return window;
    }
    template <typename T> static T* child(const QWidget& window, const char* name)
    {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QString text(const QWidget& window, const char* edit)
    {
        return child<QLineEdit>(window, edit)->text();
    }

    std::filesystem::path m_root;
    PathMapper m_paths;
    ScriptedPrompts m_prompts;
};

TEST_F(ChartSettingsWindow, DefaultsAreShownAndSavedAsThe38Keys)
{
    auto window = open();
    EXPECT_EQ(window->windowTitle(), "Definizione caratteristiche Grafici");
    EXPECT_EQ(window->size(), QSize(933, 459));
    EXPECT_EQ(text(*window, "EDT_Sinistro"), "3");
    EXPECT_EQ(text(*window, "EDT_Alto"), "4");
    EXPECT_EQ(text(*window, "EDT_ProfonditaFax"), "15");
    EXPECT_EQ(text(*window, "EDT_FontFactorPDF"), "10");
    EXPECT_EQ(text(*window, "EDT_YAxisFactor"), "10"); // TopPercent 0.0 at the minimum
    EXPECT_EQ(text(*window, "EDT_MaxBarre"), "50");
    EXPECT_EQ(text(*window, "EDT_XLabelsSizeFax"), "300");
    EXPECT_EQ(text(*window, "EDT_BarraLegenda"), "12");
    EXPECT_TRUE(child<QRadioButton>(*window, "RDB_Destra")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(*window, "CKB_Effetto3DPDF")->isChecked());
    EXPECT_EQ(child<QGroupBox>(*window, "GRB_DimensioniFax")->title(), " Dimensioni (fax) ");

    child<QPushButton>(*window, "BTN_Salva")->click();
    EXPECT_FALSE(window->isVisible());
    const TIniFile ini(chartIni());
    std::size_t keys = 0;
    for (const std::string& section : ini.ReadSections())
        keys += ini.ReadSection(section).size();
    EXPECT_EQ(keys, 38u);
    EXPECT_EQ(ini.ReadSection("ChartPDF"),
              (std::vector<std::string>{"BlackWhite", "View3D", "View3DWalls", "Chart3DPercent",
                                        "MaxPoints", "FontScaleFactor", "TopPercent",
                                        "BarWidthPercent", "XLabelsSize", "YLabelsSize"}));
    EXPECT_EQ(ini.ReadString("Chart", "FontScaleFactor", ""), "1");
    EXPECT_EQ(ini.ReadString("ChartFax", "TopPercent", ""), "1");
    EXPECT_EQ(ini.ReadString("ChartFax", "View3D", ""), "1");
    EXPECT_EQ(ini.ReadString("Legend", "Alignment", ""), "laRight");
    EXPECT_EQ(ini.ReadString("Chart", "MarginBottom", ""), "4");
}

TEST_F(ChartSettingsWindow, ValuesAreClampedAndFactorsKeepTheirTenths)
{
    writeChartIni("[Chart]\nFontScaleFactor=1.55\nMaxPoints=80\nTopPercent=2.3\n"
                  "[ChartFax]\nMaxPoints=2\nXLabelsSize=5000\n"
                  "[ChartPDF]\nView3D=0\n"
                  "[Legend]\nAlignment=laBottomX\nSize=9\n[Marks]\nMarkSize=12\n");
    auto window = open();
    EXPECT_EQ(text(*window, "EDT_FontFactor"), "15");
    EXPECT_EQ(text(*window, "EDT_MaxBarre"), "50");
    EXPECT_EQ(text(*window, "EDT_YAxisFactor"), "23");
    EXPECT_EQ(text(*window, "EDT_MaxBarreFax"), "6");
    EXPECT_EQ(text(*window, "EDT_XLabelsSizeFax"), "2000");
    EXPECT_TRUE(child<QRadioButton>(*window, "RDB_Basso")->isChecked());
    // View3D off for PDF: that group's walls and depth box are greyed, its arrows are not.
    EXPECT_FALSE(child<QCheckBox>(*window, "CKB_VisualizzaSpessorePDF")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(*window, "EDT_ProfonditaPDF")->isEnabled());
    EXPECT_TRUE(child<TUpDown>(*window, "UPD_ProfonditaPDF")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(*window, "EDT_ProfonditaFax")->isEnabled());

    child<QPushButton>(*window, "BTN_Salva")->click();
    const TIniFile ini(chartIni());
    EXPECT_EQ(ini.ReadString("Chart", "FontScaleFactor", ""), "1.5");
    EXPECT_EQ(ini.ReadString("Chart", "TopPercent", ""), "2.3");
    EXPECT_EQ(ini.ReadString("Chart", "MaxPoints", ""), "50");
    EXPECT_EQ(ini.ReadString("ChartFax", "MaxPoints", ""), "6");
    EXPECT_EQ(ini.ReadString("Legend", "Alignment", ""), "laBottom");
    // Keys the window does not know stay as they were.
    EXPECT_EQ(ini.ReadString("Legend", "Size", ""), "9");
    EXPECT_EQ(ini.ReadString("Marks", "MarkSize", ""), "12");

    // An alignment without any keyword leaves the selection as it was.
    writeChartIni("[Legend]\nAlignment=xyz\n");
    window->show();
    EXPECT_TRUE(child<QRadioButton>(*window, "RDB_Basso")->isChecked());
}

TEST_F(ChartSettingsWindow, DependentControlsAndCloseWithoutWriting)
{
    writeChartIni("[ChartFax]\nChart3DPercent=20\n");
    const std::string before = readChartIni();
    auto window = open();

    child<QCheckBox>(*window, "CKB_Effetto3DFax")->click();
    EXPECT_FALSE(child<QCheckBox>(*window, "CKB_VisualizzaSpessoreFax")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(*window, "EDT_ProfonditaFax")->isEnabled());
    EXPECT_TRUE(child<QCheckBox>(*window, "CKB_VisualizzaSpessore")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(*window, "EDT_ProfonditaPDF")->isEnabled());
    // The greyed depth still moves with its arrows.
    child<TUpDown>(*window, "UPD_ProfonditaFax")->stepUp();
    EXPECT_EQ(text(*window, "EDT_ProfonditaFax"), "21");

    child<QCheckBox>(*window, "CKB_LegendaVisibile")->click();
    EXPECT_FALSE(child<QGroupBox>(*window, "RGP_Posizione")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(*window, "EDT_OffsetPosizione")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(*window, "EDT_BarraLegenda")->isEnabled());
    EXPECT_TRUE(child<TUpDown>(*window, "UPD_BarraLegenda")->isEnabled());

    child<QPushButton>(*window, "BTN_Chiudi")->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(readChartIni(), before);
}

} // namespace
} // namespace spoolar::test
