#pragma once

#include <string>

namespace quillan {

enum class MessageIcon { information, warning, error, question };
// The buttons of a question. The first is the default (Enter) button, except in the DefaultNo
// forms, which a question uses whose Yes destroys something.
enum class MessageButtons {
    ok,
    okCancel,
    yesNo,
    yesNoCancel,
    yesNoDefaultNo,
    yesNoCancelDefaultNo
};
enum class MessageAnswer { ok, cancel, yes, no };

// The answer given when nobody can answer: Cancel when offered, else No; OK alone is OK.
[[nodiscard]] constexpr MessageAnswer safeAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::ok:
        return MessageAnswer::ok;
    case MessageButtons::yesNo:
    case MessageButtons::yesNoDefaultNo:
        return MessageAnswer::no;
    case MessageButtons::okCancel:
    case MessageButtons::yesNoCancel:
    case MessageButtons::yesNoCancelDefaultNo:
        break;
    }
    return MessageAnswer::cancel;
}

// The questions and messages an operation may put to the user. The GUI shows dialogs; the
// CLI and the tests answer from their own data. Texts are in the 8-bit character set.
//
// Threads: the dialogs belong to the thread that owns the windows, and an operation running
// there asks directly. A worker asks through an implementation that hands the question to that
// thread: the call blocks the worker until the user has answered. Whoever stops the worker
// must be able to release that wait, as the owner thread may itself be waiting for the worker
// to end; a released question, and any asked after it, gets the safe answer (Cancel when
// offered, else No) without a dialog.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    virtual void message(MessageIcon icon, const std::string& caption, const std::string& text) = 0;
    [[nodiscard]] virtual MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                            const std::string& text, MessageButtons buttons) = 0;
};

// For work nobody watches: shows nothing and gives every question its safe answer.
class NullPrompts final : public UserPrompts {
public:
    void message(MessageIcon, const std::string&, const std::string&) override {}
    [[nodiscard]] MessageAnswer ask(MessageIcon, const std::string&, const std::string&,
                                    MessageButtons buttons) override
    {
        return safeAnswer(buttons);
    }
};

} // namespace quillan
