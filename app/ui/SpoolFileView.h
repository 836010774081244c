#pragma once
#include <QDialog>
#include <QSize>

#include <string>

class QPlainTextEdit;

namespace spoolar {

class IPrompts;
class PathMapper;

// A read-only view of one text file of the spool folder: a memo `MEM_File` filling the
// window, loaded with the whole file each time the window is shown. Nothing is saved back.
// A file that cannot be read gives an error message and an empty view.
class TSpoolFileView : public QDialog
{
    Q_OBJECT

public:
    // Shows the window modally unless it is already showing.
    void ShowModal();
    // Grows the window by `factor` (screens wider than 1920 pixels).
    void ScaleForm(double factor);

    void FormShow();

protected:
    // `paths` and `prompts` are kept by reference.
    TSpoolFileView(const PathMapper& paths, IPrompts& prompts, std::string windowsPath,
                   const QString& caption, QSize clientSize, QWidget* parent);

    void showEvent(QShowEvent* event) override;

private:
    const PathMapper& m_paths;
    IPrompts& m_prompts;
    std::string m_windowsPath;
    QPlainTextEdit* MEM_File = nullptr;
};

} // namespace spoolar
