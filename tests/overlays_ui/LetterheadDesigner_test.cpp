// The letterhead designer, offscreen: building a definition by menu and mouse, saving and
// reading it back, and the engine drawing it where the designer showed it.
#include "overlays/LetterheadDesign.h"
#include "overlays/OverlayFixture.h"
#include "overlays/ui/Spoolar_header.h"
#include "platform/IniFile.h"
#include "platform/MulDiv.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <map>

namespace spoolar::test {
namespace {

class LetterheadDesigner : public OverlayFixture
{
protected:
    LetterheadDesigner()
    {
        m_window = std::make_unique<TFRM_Header>(m_paths, m_prompts);
        m_window->show();
        m_window->resize(1600, 1000);
        QApplication::processEvents();
        m_window->setSaveChooser([this](const std::filesystem::path& suggested) {
            m_suggested.push_back(suggested);
            return std::optional<std::filesystem::path>(spool("LOGO.hdr"));
        });
        m_window->setOpenChooser([this](const std::filesystem::path&) {
            return std::optional<std::filesystem::path>(spool("LOGO.hdr"));
        });
    }

    QWidget* band(const char* name) const
    {
        return m_window->findChild<QWidget*>(QString::fromLatin1(name));
    }
    QWidget* element(const char* name) const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return m_window->findChild<QWidget*>(QString::fromLatin1(name));
    }
    static void mouse(QWidget* target, QEvent::Type type, QPoint local,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        const QPointF global = target->mapToGlobal(QPointF(local));
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(local), QPointF(local), global,
                          type == QEvent::MouseMove ? Qt::NoButton : button, held, keys);
        QApplication::sendEvent(target, &event);
    }
    // Right-click on a band, then a command of the popup menu.
    void command(const char* bandName, QPoint at, const char* action)
    {
        mouse(band(bandName), QEvent::MouseButtonPress, at, Qt::RightButton);
        auto* menu = m_window->findChild<QWidget*>(QStringLiteral("POP_Header"));
        menu->hide();
        m_window->findChild<QAction*>(QString::fromLatin1(action))->trigger();
    }
    std::filesystem::path makePicture(const std::string& name)
    {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        const std::filesystem::path file = spool(name);
        image.save(QString::fromStdString(file.string()));
        return file;
    }

    std::unique_ptr<TFRM_Header> m_window;
    std::vector<std::filesystem::path> m_suggested;
};

TEST_F(LetterheadDesigner, DefinitionIsSavedReadBackAndDrawnWhereItWasShown)
{
    command("PNL_DisegnoTop", {123, 451}, "MNU_NuovoCampo");
    QWidget* heading = element("Testo1");
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->pos(), QPoint(125, 455));
    auto* edit = m_window->findChild<QLineEdit*>(QStringLiteral("EDT_Testo"));
    edit->setText(QStringLiteral("Ditta Rossi"));
    emit edit->textEdited(edit->text());
    EXPECT_EQ(static_cast<QLabel*>(heading)->text(), QStringLiteral("Ditta Rossi"));

    command("PNL_DisegnoBottom", {40, 100}, "MNU_NuovoCampo");
    const std::filesystem::path picture = makePicture("logo.png");
    m_window->setImageChooser(
        [picture](const std::filesystem::path&) { return std::optional(picture); });
    command("PNL_DisegnoTop", {300, 20}, "MNU_NuovaImmagine");
    EXPECT_EQ(element("Immagine1")->geometry(), QRect(300, 20, 105, 105));
    EXPECT_EQ(element("Shape1")->geometry(), QRect(297, 17, 111, 111));
    EXPECT_TRUE(m_window->isModified());
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Definizione carta intestata - *Nuovo*"));

    m_window->MNU_SalvaDefinizioneClick();
    EXPECT_FALSE(m_window->isModified());
    ASSERT_EQ(m_suggested.size(), 1u);
    EXPECT_TRUE(m_suggested[0].empty());
    const int width = band("PNL_DisegnoTop")->width();
    const TIniFile saved(spool("LOGO.hdr"));
    EXPECT_EQ(saved.ReadSections(),
              (std::vector<std::string>{"Global", "Testo1", "Testo2", "Immagine1"}));
    EXPECT_EQ(saved.ReadInteger("Global", "HorizSize", 0), width);
    EXPECT_EQ(saved.ReadInteger("Global", "FooterSize", 0), 244);
    EXPECT_EQ(saved.ReadSection("Testo1"),
              (std::vector<std::string>{"Footer", "Top", "Left", "Text", "FontName", "FontSize",
                                        "FontColor", "FontBold", "FontItalic"}));
    EXPECT_EQ(saved.ReadInteger("Testo2", "Footer", 0), 1);
    EXPECT_EQ(saved.ReadInteger("Testo1", "FontSize", 0), 8); // Tahoma 11 pixels
    EXPECT_EQ(saved.ReadString("Immagine1", "ImageFile", ""), "logo.png");

    // Read back: the same elements at the same places, and no question since nothing changed.
    m_window->MNU_NuovaDefinizioneClick();
    EXPECT_EQ(element("Testo1"), nullptr);
    m_window->MNU_ApriDefinizioneClick();
    EXPECT_TRUE(m_prompts.shown().empty());
    EXPECT_EQ(element("Testo1")->pos(), QPoint(125, 455));
    EXPECT_EQ(static_cast<QLabel*>(element("Testo1"))->text(), QStringLiteral("Ditta Rossi"));
    EXPECT_EQ(element("Testo2")->parentWidget(), band("PNL_DisegnoBottom"));
    EXPECT_EQ(element("Immagine1")->geometry(), QRect(300, 20, 105, 105));
    EXPECT_TRUE(m_window->windowTitle().endsWith(QStringLiteral("LOGO.hdr")));
    m_window->MNU_SalvaDefinizioneClick();
    EXPECT_EQ(m_suggested.back(), spool("LOGO.hdr"));
    const LetterheadDesign again = LetterheadDesign::read(spool("LOGO.hdr"), width);
    ASSERT_EQ(again.texts.size(), 2u);
    EXPECT_EQ(again.texts[0].text.left, 125);
    EXPECT_EQ(again.pictures[0].picture.width, 105);

    // The engine: designer pixels scaled by page width / HorizSize on both axes.
    const TPageList pages = printJob(cmd("HLOGO") + "x");
    ASSERT_EQ(pages.size(), 1u);
    std::map<std::string, mfop::Text> byText;
    for (const auto& t : opsOf<mfop::Text>(*pages[0]))
        byText[t.text] = t;
    ASSERT_TRUE(byText.count("Ditta Rossi"));
    EXPECT_EQ(byText["Ditta Rossi"].x, MulDiv(125, 4960, width));
    EXPECT_EQ(byText["Ditta Rossi"].y, MulDiv(455, 4960, width));
    const QImage top = renderTop(*pages[0], 600);
    const QPoint inPicture(MulDiv(352, 4960, width), MulDiv(72, 4960, width));
    EXPECT_EQ(QColor(top.pixel(inPicture)), QColor(Qt::red));
}

TEST_F(LetterheadDesigner, MovesInStepsAndMovingAloneAsksNothing)
{
    writeText(spool("LOGO.hdr"), "[Global]\r\nHorizSize=1600\r\n"
                                 "[Testo1]\r\nTop=100\r\nLeft=100\r\nText=Uno\r\n"
                                 "[Testo2]\r\nTop=200\r\nLeft=100\r\nText=Due\r\n"
                                 "[Testo3]\r\nTop=300\r\nLeft=100\r\nText=Tre\r\n");
    m_window->MNU_ApriDefinizioneClick();
    QWidget* one = element("Testo1");
    QWidget* two = element("Testo2");
    QWidget* three = element("Testo3");
    ASSERT_TRUE(one && two && three);

    // One text: 7 pixels is no whole step, 10 is two; the text moves when the button goes up.
    mouse(one, QEvent::MouseButtonPress, {2, 2});
    mouse(one, QEvent::MouseMove, {9, 2});
    mouse(one, QEvent::MouseMove, {12, -3});
    EXPECT_EQ(one->pos(), QPoint(100, 100));
    mouse(one, QEvent::MouseButtonRelease, {12, -3});
    EXPECT_EQ(one->pos(), QPoint(110, 95));

    // Alt: every pixel counts.
    mouse(one, QEvent::MouseButtonPress, {2, 2}, Qt::LeftButton, Qt::AltModifier);
    mouse(one, QEvent::MouseMove, {5, 3});
    mouse(one, QEvent::MouseButtonRelease, {5, 3});
    EXPECT_EQ(one->pos(), QPoint(113, 96));

    // A selection moves together, whichever text the drag starts on.
    mouse(two, QEvent::MouseButtonPress, {2, 2}, Qt::LeftButton, Qt::ShiftModifier);
    mouse(three, QEvent::MouseButtonPress, {2, 2}, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(two->palette().color(QPalette::Window), QColor(Qt::yellow));
    mouse(one, QEvent::MouseButtonPress, {2, 2});
    mouse(one, QEvent::MouseMove, {22, 2});
    mouse(one, QEvent::MouseButtonRelease, {22, 2});
    EXPECT_EQ(one->pos(), QPoint(113, 96));
    EXPECT_EQ(two->pos(), QPoint(120, 200));
    EXPECT_EQ(three->pos(), QPoint(120, 300));

    m_window->close();
    EXPECT_TRUE(m_prompts.shown().empty());
}

TEST_F(LetterheadDesigner, ChangesAreOfferedForSavingBeforeTheyAreLost)
{
    command("PNL_DisegnoTop", {10, 10}, "MNU_NuovoCampo");
    m_prompts.setNextAnswer(PromptAnswer::No);
    m_window->close();
    ASSERT_EQ(m_prompts.shown().size(), 1u);
    EXPECT_EQ(m_prompts.shown()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(m_prompts.shown()[0].text, "Le impostazioni correnti non sono state salvate.\n"
                                         "Si desidera salvarle adesso, prima di proseguire?");
    EXPECT_FALSE(std::filesystem::exists(spool("LOGO.hdr")));

    m_window->show();
    m_prompts.setNextAnswer(PromptAnswer::Yes);
    m_window->MNU_NuovaDefinizioneClick();
    EXPECT_TRUE(std::filesystem::exists(spool("LOGO.hdr")));
    EXPECT_EQ(element("Testo1"), nullptr);
    EXPECT_FALSE(m_window->isModified());
}

TEST_F(LetterheadDesigner, DeletingKeepsNamesUniqueAndTakesPicturesWithTheirFiles)
{
    writeText(spool("LOGO.hdr"), "[Global]\r\nHorizSize=1600\r\n"
                                 "[Testo1]\r\nText=Uno\r\n[Testo2]\r\nTop=50\r\nText=Due\r\n"
                                 "[Immagine1]\r\nTop=100\r\nLeft=10\r\nImageFile=manca.jpg\r\n");
    m_window->MNU_ApriDefinizioneClick();
    ASSERT_NE(element("Immagine1"), nullptr);
    mouse(element("Shape1"), QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::ControlModifier);
    mouse(element("Testo1"), QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(element("Immagine1"), nullptr);
    EXPECT_EQ(element("Shape1"), nullptr);
    EXPECT_EQ(m_window->findChild<QLabel*>(QStringLiteral("LBL_Campo"))->text(),
              QStringLiteral("Testo2"));
    // Deletions count as changes: closing now would ask before they are lost.
    EXPECT_TRUE(m_window->isModified());

    command("PNL_DisegnoTop", {10, 400}, "MNU_NuovoCampo");
    ASSERT_NE(element("Testo1"), nullptr);
    EXPECT_EQ(element("Testo1")->pos(), QPoint(10, 400));
    EXPECT_EQ(element("Testo2")->pos(), QPoint(0, 50));
    m_window->MNU_SalvaDefinizioneClick();
    const TIniFile saved(spool("LOGO.hdr"));
    EXPECT_EQ(saved.ReadSections(), (std::vector<std::string>{"Global", "Testo2", "Testo1"}));

    EXPECT_EQ(nextElementName("Testo", {"Testo1", "Testo3"}), "Testo2");
    EXPECT_EQ(nextElementName("Immagine", {}), "Immagine1");
}

TEST_F(LetterheadDesigner, PicturesResizeByTheirFrame)
{
    const std::filesystem::path picture = makePicture("logo.png");
    m_window->setImageChooser(
        [picture](const std::filesystem::path&) { return std::optional(picture); });
    command("PNL_DisegnoTop", {100, 100}, "MNU_NuovaImmagine");
    QWidget* frame = element("Shape1");
    mouse(frame, QEvent::MouseButtonPress, {110, 1});
    mouse(frame, QEvent::MouseMove, {120, 4});
    mouse(frame, QEvent::MouseMove, {120, -9});
    mouse(frame, QEvent::MouseButtonRelease, {120, -9});
    EXPECT_EQ(element("Immagine1")->size(), QSize(115, 95));
    EXPECT_EQ(frame->size(), QSize(121, 101));
}

TEST_F(LetterheadDesigner, TextsOfAnotherScreenWidthKeepTheirPlaceOnThePage)
{
    const int width = band("PNL_DisegnoTop")->width();
    writeText(spool("LOGO.hdr"), "[Global]\r\nHorizSize=" + std::to_string(2 * width) +
                                     "\r\n[Testo1]\r\nTop=40\r\nLeft=801\r\nText=Uno\r\n");
    m_window->MNU_ApriDefinizioneClick();
    EXPECT_EQ(element("Testo1")->pos(), QPoint(400, 40));
    EXPECT_DOUBLE_EQ(designerLeftFactor(1900, 1900), 1.0);
    EXPECT_DOUBLE_EQ(designerLeftFactor(800, 1600), 2.0);
}

// A picture for people to look at (SPOOLAR_SCREENSHOT_DIR).
TEST_F(LetterheadDesigner, Screenshot)
{
    const std::filesystem::path picture = makePicture("logo.png");
    m_window->setImageChooser(
        [picture](const std::filesystem::path&) { return std::optional(picture); });
    command("PNL_DisegnoTop", {40, 30}, "MNU_NuovoCampo");
    command("PNL_DisegnoTop", {500, 20}, "MNU_NuovaImmagine");
    command("PNL_DisegnoBottom", {600, 120}, "MNU_NuovoCampo");
    mouse(element("Testo2"), QEvent::MouseButtonPress, {1, 1}, Qt::LeftButton, Qt::ShiftModifier);
    const QImage shot = m_window->grab().toImage();
    EXPECT_FALSE(shot.isNull());
    if (const char* dir = std::getenv("SPOOLAR_SCREENSHOT_DIR"))
        shot.save(QString(dir) + "/window-header.png");
}

} // namespace
} // namespace spoolar::test
