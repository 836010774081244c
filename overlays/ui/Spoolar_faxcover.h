#pragma once
#include "overlays/FaxCoverDesign.h"

#include <QDialog>
#include <QFont>
#include <QPoint>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QFontDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QSpinBox;

namespace spoolar {

class IPrompts;
class PathMapper;

// The fax cover designer: one box per visible caption and one per value on a white design
// area, moved by mouse in steps of 5 pixels (1 with Alt); the list of captions decides which
// are shown; two fonts and two scale factors. Reads FaxCover.ini once, when it is created,
// and writes it each time it closes.
class TFRM_FaxCover : public QDialog
{
    Q_OBJECT

public:
    // Runs the font dialog from an initial font; nothing when the user cancels.
    using FontChooser = std::function<std::optional<QFont>(const QFont& initial)>;

    TFRM_FaxCover(const PathMapper& paths, IPrompts& prompts, QWidget* parent = nullptr);
    ~TFRM_FaxCover() override;

    // Shows the window modally unless it is already showing.
    void ShowModal();
    // Grows the window by `factor` (screens wider than 1920 pixels).
    void ScaleForm(double factor);
    // Replaces the font dialog (tests).
    void setFontChooser(FontChooser chooser) { m_fontChooser = std::move(chooser); }

    void LBX_VociClickCheck(int index);
    void EDT_LabelsFontClick();
    void EDT_FieldsFontClick();
    // Writes FaxCover.ini; also done on every close.
    void FormClose();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void showBoxes(int n);
    void hideBoxes(int n);
    QLabel* makeBox(const QString& name, int n, const QString& text, const QFont& font);
    void toggleSelected(QLabel* box);
    void clearSelection();
    void moveBoxes(QLabel* underMouse, const QPoint& globalPos, bool altHeld);
    std::optional<QFont> chooseFont(const QFont& initial);

    IPrompts& m_prompts;
    FaxCoverDesign m_design;
    FontChooser m_fontChooser;
    QFont m_labelFont;
    QFont m_fieldFont;
    std::vector<QLabel*> m_boxes;
    std::vector<QLabel*> m_selection;
    bool m_moving = false;
    bool m_loading = false;
    QPoint m_lastMouse;

    QFrame* PNL_Disegno = nullptr;
    QFrame* PNL_Destra = nullptr;
    QListWidget* LBX_Voci = nullptr;
    QLineEdit* EDT_LabelsFont = nullptr;
    QLineEdit* EDT_FieldsFont = nullptr;
    QLineEdit* EDT_FontFactorLand = nullptr;
    QSpinBox* UPD_FontFactorLand = nullptr;
    QLineEdit* EDT_FontFactorPort = nullptr;
    QSpinBox* UPD_FontFactorPort = nullptr;
    QFontDialog* DLG_Font = nullptr;
};

} // namespace spoolar
