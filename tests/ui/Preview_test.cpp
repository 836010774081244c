// The preview window and its paint box, offscreen, printing on virtual printers.
#include "engine/ui/Spoolar_preview.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "tools/ui/Qvorpaintbox.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace spoolar::test {
namespace {

constexpr int kPageWidth = 4960;
constexpr int kPageHeight = 7016;

// A printer that fails on every page.
class BrokenPrinter : public VirtualPrinter
{
public:
    using VirtualPrinter::VirtualPrinter;
    void drawPage(const TMetafile&) override { throw PrinterError("Stampante non pronta"); }
};

// One printer, the default, as a virtual printer (or a broken one).
class OnePrinterSpooler : public ISpooler
{
public:
    bool broken = false;

    std::vector<std::string> printerNames() override { return {"Laser"}; }
    std::optional<std::string> defaultPrinter() override { return "Laser"; }
    std::optional<PrinterInfo> printerInfo(std::string_view) override { return std::nullopt; }
    bool setComment(std::string_view, std::string_view) override { return false; }
    bool supportsCollate(std::string_view) override { return false; }
    bool setDefaultCollate(std::string_view, bool) override { return false; }
    bool readyForJobs(std::string_view) override { return true; }
    std::unique_ptr<IRawDocument> startRawDocument(std::string_view, std::string_view) override
    {
        return nullptr;
    }
    std::unique_ptr<IPrinterDevice> openDevice(std::string_view name) override
    {
        if (broken)
            return std::make_unique<BrokenPrinter>(std::string(name));
        return std::make_unique<VirtualPrinter>(std::string(name));
    }
};

class Preview : public ::testing::Test
{
protected:
    Preview() : m_printers(m_spooler), m_preview(m_printers, m_prompts) {}

    // Pages told apart by the place of a small red square.
    static TPageList pages(int count)
    {
        TPageList list;
        for (int i = 1; i <= count; ++i) {
            auto page = std::make_unique<TMetafile>(kPageWidth, kPageHeight, 600, 600);
            page->append(mfop::FillRect{IntRect{100 * i, 100, 100 * i + 50, 150}, 0x0000FF});
            list.push_back(std::move(page));
        }
        return list;
    }
    static std::vector<std::string> dumps(const TPageList& list)
    {
        std::vector<std::string> out;
        for (const auto& page : list)
            out.push_back(page->dump());
        return out;
    }
    std::vector<std::string> printedDocument(std::size_t index = 0)
    {
        const auto& docs = dynamic_cast<VirtualPrinter&>(m_printers.device()).documents();
        std::vector<std::string> out;
        if (index < docs.size()) {
            for (const TMetafile& page : docs[index].pages)
                out.push_back(page.dump());
        }
        return out;
    }
    std::size_t documentCount()
    {
        return dynamic_cast<VirtualPrinter&>(m_printers.device()).documents().size();
    }

    void open(TPageList& list, int width = kPageWidth, int height = kPageHeight)
    {
        m_preview.setPages(list, width, height, "Laser");
        m_preview.show();
    }
    template <typename T> T& child(const char* name)
    {
        T* found = m_preview.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    QString counter() { return child<QLineEdit>("EDT_NumPage").text(); }
    std::array<bool, 4> navigation()
    {
        return {child<QPushButton>("BTN_Prima").isEnabled(),
                child<QPushButton>("BTN_Precedente").isEnabled(),
                child<QPushButton>("BTN_Successiva").isEnabled(),
                child<QPushButton>("BTN_Ultima").isEnabled()};
    }
    void press() { QTest::mouseClick(child<QScrollArea>("ScrollBox").viewport(), Qt::LeftButton); }
    bool wheel(QWidget* target, int delta, Qt::KeyboardModifiers modifiers)
    {
        QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
        return event.isAccepted();
    }
    QWidget* viewport() { return child<QScrollArea>("ScrollBox").viewport(); }

    OnePrinterSpooler m_spooler;
    PrinterObject m_printers;
    ScriptedPrompts m_prompts;
    TFRM_Preview m_preview;
};

TEST_F(Preview, ActionsCarryTheirCaptionsShortcutsAndHints)
{
    struct Expected
    {
        const char* action;
        const char* caption;
        QKeySequence shortcut;
        const char* hint;
    };
    const Expected table[] = {
        {"PrimaPagina", "Prima pagina", Qt::Key_Home, "Vai alla prima pagina (Home)"},
        {"UltimaPagina", "Ultima pagina", Qt::Key_End, "Vai all'ultima pagina (End)"},
        {"PaginaPrecedente", "Pagina precedente", Qt::Key_PageUp,
         "Vai alla pagina precedente (PgUp)"},
        {"PaginaSuccessiva", "Pagina successiva", Qt::Key_PageDown,
         "Vai alla pagina successiva (PgDn)"},
        {"StampaPagina", "Stampa pagina", QKeySequence(Qt::CTRL | Qt::Key_P),
         "Stampa pagina corrente (Ctrl+P)"},
        {"StampaTutto", "Stampa tutto", QKeySequence(Qt::CTRL | Qt::Key_T),
         "Stampa tutto il documento (Ctrl+T)"},
        {"Esci", "Esci", Qt::Key_Escape, nullptr},
    };
    for (const Expected& e : table) {
        const QAction& action = child<QAction>(e.action);
        EXPECT_EQ(action.text(), e.caption);
        EXPECT_EQ(action.shortcut(), e.shortcut) << e.action;
        if (e.hint) {
            EXPECT_EQ(action.toolTip(), e.hint);
        }
    }
    EXPECT_EQ(m_preview.windowTitle(), "Preview Stampa");
    EXPECT_EQ(child<QPushButton>("BTN_PrintAll").toolTip(), "Stampa tutto il documento (Ctrl+T)");
}

TEST_F(Preview, NavigatesPagesAndDisablesButtonsAtTheEnds)
{
    TPageList list = pages(5);
    open(list);
    EXPECT_EQ(counter(), "Pag. 1/5");
    EXPECT_EQ(navigation(), (std::array{false, false, true, true}));
    m_preview.PaginaSuccessivaExecute();
    EXPECT_EQ(counter(), "Pag. 2/5");
    EXPECT_EQ(navigation(), (std::array{true, true, true, true}));
    m_preview.UltimaPaginaExecute();
    m_preview.PaginaSuccessivaExecute(); // no page after the last
    EXPECT_EQ(counter(), "Pag. 5/5");
    EXPECT_EQ(navigation(), (std::array{true, true, false, false}));
    m_preview.PrimaPaginaExecute();
    m_preview.PaginaPrecedenteExecute();
    EXPECT_EQ(counter(), "Pag. 1/5");
    m_preview.close();

    TPageList single = pages(1);
    open(single);
    EXPECT_EQ(counter(), "Pag. 1/1");
    EXPECT_EQ(navigation(), (std::array{false, false, false, false}));
}

TEST_F(Preview, MouseCyclesTheZoomAndTheWheelZoomsWithinItsSteps)
{
    TPageList list = pages(2);
    open(list);
    auto& box = child<TQvorPaintBox>("PaintBox");
    EXPECT_EQ(m_preview.zoom(), 1);
    // Whole page: the page's proportions, no scroll bars.
    EXPECT_NEAR(static_cast<double>(box.height()) / box.width(),
                static_cast<double>(kPageHeight) / kPageWidth, 0.01);
    // The paint box is never under the mouse: presses over the page reach the scroll box.
    EXPECT_EQ(viewport()->childAt(box.geometry().center()), nullptr);

    press();
    EXPECT_EQ(m_preview.zoom(), 2);
    press();
    EXPECT_EQ(m_preview.zoom(), 3);
    EXPECT_EQ(box.size(), QSize(kPageWidth, kPageHeight));
    EXPECT_TRUE(wheel(viewport(), 120, Qt::ControlModifier));
    EXPECT_EQ(m_preview.zoom(), 3);
    press();
    EXPECT_EQ(m_preview.zoom(), 1);
    wheel(viewport(), -120, Qt::ControlModifier);
    EXPECT_EQ(m_preview.zoom(), 1);
    wheel(viewport(), 120, Qt::ControlModifier);
    EXPECT_EQ(m_preview.zoom(), 2);

    // Page width: the wheel alone scrolls by a fiftieth of the range.
    QScrollBar* bar = child<QScrollArea>("ScrollBox").verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_TRUE(wheel(viewport(), -120, Qt::NoModifier));
    EXPECT_EQ(bar->value(), (bar->maximum() + bar->pageStep()) / 50);
    EXPECT_EQ(m_preview.zoom(), 2);

    // A wheel turn given to the paint box itself is not handled and goes nowhere.
    const int before = bar->value();
    EXPECT_FALSE(wheel(&box, -120, Qt::NoModifier));
    EXPECT_EQ(bar->value(), before);
    EXPECT_EQ(m_preview.zoom(), 2);
}

TEST_F(Preview, PrintsTheCurrentPageOrTheWholeJobAsOneDocument)
{
    TPageList list = pages(5);
    const std::vector<std::string> expected = dumps(list);
    open(list);
    m_preview.PaginaSuccessivaExecute();
    m_preview.PaginaSuccessivaExecute();
    m_preview.StampaPaginaExecute();
    EXPECT_TRUE(m_preview.printed());
    EXPECT_TRUE(m_preview.isVisible());
    EXPECT_EQ(printedDocument(0), std::vector<std::string>{expected[2]});

    m_preview.StampaTuttoExecute();
    EXPECT_EQ(printedDocument(1), expected);
    EXPECT_FALSE(m_preview.isVisible());
    EXPECT_TRUE(list.empty()); // released on close
}

TEST_F(Preview, ShownModallyItReturnsWhetherSomethingWasPrinted)
{
    TPageList list = pages(3);
    QTimer::singleShot(0, &m_preview, [this] { m_preview.close(); });
    EXPECT_FALSE(m_preview.showPages(list, kPageWidth, kPageHeight, "Laser"));
    EXPECT_TRUE(list.empty());

    list = pages(3);
    QTimer::singleShot(0, &m_preview, [this] {
        EXPECT_EQ(child<QLineEdit>("EDT_Stampante").text(), "Laser");
        child<QAction>("StampaTutto").trigger();
    });
    EXPECT_TRUE(m_preview.showPages(list, kPageWidth, kPageHeight, "Laser"));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(printedDocument(0).size(), 3u);
}

TEST_F(Preview, PrintAllWithoutShowingPrintsAndReleasesThePages)
{
    TPageList list = pages(5);
    const std::vector<std::string> expected = dumps(list);
    EXPECT_TRUE(m_preview.printAllPages(list));
    EXPECT_EQ(printedDocument(0), expected);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(m_preview.isVisible());

    TPageList none;
    EXPECT_FALSE(m_preview.printAllPages(none));
    EXPECT_EQ(documentCount(), 1u);
}

TEST_F(Preview, APrinterErrorIsNeverReportedAsPrinted)
{
    m_spooler.broken = true;
    TPageList list = pages(2);
    EXPECT_THROW(m_preview.printAllPages(list), PrinterError);
    EXPECT_FALSE(m_preview.printed());
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(dynamic_cast<VirtualPrinter&>(m_printers.device()).documents().at(0).aborted);

    // From the window the error is shown and the window stays for another try.
    list = pages(2);
    open(list);
    m_preview.StampaTuttoExecute();
    EXPECT_FALSE(m_preview.printed());
    EXPECT_TRUE(m_preview.isVisible());
    ASSERT_EQ(m_prompts.shown().size(), 1u);
    EXPECT_EQ(m_prompts.shown()[0].text, "Stampante non pronta");
    m_preview.close();
}

} // namespace
} // namespace spoolar::test
