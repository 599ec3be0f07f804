#include "platform/QtPromptRelay.h"

namespace quillan::platform {

void QtPromptRelay::message(MessageIcon icon, const std::string& caption, const std::string& text)
{
    (void)m_calls.call(
        [&target = m_target, icon, caption, text] { target.message(icon, caption, text); },
        OwnerThreadCalls::IfReleased::drop);
}

MessageAnswer QtPromptRelay::ask(MessageIcon icon, const std::string& caption,
                                 const std::string& text, MessageButtons buttons)
{
    return m_calls
        .callForResult<MessageAnswer>(
            [&target = m_target, icon, caption, text, buttons] {
                return target.ask(icon, caption, text, buttons);
            },
            OwnerThreadCalls::IfReleased::drop)
        .value_or(safeAnswer(buttons));
}

} // namespace quillan::platform
