// The help window and the reader of its rich text.
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "support/EngineFixture.h"
#include "tools/RtfReader.h"
#include "tools/ui/Spoolar_help.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <fstream>

namespace fs = std::filesystem;

namespace spoolar::test {
namespace {

// The document's characters as they are, paragraphs ended by '\n'.
QString rawText(const QTextDocument& document)
{
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

QString readRtf(const std::string& rtf)
{
    QTextDocument document;
    EXPECT_TRUE(RtfReader::read(rtf, document)) << rtf;
    return rawText(document);
}

// The character format of the first fragment that holds `text`.
QTextCharFormat formatOf(const QTextDocument& document, const QString& text)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(text))
                return it.fragment().charFormat();
        }
    }
    ADD_FAILURE() << "no fragment " << text.toStdString();
    return {};
}

TEST(RtfReader, TextOfWhatWordProcessorsWrite)
{
    const std::pair<std::string, QString> table[] = {
        {R"({\rtf1\ansi\ansicpg1252\deff0\nouicompat{\fonttbl{\f0\fswiss\fcharset0 Verdana;}})"
         R"({\colortbl ;\red255\green0\blue0;}{\*\generator Riched20 10.0;}{\info{\title Guida}})"
         "\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 Riga uno\\par\r\nRiga due}",
         "Riga uno\nRiga due"},
        // \'hh in the document's code page, in another one, in the font's character set
        {R"({\rtf1\ansi\ansicpg1252 perch\'e9 citt\'e0 \'80 5})", "perché città € 5"},
        {R"({\rtf1\ansi\ansicpg1250 \'9a\'e8})", "šč"},
        {R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial;}}\f1\'c4\'e0 \f0\'c4})",
         "Да Ä"},
        // \u with its fallback characters skipped, \uc changing how many
        {R"({\rtf1\ansi\uc1 a\u8364\'80b\uc2\u8220xyc\uc1\u-3?d})", "a€b“c\uFFFDd"},
        {R"({\rtf1 \{x\}\\ a\tab b\line c\~d \emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote})",
         QString::fromUtf8("{x}\\ a\tb\u2028c\u00A0d —–•‘’“”")},
        // groups that carry nothing to show, hidden text, binary data
        {R"({\rtf1{\*\unknown segreto}{\stylesheet{\s0 Normal;}}{\pict\wmetafile8 0102})"
         R"({\header Testata}visibile{\v nascosto}\bin3 {}xy})",
         "visibiley"},
        // a document cut short, and what follows its end
        {R"({\rtf1 testo{\b grassetto)", "testograssetto"},
        {R"({\rtf1 a}b)", "a"},
    };
    for (const auto& [rtf, expected] : table)
        EXPECT_EQ(readRtf(rtf), expected) << rtf;

    QTextDocument document;
    document.setPlainText("prima");
    EXPECT_FALSE(RtfReader::read("testo semplice", document));
    EXPECT_EQ(document.toPlainText(), "prima");
}

TEST(RtfReader, CharacterAndParagraphFormats)
{
    QTextDocument document;
    ASSERT_TRUE(RtfReader::read(
        R"({\rtf1\ansi{\fonttbl{\f0 Verdana;}{\f1 Courier New;}}{\colortbl ;\red200\green80\blue0;})"
        R"(\f0 normale {\b grassetto} {\i corsivo} {\ul sottolineato\ulnone  dopo} {\cf1 colore})"
        R"( {\fs40 grande} {\f1 codice}\par\pard\qc\li720 centrato\par})",
        document));
    EXPECT_EQ(formatOf(document, "normale").fontWeight(), QFont::Normal);
    EXPECT_EQ(formatOf(document, "normale").fontPointSize(), 12);
    EXPECT_EQ(formatOf(document, "grassetto").fontWeight(), QFont::Bold);
    EXPECT_TRUE(formatOf(document, "corsivo").fontItalic());
    EXPECT_TRUE(formatOf(document, "sottolineato").fontUnderline());
    EXPECT_FALSE(formatOf(document, "dopo").fontUnderline());
    EXPECT_EQ(formatOf(document, "colore").foreground().color(), QColor(200, 80, 0));
    EXPECT_FALSE(formatOf(document, "normale").hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_EQ(formatOf(document, "grande").fontPointSize(), 20);
    EXPECT_EQ(formatOf(document, "codice").fontFamilies().toStringList(),
              QStringList{"Courier New"});

    const QTextBlock second = document.begin().next();
    EXPECT_EQ(second.text(), "centrato");
    EXPECT_EQ(second.blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(second.blockFormat().leftMargin(), 48); // 720 twips = half an inch
    EXPECT_EQ(document.begin().blockFormat().alignment(), Qt::AlignLeft);
}

class HelpWindow : public ::testing::Test
{
protected:
    HelpWindow() : m_root(makeTempDir("help")), m_paths(m_root / "c", m_root / "home")
    {
        fs::create_directories(m_root / "home");
    }
    ~HelpWindow() override
    {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    void writeHelp(const std::string& rtf)
    {
        std::ofstream(m_root / "home" / "Spoolar_Help.rtf", std::ios::binary) << rtf;
    }
    QString shown(TFRM_Help& help) const
    {
        return rawText(*help.findChild<QTextEdit*>("RCE_Help")->document());
    }

    fs::path m_root;
    PathMapper m_paths;
    ScriptedPrompts m_prompts;
};

TEST_F(HelpWindow, AMissingFileGivesAnEmptyPageWithoutAMessage)
{
    TFRM_Help help(m_paths, m_prompts);
    EXPECT_EQ(help.windowTitle(), "Istruzioni per l'uso");
    help.show();
    EXPECT_EQ(shown(help), "");
    EXPECT_TRUE(m_prompts.shown().empty());
}

TEST_F(HelpWindow, TheFileIsReadAgainAtEveryOpening)
{
    writeHelp(R"({\rtf1\ansi Prima versione\par})");
    TFRM_Help help(m_paths, m_prompts);
    help.show();
    EXPECT_EQ(shown(help), "Prima versione\n");
    help.close();

    writeHelp(R"({\rtf1\ansi Seconda versione})");
    help.show();
    EXPECT_EQ(shown(help), "Seconda versione");
    help.close();

    writeHelp("Testo semplice, senza formattazione");
    help.show();
    EXPECT_EQ(shown(help), "Testo semplice, senza formattazione");
}

TEST_F(HelpWindow, TheShippedHelpExplainsTheProgram)
{
    const fs::path shipped = fs::path(SPOOLAR_FIXTURES) / ".." / ".." / "help" / "Spoolar_Help.rtf";
    fs::copy_file(shipped, m_root / "home" / "Spoolar_Help.rtf");
    TFRM_Help help(m_paths, m_prompts);
    help.show();
    const QString text = shown(help);
    for (const char* topic : {"C:\\SPOOL", "PRINTERS.LST", "Printers.set", "PDF/A-1b",
                              "Preview Stampe", "Fascicola", "OutputGrafico", "REMOTESPOOL",
                              "--headless", "Visualizza coda", "Pag. ", "Codice colore"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(topic))) << topic;
    // No control word of the file shows as text.
    EXPECT_FALSE(text.contains(QRegularExpression(R"(\\[a-z]+)"))) << text.toStdString();
    EXPECT_TRUE(m_prompts.shown().empty());
}

} // namespace
} // namespace spoolar::test
