// The fax cover designer, offscreen: where it puts the boxes, how they move, what closing writes.
#include "overlays/FaxCoverDesign.h"
#include "overlays/ui/Spoolar_faxcover.h"
#include "platform/IniFile.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "support/EngineFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>

#include <fstream>

namespace spoolar::test {
namespace {

class FaxCoverDesigner : public ::testing::Test
{
protected:
    FaxCoverDesigner() : m_root(makeTempDir("faxdesigner")), m_paths(m_root / "c", m_root / "home")
    {
        std::filesystem::create_directories(m_root / "home");
    }
    ~FaxCoverDesigner() override
    {
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    std::filesystem::path ini() const { return m_root / "home" / "FaxCover.ini"; }
    void writeIni(const std::string& text) { std::ofstream(ini()) << text; }
    std::unique_ptr<TFRM_FaxCover> open()
    {
        auto window = std::make_unique<TFRM_FaxCover>(m_paths, m_prompts);
        window->show();
        return window;
    }
    static QLabel* box(const QWidget& window, const QString& name)
    {
        return window.findChild<QLabel*>(name);
    }
    // A mouse event on a box at a screen position, as the window receives it.
    static void mouse(QLabel* target, QEvent::Type type, QPoint global,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF local = target->mapFromGlobal(global);
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, local, local, QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                          modifiers);
        QApplication::sendEvent(target, &event);
    }

    std::filesystem::path m_root;
    PathMapper m_paths;
    ScriptedPrompts m_prompts;
};

TEST_F(FaxCoverDesigner, PlacesBoxesWithoutStoredPlaces)
{
    // Rows of boxes from the top, one per caption; the value box right of its caption.
    EXPECT_EQ(FaxCoverDesign::captionPlace({}, 2, 20).top, 60);
    EXPECT_EQ(FaxCoverDesign::captionPlace({}, 2, 20).left, 10);
    EXPECT_EQ(FaxCoverDesign::captionPlace({33, 44}, 2, 20).top, 33);
    EXPECT_EQ(FaxCoverDesign::fieldPlace({}, 0, 20, {10, 10}, 57).left, 80);
    EXPECT_EQ(FaxCoverDesign::fieldPlace({}, 0, 20, {10, 10}, 60).left, 80);
    EXPECT_EQ(FaxCoverDesign::fieldPlace({}, 0, 20, {10, 10}, 61).left, 85);

    std::string text;
    for (int n = 0; n < 5; ++n)
        text += "[LABEL" + std::to_string(n) + "]\nText=Voce numero " + std::to_string(n) +
                "\nVisible=1\n";
    writeIni(text);
    auto window = open();
    for (int n = 0; n < 5; ++n) {
        const QLabel* label = box(*window, QStringLiteral("Label%1").arg(n));
        const QLabel* field = box(*window, QStringLiteral("Field%1").arg(n));
        ASSERT_TRUE(label && field) << n;
        EXPECT_EQ(field->text(), QStringLiteral("Campo Voce numero %1").arg(n));
        EXPECT_EQ(field->x() % 5, 0) << n;
        EXPECT_GE(field->x(), label->x() + label->width() + 10) << n;
        EXPECT_EQ(label->y(), n * (label->height() + 5) + 10) << n;
    }
}

TEST_F(FaxCoverDesigner, UntickingWritesLastPlacesAndTickingPutsThemBack)
{
    writeIni("[LABEL0]\nText=Destinatario\nVisible=1\n"
             "[LABEL1]\nText=Oggetto\nVisible=1\nTop=100\nLeft=20\n"
             "[FIELD1]\nTop=100\nLeft=200\n");
    auto window = open();
    auto* list = window->findChild<QListWidget*>(QStringLiteral("LBX_Voci"));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("Oggetto"));
    box(*window, QStringLiteral("Label1"))->move(35, 120);

    list->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(box(*window, QStringLiteral("Label1")), nullptr);
    EXPECT_EQ(box(*window, QStringLiteral("Field1")), nullptr);
    list->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(box(*window, QStringLiteral("Label1"))->pos(), QPoint(35, 120));
    EXPECT_EQ(box(*window, QStringLiteral("Field1"))->pos(), QPoint(200, 100));

    list->item(1)->setCheckState(Qt::Unchecked);
    window->close();
    const TIniFile saved(ini());
    EXPECT_FALSE(saved.ReadBool("LABEL1", "Visible", true));
    EXPECT_EQ(saved.ReadInteger("LABEL1", "Top", 0), 120);
    EXPECT_EQ(saved.ReadInteger("LABEL1", "Left", 0), 35);
    EXPECT_FALSE(saved.ReadBool("FIELD1", "Visible", true));
    EXPECT_EQ(saved.ReadInteger("FIELD1", "Left", 0), 200);
    EXPECT_TRUE(saved.ReadBool("LABEL0", "Visible", false));
    EXPECT_TRUE(saved.ReadBool("FIELD0", "Visible", false));
}

TEST_F(FaxCoverDesigner, MovesInWholeStepsAndTheSelectionTogether)
{
    writeIni("[LABEL0]\nText=A\nVisible=1\nTop=50\nLeft=50\n[FIELD0]\nTop=50\nLeft=150\n");
    auto window = open();
    QLabel* label = box(*window, QStringLiteral("Label0"));
    QLabel* field = box(*window, QStringLiteral("Field0"));
    const QPoint start(500, 500);
    mouse(label, QEvent::MouseButtonPress, start);
    mouse(label, QEvent::MouseMove, start + QPoint(7, 0));
    EXPECT_EQ(label->pos(), QPoint(50, 50));
    mouse(label, QEvent::MouseMove, start + QPoint(10, -5));
    EXPECT_EQ(label->pos(), QPoint(60, 45));
    mouse(label, QEvent::MouseMove, start + QPoint(13, -5), Qt::AltModifier);
    EXPECT_EQ(label->pos(), QPoint(63, 45));
    mouse(label, QEvent::MouseButtonRelease, start + QPoint(13, -5));
    EXPECT_EQ(field->pos(), QPoint(150, 50));

    // Shift selects both boxes; a drag on either moves them together.
    mouse(label, QEvent::MouseButtonPress, start, Qt::ShiftModifier);
    mouse(field, QEvent::MouseButtonPress, start, Qt::ShiftModifier);
    mouse(field, QEvent::MouseButtonPress, start);
    mouse(field, QEvent::MouseMove, start + QPoint(0, 20));
    mouse(field, QEvent::MouseButtonRelease, start + QPoint(0, 20));
    EXPECT_EQ(label->pos(), QPoint(63, 65));
    EXPECT_EQ(field->pos(), QPoint(150, 70));
    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(Qt::yellow));
}

TEST_F(FaxCoverDesigner, KeepsFactorsAndFontsThroughASave)
{
    writeIni("[FONTLABEL]\nName=Arial\nSize=12\nFontScaleFactorLand=1.5\n"
             "FontScaleFactorPort=2.3\n[LABEL0]\nText=A\n");
    auto window = open();
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("EDT_FontFactorLand"))->text(),
              QStringLiteral("15"));
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("EDT_FontFactorPort"))->text(),
              QStringLiteral("23"));
    window->setFontChooser([](const QFont& initial) {
        QFont chosen = initial;
        chosen.setItalic(true);
        return std::optional<QFont>(chosen);
    });
    window->EDT_FieldsFontClick();
    window->close();

    const TIniFile saved(ini());
    EXPECT_EQ(saved.ReadString("FONTLABEL", "FontScaleFactorLand", ""), "1.5");
    EXPECT_EQ(saved.ReadString("FONTLABEL", "FontScaleFactorPort", ""), "2.3");
    EXPECT_EQ(saved.ReadInteger("FONTLABEL", "Size", 0), 12);
    EXPECT_FALSE(saved.ReadBool("FONTLABEL", "Italic", true));
    EXPECT_TRUE(saved.ReadBool("FONTFIELD", "Bold", false)); // the designer's default
    EXPECT_TRUE(saved.ReadBool("FONTFIELD", "Italic", false));
    EXPECT_FALSE(saved.SectionExists("FIELD0")); // a hidden caption has no boxes to write
}

TEST_F(FaxCoverDesigner, WithoutCaptionsShowsAnEmptyList)
{
    auto window = open();
    EXPECT_EQ(window->findChild<QListWidget*>(QStringLiteral("LBX_Voci"))->count(), 0);
    window->close();
    EXPECT_TRUE(std::filesystem::exists(ini()));
    EXPECT_TRUE(m_prompts.shown().empty());
}

// A picture for people to look at (SPOOLAR_SCREENSHOT_DIR): four captions, one of them hidden.
TEST_F(FaxCoverDesigner, Screenshot)
{
    writeIni("[LABEL0]\nText=Destinatario\nVisible=1\n[LABEL1]\nText=Numero fax\nVisible=1\n"
             "[LABEL2]\nText=Pagine\nVisible=0\n[LABEL3]\nText=Data\nVisible=1\n");
    auto window = open();
    const QImage shot = window->grab().toImage();
    EXPECT_EQ(shot.width(), window->width());
    if (const char* dir = std::getenv("SPOOLAR_SCREENSHOT_DIR"))
        shot.save(QString(dir) + "/window-faxcover.png");
}

} // namespace
} // namespace spoolar::test
