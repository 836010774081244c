#include "platform/Prompts.h"

#include <cstdio>

namespace spoolar {

PromptAnswer safeDefaultAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
    case PromptButtons::OkCancel:
        return PromptAnswer::Ok;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::AbortRetryIgnore:
        return PromptAnswer::Ignore;
    }
    return PromptAnswer::Ok;
}

namespace {
const char* kindWord(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Error:
        return "ERRORE";
    case PromptKind::Warning:
        return "AVVISO";
    case PromptKind::Information:
        return "INFORMAZIONE";
    case PromptKind::Confirmation:
        return "CONFERMA";
    }
    return "";
}
} // namespace

PromptAnswer LogPrompts::show(PromptKind kind, PromptButtons buttons, std::string_view text)
{
    return showCaptioned(kind, buttons, text, {});
}

PromptAnswer LogPrompts::showCaptioned(PromptKind kind, PromptButtons buttons,
                                       std::string_view text, std::string_view caption)
{
    // One line per message: line breaks of the dialog text become " | ".
    std::string line;
    line.reserve(text.size());
    for (char c : text) {
        if (c == '\n')
            line += " | ";
        else if (c != '\r')
            line += c;
    }
    if (caption.empty())
        std::fprintf(stderr, "spoolar: [%s] %s\n", kindWord(kind), line.c_str());
    else
        std::fprintf(stderr, "spoolar: [%s] %.*s: %s\n", kindWord(kind),
                     static_cast<int>(caption.size()), caption.data(), line.c_str());
    return safeDefaultAnswer(buttons);
}

PromptAnswer ScriptedPrompts::show(PromptKind kind, PromptButtons buttons, std::string_view text)
{
    return showCaptioned(kind, buttons, text, {});
}

PromptAnswer ScriptedPrompts::showCaptioned(PromptKind kind, PromptButtons buttons,
                                            std::string_view text, std::string_view caption)
{
    m_shown.push_back({kind, buttons, std::string(text), std::string(caption)});
    if (m_answers.empty())
        return safeDefaultAnswer(buttons);
    const PromptAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

} // namespace spoolar
