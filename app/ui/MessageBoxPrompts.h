#pragma once
#include "platform/Prompts.h"

#include <QString>

class QWidget;

namespace spoolar {

// The dialogs of the desktop program: modal message boxes with the program's title (or the
// caller's caption), the icon of their kind and the buttons asked for.
class MessageBoxPrompts : public IPrompts
{
public:
    explicit MessageBoxPrompts(QString title) : m_title(std::move(title)) {}

    // The window the boxes are centred on; none centres them on the screen.
    void setParent(QWidget* parent) { m_parent = parent; }

    PromptAnswer show(PromptKind kind, PromptButtons buttons, std::string_view text) override;
    PromptAnswer showCaptioned(PromptKind kind, PromptButtons buttons, std::string_view text,
                               std::string_view caption) override;

private:
    QString m_title;
    QWidget* m_parent = nullptr;
};

} // namespace spoolar
