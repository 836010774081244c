#pragma once
#include <QDialog>

#include <array>
#include <filesystem>
#include <memory>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace Ui {
class TFRM_Chart;
}

namespace spoolar {

class IPrompts;
class PathMapper;
class TUpDown;

// The chart settings window: Chart.ini's margins, legend and, for printer, fax and PDF, the
// black-and-white, 3D and size settings. Created once, shown modally; writes only on "&Salva".
class TFRM_Chart : public QDialog
{
    Q_OBJECT

public:
    TFRM_Chart(const PathMapper& paths, IPrompts& prompts, QWidget* parent = nullptr);
    ~TFRM_Chart() override;

    // Shows the window modally unless it is already showing.
    void ShowModal();

    void FormCreate();
    void FormShow();
    void CKB_Effetto3DClick();
    void CKB_Effetto3DFaxClick();
    void CKB_Effetto3DPDFClick();
    void CKB_LegendaVisibileClick();
    void BTN_SalvaClick();
    void BTN_ChiudiClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The controls of one output variant.
    struct VariantControls
    {
        QCheckBox* blackWhite = nullptr;
        QCheckBox* view3D = nullptr;
        QCheckBox* walls = nullptr;
        QLineEdit* depthEdit = nullptr;
        TUpDown* depth = nullptr;
        TUpDown* fontFactor = nullptr;
        TUpDown* yAxisFactor = nullptr;
        TUpDown* maxBars = nullptr;
        TUpDown* barWidth = nullptr;
        TUpDown* xLabelsSize = nullptr;
        TUpDown* yLabelsSize = nullptr;
    };

    std::filesystem::path chartIniPath() const;
    void pairEditWithUpDown(QLineEdit* edit, TUpDown* upDown);
    void apply3D(const VariantControls& controls);
    std::array<QRadioButton*, 4> positionItems() const;

    std::unique_ptr<Ui::TFRM_Chart> m_ui;
    const PathMapper& m_paths;
    IPrompts& m_prompts;
    std::array<VariantControls, 3> m_variants;
};

} // namespace spoolar
