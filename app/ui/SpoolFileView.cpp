#include "app/ui/SpoolFileView.h"

#include "app/SpoolTextFile.h"
#include "platform/Prompts.h"
#include "tools/ui/FormLayout.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>

namespace spoolar {

TSpoolFileView::TSpoolFileView(const PathMapper& paths, IPrompts& prompts, std::string windowsPath,
                               const QString& caption, QSize clientSize, QWidget* parent)
    : QDialog(parent), m_paths(paths), m_prompts(prompts), m_windowsPath(std::move(windowsPath))
{
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(clientSize);

    MEM_File = new QPlainTextEdit(this);
    MEM_File->setObjectName(QStringLiteral("MEM_File"));
    MEM_File->setReadOnly(true);
    MEM_File->setFont(pixelFont(QStringLiteral("Consolas"), 15));
    MEM_File->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MEM_File->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MEM_File->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(MEM_File);
}

void TSpoolFileView::ShowModal()
{
    if (!isVisible())
        exec();
}

void TSpoolFileView::ScaleForm(double factor)
{
    scaleWindow(*this, factor);
}

void TSpoolFileView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnDesktop(*this);
    FormShow();
}

void TSpoolFileView::FormShow()
{
    const TextFileResult result = readSpoolTextFile(m_paths, m_windowsPath);
    if (const auto* text = std::get_if<std::string>(&result)) {
        MEM_File->setPlainText(QString::fromStdString(*text));
        return;
    }
    MEM_File->clear();
    m_prompts.show(PromptKind::Error, PromptButtons::Ok,
                   textFileErrorMessage(m_windowsPath, std::get<TextFileError>(result)));
}

} // namespace spoolar
