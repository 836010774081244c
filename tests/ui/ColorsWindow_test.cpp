// The colour codes window, offscreen, with the colour dialog answered by the test.
#include "tools/ui/Spoolar_colors.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace spoolar::test {
namespace {

class ColorsWindow : public ::testing::Test
{
protected:
    ColorsWindow()
    {
        m_window.setColorChooser([this](const QColor& initial) {
            m_initial.push_back(initial);
            return m_answer;
        });
    }
    QString code() const { return m_window.findChild<QLineEdit*>("EDT_Codice")->text(); }
    QColor swatch() const
    {
        return m_window.findChild<QFrame*>("PNL_Color")->palette().color(QPalette::Window);
    }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    TFRM_Colors m_window;
    std::optional<QColor> m_answer;
    std::vector<QColor> m_initial;
};

TEST_F(ColorsWindow, ShowsTheWindowsColourNumberAndCopiesIt)
{
    EXPECT_EQ(m_window.windowTitle(), "Visualizza codice colore");
    EXPECT_EQ(swatch(), QColor(Qt::white));
    const std::pair<QColor, const char*> table[] = {
        {QColor(255, 0, 0), "255"},      {QColor(0, 255, 0), "65280"},
        {QColor(0, 0, 255), "16711680"}, {QColor(255, 255, 255), "16777215"},
        {QColor(0, 0, 0), "0"},          {QColor(0x12, 0x34, 0x56), "5649426"},
    };
    for (const auto& [colour, number] : table) {
        m_answer = colour;
        m_window.BTN_SceltaClick();
        EXPECT_EQ(code(), number);
        EXPECT_EQ(clipboard(), number);
        EXPECT_EQ(swatch(), colour);
    }
    // The dialog always starts on the colour shown.
    ASSERT_EQ(m_initial.size(), std::size(table));
    EXPECT_EQ(m_initial[0], QColor(Qt::white));
    EXPECT_EQ(m_initial[1], QColor(255, 0, 0));
}

TEST_F(ColorsWindow, CancellingChangesNothing)
{
    m_answer = QColor(0, 255, 0);
    m_window.BTN_SceltaClick();
    QGuiApplication::clipboard()->setText("altro");
    m_answer.reset();
    m_window.BTN_SceltaClick();
    EXPECT_EQ(code(), "65280");
    EXPECT_EQ(swatch(), QColor(0, 255, 0));
    EXPECT_EQ(clipboard(), "altro");
    EXPECT_EQ(m_initial.back(), QColor(0, 255, 0));
}

} // namespace
} // namespace spoolar::test
