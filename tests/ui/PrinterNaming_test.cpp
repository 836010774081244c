// The printer grid and the naming window against a private CUPS: a printer gets its user name
// through the window, the grid shows it after the table is built again, and the grid's colours
// tell the kinds of rows apart.
#include "app/PrinterTable.h"
#include "app/ui/DarkStyle.h"
#include "app/ui/PrinterGrid.h"
#include "app/ui/PrinterNameDialog.h"
#include "platform/CodePage.h"
#include "platform/CupsSpooler.h"
#include "platform/Prompts.h"
#include "platform/Spooler.h"
#include "support/CupsServer.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace spoolar::test {
namespace {

class PrinterNaming : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = CupsServer::start();
        if (s_server->running())
            s_ready = s_server->addQueue("Laser_Ufficio", CupsServer::Queue::Pdf, "UFFICIO") &&
                      s_server->addQueue("Testo_Bolle", CupsServer::Queue::Text) &&
                      s_server->addQueue("Senza_Nome", CupsServer::Queue::Pdf);
    }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override
    {
        if (!s_server->running())
            GTEST_SKIP() << s_server->skipReason();
        ASSERT_TRUE(s_ready) << s_server->lastOutput();
        applyDarkStyle(*qApp);
    }

    static inline std::unique_ptr<CupsServer> s_server;
    static inline bool s_ready = false;
};

TEST_F(PrinterNaming, NamedThroughTheWindowAndShownInItsColours)
{
    CupsSpooler spooler;
    PrinterObject printers(spooler);
    ScriptedPrompts prompts;
    PrinterGrid grid;
    grid.resize(714, 316);
    grid.setRows(PrinterTable::build(printers, prompts).rows);

    // Rows: header, PDF, then the printers in the spooler's order.
    int unnamed = -1;
    int text = -1;
    for (int row = 2; row < 5; ++row) {
        if (grid.item(row, 1)->text() == "Senza_Nome")
            unnamed = row;
        if (grid.item(row, 1)->text() == "Testo_Bolle")
            text = row;
    }
    ASSERT_GT(unnamed, 1);
    ASSERT_GT(text, 1);
    EXPECT_EQ(grid.item(text, 3)->text(), "T");

    const QImage shot = grid.grab().toImage();
    auto pixelOf = [&](int row, int column) {
        const QRect cell = grid.visualRect(grid.model()->index(row, column));
        return shot.pixelColor(cell.right() - 3, cell.bottom() - 3);
    };
    EXPECT_EQ(pixelOf(text, 1), QColor(0, 0, 255)) << "text-only printers on blue";
    EXPECT_NE(pixelOf(unnamed, 1), QColor(0, 0, 255));

    PrinterNameDialog dialog;
    dialog.setNamingFunction([&](const QString& printer, const QString& userName) {
        return setPrinterUserName(spooler, prompts, utf8ToAnsi(printer.toStdString()),
                                  utf8ToAnsi(userName.toStdString()), {}) == NamingResult::Named;
    });
    QTimer::singleShot(0, [&dialog] {
        QTest::keyClicks(dialog.nameEdit(), "MAGAZZINO");
        dialog.saveButton()->click();
    });
    ASSERT_TRUE(grid.printerOfRow(unnamed));
    EXPECT_EQ(dialog.ask(QString::fromStdString(*grid.printerOfRow(unnamed))), QDialog::Accepted);
    EXPECT_TRUE(prompts.shown().empty());

    const PrinterTable::Build rebuilt = PrinterTable::build(printers, prompts);
    grid.setRows(rebuilt.rows);
    EXPECT_EQ(grid.item(unnamed, 0)->text(), "MAGAZZINO");
    EXPECT_FALSE(rebuilt.allNamed); // Testo_Bolle still has none

    // An empty name clears it again.
    QTimer::singleShot(0, [&dialog] { dialog.saveButton()->click(); });
    dialog.ask("Senza_Nome");
    const auto info = spooler.printerInfo("Senza_Nome");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->comment, "");
}

} // namespace
} // namespace spoolar::test
