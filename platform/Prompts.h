#pragma once
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace spoolar {

enum class PromptKind
{
    Error,
    Warning,
    Information,
    Confirmation
};
enum class PromptButtons
{
    Ok,
    OkCancel,
    YesNo,
    AbortRetryIgnore
};
enum class PromptAnswer
{
    Ok,
    Cancel,
    Yes,
    No,
    Abort,
    Retry,
    Ignore
};

// Every dialog of the program goes through this: the desktop shows a message box, headless
// runs log the text and answer with the safe default, tests answer in advance.
class IPrompts
{
public:
    virtual ~IPrompts() = default;
    // text is UTF-8.
    virtual PromptAnswer show(PromptKind kind, PromptButtons buttons, std::string_view text) = 0;
    // The same dialog with a caption of its own instead of the program's title.
    virtual PromptAnswer showCaptioned(PromptKind kind, PromptButtons buttons,
                                       std::string_view text, std::string_view caption)
    {
        (void)caption;
        return show(kind, buttons, text);
    }
};

// The answer taken when nobody can be asked: OK for messages and confirmations, Ignore for
// Abort/Retry/Ignore (the job stays and is taken again), No for Yes/No.
PromptAnswer safeDefaultAnswer(PromptButtons buttons);

// Writes each message as one line to standard error and answers with the safe default.
class LogPrompts : public IPrompts
{
public:
    PromptAnswer show(PromptKind kind, PromptButtons buttons, std::string_view text) override;
    PromptAnswer showCaptioned(PromptKind kind, PromptButtons buttons, std::string_view text,
                               std::string_view caption) override;
};

// For tests: records every message and answers from a queue (the safe default when empty).
class ScriptedPrompts : public IPrompts
{
public:
    struct Shown
    {
        PromptKind kind;
        PromptButtons buttons;
        std::string text;
        std::string caption; // empty for the program's title
    };

    void setNextAnswer(PromptAnswer answer) { m_answers.push_back(answer); }
    const std::vector<Shown>& shown() const { return m_shown; }
    PromptAnswer show(PromptKind kind, PromptButtons buttons, std::string_view text) override;
    PromptAnswer showCaptioned(PromptKind kind, PromptButtons buttons, std::string_view text,
                               std::string_view caption) override;

private:
    std::deque<PromptAnswer> m_answers;
    std::vector<Shown> m_shown;
};

} // namespace spoolar
