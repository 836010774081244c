#include "app/ui/MessageBoxPrompts.h"

#include <QApplication>
#include <QMessageBox>

namespace spoolar {

namespace {

QMessageBox::Icon iconOf(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Error:
        return QMessageBox::Critical;
    case PromptKind::Warning:
        return QMessageBox::Warning;
    case PromptKind::Information:
        return QMessageBox::Information;
    case PromptKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return QMessageBox::Ok;
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

PromptAnswer answerOf(int button, PromptButtons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Abort:
        return PromptAnswer::Abort;
    case QMessageBox::Retry:
        return PromptAnswer::Retry;
    case QMessageBox::Ignore:
        return PromptAnswer::Ignore;
    default:
        // Closed without a button: the safe default.
        return safeDefaultAnswer(buttons);
    }
}

} // namespace

PromptAnswer MessageBoxPrompts::show(PromptKind kind, PromptButtons buttons, std::string_view text)
{
    return showCaptioned(kind, buttons, text, {});
}

PromptAnswer MessageBoxPrompts::showCaptioned(PromptKind kind, PromptButtons buttons,
                                              std::string_view text, std::string_view caption)
{
    const QString title = caption.empty()
                              ? m_title
                              : QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    QMessageBox box(iconOf(kind), title,
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                    buttonsOf(buttons), m_parent);
    box.setWindowModality(Qt::ApplicationModal);
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    QApplication::restoreOverrideCursor();
    return answerOf(result, buttons);
}

} // namespace spoolar
