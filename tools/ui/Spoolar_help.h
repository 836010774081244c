#pragma once
#include <QDialog>

#include <filesystem>

class QTextEdit;

namespace spoolar {

class IPrompts;
class PathMapper;

// The instructions window: shows Spoolar_Help.rtf from the program folder, read again each
// time the window is shown, so an edited file shows at the next opening. A missing file gives
// an empty page. Created once, shown modally.
class TFRM_Help : public QDialog
{
    Q_OBJECT

public:
    // Both are kept by reference.
    TFRM_Help(const PathMapper& paths, IPrompts& prompts, QWidget* parent = nullptr);
    ~TFRM_Help() override;

    // Shows the window modally unless it is already showing.
    void ShowModal();
    // Grows the window by `factor` (screens wider than 1920 pixels).
    void ScaleForm(double factor);

    // The help file: Spoolar_Help.rtf in the program folder, else beside the executable (an
    // installed program whose settings live elsewhere); the first of them when neither has it.
    std::filesystem::path helpFile() const;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    const PathMapper& m_paths;
    IPrompts& m_prompts;
    QTextEdit* RCE_Help = nullptr;
};

} // namespace spoolar
