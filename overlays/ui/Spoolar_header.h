#pragma once
#include "overlays/ui/HeaderElements.h"

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QRect>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFileDialog;
class QFontDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace spoolar {

class IPrompts;
class PathMapper;
struct LetterheadDesign;

// The letterhead designer: texts and pictures placed by mouse on a heading band and a footer
// band that stand for the top and the bottom of the page, read from and written to .hdr
// definitions. Created once; its content stays from one showing to the next.
class TFRM_Header : public QDialog
{
    Q_OBJECT

public:
    // Runs the font dialog from an initial font; nothing when the user cancels.
    using FontChooser = std::function<std::optional<QFont>(const QFont& initial)>;
    // Runs a file dialog with a suggested file (may be empty); nothing when the user cancels.
    using FileChooser =
        std::function<std::optional<std::filesystem::path>(const std::filesystem::path&)>;

    TFRM_Header(const PathMapper& paths, IPrompts& prompts, QWidget* parent = nullptr);
    ~TFRM_Header() override;

    // Shows the window modally unless it is already showing.
    void ShowModal();
    // Grows the window by `factor` (screens wider than 1920 pixels).
    void ScaleForm(double factor);
    // What "&Help" opens (the help window, modally).
    void setHelpOpener(std::function<void()> openHelp) { m_openHelp = std::move(openHelp); }
    // Replace the dialogs (tests).
    void setFontChooser(FontChooser chooser) { m_fontChooser = std::move(chooser); }
    void setImageChooser(FileChooser chooser) { m_imageChooser = std::move(chooser); }
    void setOpenChooser(FileChooser chooser) { m_openChooser = std::move(chooser); }
    void setSaveChooser(FileChooser chooser) { m_saveChooser = std::move(chooser); }

    // The commands of the popup menu.
    void MNU_NuovoCampoClick();
    void MNU_NuovaImmagineClick();
    void MNU_NuovaDefinizioneClick();
    void MNU_ApriDefinizioneClick();
    void MNU_SalvaDefinizioneClick();
    void BTN_HelpClick();

    bool isModified() const { return m_modified; }
    // Full path of the open definition, or "*Nuovo*".
    const QString& definitionName() const { return m_definitionName; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    enum class Gesture
    {
        None,
        Move,
        Resize
    };

    void updateCaption();
    void setActiveBand(QFrame* band);
    void setCurrent(QWidget* element);
    void setModified() { m_modified = true; }
    // Asks whether to save unsaved changes; Yes runs "Salva definizione".
    void askToSave();
    void removeAllElements();
    void loadDefinition(const std::filesystem::path& file);
    LetterheadDesign currentDesign() const;

    QLabel* addText(const std::string& name, QFrame* band, QPoint at, const QString& text,
                    const QFont& font, std::uint32_t colour);
    PictureBox* addPicture(const std::string& name, QFrame* band, QRect bounds,
                           const QPixmap& picture, const std::string& fileName);
    void deleteText(QLabel* text);
    void deletePicture(int index);
    void toggleSelected(QWidget* element);
    void clearSelection();
    void changeFont(QLabel* clicked);

    bool pressElement(QWidget* element, QMouseEvent* mouse);
    void startMove(QWidget* element, QPoint bandPos, bool altHeld);
    void dragTo(QPoint bandPos);
    void endDrag();
    void resizeTo(QPoint bandPos);
    void showGuides();

    QFrame* bandOf(const QWidget* element) const;
    int pictureIndex(const QWidget* element) const; // picture or frame; -1 when neither
    bool isText(const QWidget* element) const;
    std::vector<std::string> names(const std::vector<QWidget*>& elements) const;
    std::optional<std::filesystem::path> chooseFile(QFileDialog* dialog,
                                                    const std::filesystem::path& suggested);
    QString displayPath(const std::filesystem::path& file) const;

    const PathMapper& m_paths;
    IPrompts& m_prompts;
    std::function<void()> m_openHelp;
    FontChooser m_fontChooser;
    FileChooser m_imageChooser;
    FileChooser m_openChooser;
    FileChooser m_saveChooser;

    QString m_definitionName;
    std::filesystem::path m_definitionFolder;
    bool m_modified = false;
    QFrame* m_activeBand = nullptr;
    QWidget* m_current = nullptr;
    std::vector<QLabel*> m_texts;
    std::vector<PictureBox*> m_pictures;
    std::vector<PictureFrame*> m_frames;
    std::vector<std::string> m_pictureFiles;
    std::vector<QWidget*> m_selection; // texts and frames
    std::vector<THoldRect> m_held;
    QRect m_dragRect;
    QWidget* m_dragged = nullptr;
    Gesture m_gesture = Gesture::None;
    QPoint m_lastMouse;
    int m_step = 5;
    QPoint m_popupPoint;

    QFrame* PNL_DisegnoTop = nullptr;
    QFrame* PNL_DisegnoBottom = nullptr;
    QFrame* PNL_Bottoni = nullptr;
    QLabel* LBL_Campo = nullptr;
    QLineEdit* EDT_Testo = nullptr;
    QPushButton* BTN_Help = nullptr;
    QMenu* POP_Header = nullptr;
    QFontDialog* DLG_Font = nullptr;
    QFileDialog* DLG_OpenImage = nullptr;
    QFileDialog* DLG_OpenHeader = nullptr;
    QFileDialog* DLG_SaveHeader = nullptr;
    DragGuides* m_guidesTop = nullptr;
    DragGuides* m_guidesBottom = nullptr;
};

} // namespace spoolar
