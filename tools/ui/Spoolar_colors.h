#pragma once
#include <QColor>
#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

class QColorDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QFrame;

namespace spoolar {

// The colour codes window: a colour picked in the system colour dialog is shown as a swatch
// and as its Windows colour number (0x00BBGGRR in decimal), which also goes to the clipboard.
// Created once; keeps the last colour while the program runs.
class TFRM_Colors : public QDialog
{
    Q_OBJECT

public:
    // Runs the colour dialog from an initial colour; nothing when the user cancels.
    using ColorChooser = std::function<std::optional<QColor>(const QColor& initial)>;

    explicit TFRM_Colors(QWidget* parent = nullptr);
    ~TFRM_Colors() override;

    // Shows the window modally unless it is already showing.
    void ShowModal();
    // Grows the window by `factor` (screens wider than 1920 pixels).
    void ScaleForm(double factor);
    // Replaces the system colour dialog (tests).
    void setColorChooser(ColorChooser chooser) { m_chooser = std::move(chooser); }

    void BTN_SceltaClick();

    // The colour number of a colour: red + green * 256 + blue * 65536.
    static std::int32_t colorCode(const QColor& colour);

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::optional<QColor> runColorDialog(const QColor& initial);

    ColorChooser m_chooser;
    QPushButton* BTN_Scelta = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* PNL_Color = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* EDT_Codice = nullptr;
    QColorDialog* DLG_Color = nullptr;
};

} // namespace spoolar
