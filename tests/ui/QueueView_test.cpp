// The queue view and the file views, offscreen, on a temporary drive C.
#include "app/ui/Spoolar_coda.h"
#include "app/ui/Spoolar_filelst.h"
#include "app/ui/Spoolar_fileset.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "support/EngineFixture.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <ctime>
#include <fstream>

namespace fs = std::filesystem;

namespace spoolar::test {
namespace {

class QueueView : public ::testing::Test
{
protected:
    QueueView() : m_root(makeTempDir("queueview")), m_paths(m_root / "c", m_root / "home")
    {
        fs::create_directories(spool());
        fs::create_directories(m_root / "home");
    }
    ~QueueView() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }

    fs::path spool() const { return m_root / "c" / "SPOOL"; }

    // A file of the spool folder, last written at the given local time.
    void write(const std::string& name, const std::string& content, int hour = 10, int min = 0)
    {
        std::ofstream(spool() / name, std::ios::binary) << content;
        std::tm local{};
        local.tm_year = 2024 - 1900;
        local.tm_mon = 2;
        local.tm_mday = 5;
        local.tm_hour = hour;
        local.tm_min = min;
        local.tm_sec = 9;
        local.tm_isdst = -1;
        const auto time = std::chrono::system_clock::from_time_t(std::mktime(&local));
        fs::last_write_time(spool() / name, std::chrono::file_clock::from_sys(time));
    }
    bool exists(const std::string& name) const { return fs::exists(spool() / name); }

    std::unique_ptr<TFRM_Coda> openQueue()
    {
        auto queue = std::make_unique<TFRM_Coda>(m_paths, [this] { return m_inProgress; });
        queue->show();
        return queue;
    }
    static QListWidget& list(TFRM_Coda& queue)
    {
        return *queue.findChild<QListWidget*>("LBX_Coda");
    }
    static QStringList items(TFRM_Coda& queue)
    {
        QStringList texts;
        for (int i = 0; i < list(queue).count(); ++i)
            texts << list(queue).item(i)->text();
        return texts;
    }
    static QPushButton& button(TFRM_Coda& queue, const char* name)
    {
        return *queue.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    static void select(TFRM_Coda& queue, const QString& name)
    {
        for (int i = 0; i < list(queue).count(); ++i) {
            if (list(queue).item(i)->text().endsWith(name))
                list(queue).item(i)->setSelected(true);
        }
    }

    fs::path m_root;
    PathMapper m_paths;
    std::string m_inProgress;
    ScriptedPrompts m_prompts;
};

TEST_F(QueueView, ListsTheSchemeServedNextWithoutTheJobInProgress)
{
    write("SPO1.TMP", "FATTURA1Epson LX", 9);
    write("SPO2.TMP", "DDT", 14, 7); // shorter than a title: the name still starts at 33
    write("spo3.tmp", "ORDINE  Epson LX", 11);
    write("SPO4.TMP", "", 8); // empty: not listed
    write("SPL1.TMP", "data");
    m_inProgress = "C:\\SPOOL\\SPO1.TMP";

    auto queue = openQueue();
    EXPECT_EQ(queue->windowTitle(), "Visualizza coda di stampa Spoolar");
    EXPECT_FALSE(button(*queue, "BTN_Azzera").isEnabled());
    queue->TMR_CodaTimer();
    const QStringList expected{"2024.03.05  11:00:09  ORDINE    spo3.tmp",
                               "2024.03.05  14:07:09  DDT       SPO2.TMP"};
    EXPECT_EQ(items(*queue), expected);
    EXPECT_EQ(items(*queue)[0].mid(32), "spo3.tmp");
    EXPECT_TRUE(button(*queue, "BTN_Azzera").isEnabled());
    EXPECT_FALSE(button(*queue, "BTN_Elimina").isEnabled());

    // While a SPLOK job waits, the SPO jobs are not listed.
    write("SPLOK01.001", "BOLLA   Epson LX", 16);
    queue->TMR_CodaTimer();
    EXPECT_EQ(items(*queue), QStringList{"2024.03.05  16:00:09  BOLLA     SPLOK01.001"});
}

TEST_F(QueueView, SelectionIsKeptAcrossRefreshesWhileItsEntryIsThere)
{
    write("SPO1.TMP", "PRIMO   x", 9);
    write("SPO2.TMP", "SECONDO x", 10);
    auto queue = openQueue();
    queue->TMR_CodaTimer();
    select(*queue, "SPO2.TMP");
    EXPECT_TRUE(button(*queue, "BTN_Elimina").isEnabled());

    write("SPO0.TMP", "ZERO    x", 8); // an older job comes first and moves the others down
    queue->TMR_CodaTimer();
    ASSERT_EQ(list(*queue).count(), 3);
    EXPECT_EQ(list(*queue).selectedItems().size(), 1);
    EXPECT_TRUE(list(*queue).item(2)->isSelected());
    EXPECT_TRUE(button(*queue, "BTN_Elimina").isEnabled());

    fs::remove(spool() / "SPO2.TMP"); // served by the dispatch meanwhile
    queue->TMR_CodaTimer();
    EXPECT_EQ(list(*queue).count(), 2);
    EXPECT_TRUE(list(*queue).selectedItems().isEmpty());
    EXPECT_FALSE(button(*queue, "BTN_Elimina").isEnabled());
}

TEST_F(QueueView, EliminaRemovesEveryFileOfTheSelectedJobsButNeverTheJobInProgress)
{
    write("SPO1.TMP", "PRIMO   x", 9);
    write("SPL1.TMP", "data");
    write("SPC1.TMP", "cover");
    write("SPO2.TMP", "SECONDO x", 10);
    write("SPL2.TMP", "data");
    write("SPC3.TMP", "cover of another job");
    auto queue = openQueue();
    queue->TMR_CodaTimer();
    select(*queue, "SPO1.TMP");
    select(*queue, "SPO2.TMP");
    // The dispatch takes the second job after it was selected.
    m_inProgress = "C:\\SPOOL\\SPO2.TMP";
    button(*queue, "BTN_Elimina").click();

    EXPECT_FALSE(exists("SPO1.TMP"));
    EXPECT_FALSE(exists("SPL1.TMP"));
    EXPECT_FALSE(exists("SPC1.TMP"));
    EXPECT_TRUE(exists("SPO2.TMP"));
    EXPECT_TRUE(exists("SPL2.TMP"));
    EXPECT_TRUE(exists("SPC3.TMP"));
    // The list changes at the next refresh.
    EXPECT_EQ(list(*queue).count(), 2);
    queue->TMR_CodaTimer();
    EXPECT_EQ(list(*queue).count(), 0);
    EXPECT_FALSE(button(*queue, "BTN_Azzera").isEnabled());
}

TEST_F(QueueView, AzzeraRemovesEverySplokJobWithItsCompanions)
{
    write("SPLOK01.001", "PRIMO   x", 9);
    write("SPOOL01.001", "data");
    write("SPLFC01.001", "cover");
    write("splok02.002", "SECONDO x", 10); // written in lower case by its producer
    write("spool02.002", "data");
    write("SPO9.TMP", "NONORA  x", 8); // the other scheme is not listed, so it stays
    auto queue = openQueue();
    queue->TMR_CodaTimer();
    ASSERT_EQ(list(*queue).count(), 2);
    button(*queue, "BTN_Azzera").click();

    for (const char* gone :
         {"SPLOK01.001", "SPOOL01.001", "SPLFC01.001", "splok02.002", "spool02.002"})
        EXPECT_FALSE(exists(gone)) << gone;
    EXPECT_TRUE(exists("SPO9.TMP"));
}

TEST_F(QueueView, FileViewsShowTheFileAsItIsOrReportItMissing)
{
    write("Printers.set", "BILVBILACanon bastarda      171LG  300\r\nSECONDA riga\r\n");
    TFRM_FileSet set(m_paths, m_prompts);
    EXPECT_EQ(set.windowTitle(), "Visualizza file Printers.set");
    set.show();
    EXPECT_EQ(set.findChild<QPlainTextEdit*>("MEM_File")->toPlainText(),
              "BILVBILACanon bastarda      171LG  300\nSECONDA riga\n");
    EXPECT_TRUE(m_prompts.shown().empty());

    TFRM_FileLst lst(m_paths, m_prompts);
    EXPECT_EQ(lst.windowTitle(), "Visualizza file Printers.lst");
    lst.show();
    EXPECT_TRUE(lst.findChild<QPlainTextEdit*>("MEM_File")->toPlainText().isEmpty());
    ASSERT_EQ(m_prompts.shown().size(), 1u);
    EXPECT_EQ(m_prompts.shown()[0].kind, PromptKind::Error);
    EXPECT_EQ(m_prompts.shown()[0].text, "Il file C:\\SPOOL\\Printers.lst non esiste!");
}

} // namespace
} // namespace spoolar::test
