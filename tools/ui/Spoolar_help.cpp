#include "tools/ui/Spoolar_help.h"

#include "platform/CodePage.h"
#include "platform/Prompts.h"
#include "platform/WinPath.h"
#include "tools/RtfReader.h"
#include "tools/ui/FormLayout.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QTextEdit>

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace spoolar {

namespace {
constexpr const char* kHelpFileName = "Spoolar_Help.rtf";
} // namespace

TFRM_Help::TFRM_Help(const PathMapper& paths, IPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_paths(paths), m_prompts(prompts)
{
    setObjectName(QStringLiteral("FRM_Help"));
    setWindowTitle(QStringLiteral("Istruzioni per l'uso"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(465, 392);
    setFont(pixelFont(QStringLiteral("Tahoma"), 11));

    RCE_Help = new QTextEdit(this);
    RCE_Help->setObjectName(QStringLiteral("RCE_Help"));
    RCE_Help->setReadOnly(true);
    RCE_Help->setFont(pixelFont(QStringLiteral("Verdana"), 12));
    RCE_Help->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RCE_Help->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RCE_Help->setLineWrapMode(QTextEdit::WidgetWidth);
    RCE_Help->setPlainText(QStringLiteral("RCE_Help"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RCE_Help);
}

TFRM_Help::~TFRM_Help() = default;

void TFRM_Help::ShowModal()
{
    if (!isVisible())
        exec();
}

void TFRM_Help::ScaleForm(double factor)
{
    scaleWindow(*this, factor);
}

void TFRM_Help::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnDesktop(*this);
    FormShow();
}

fs::path TFRM_Help::helpFile() const
{
    const fs::path inHome = resolveCaseInsensitive(m_paths.programHome() / kHelpFileName);
    std::error_code ec;
    if (fs::exists(inHome, ec))
        return inHome;
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty()) {
        const fs::path besideProgram =
            resolveCaseInsensitive(fs::path(appDir.toStdString()) / kHelpFileName);
        if (fs::exists(besideProgram, ec))
            return besideProgram;
    }
    return inHome;
}

void TFRM_Help::FormShow()
{
    const fs::path file = helpFile();
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        RCE_Help->clear();
        return;
    }
    std::ifstream in(file, std::ios::binary);
    if (!fs::is_regular_file(file, ec) || !in) {
        RCE_Help->clear();
        m_prompts.show(PromptKind::Error, PromptButtons::Ok,
                       "Impossibile leggere il file " + file.string() + "!");
        return;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A file that is not rich text shows as plain text, as a rich edit box does.
    if (!RtfReader::read(bytes, *RCE_Help->document()))
        RCE_Help->setPlainText(ansiToQString(bytes));
    RCE_Help->moveCursor(QTextCursor::Start);
}

} // namespace spoolar
