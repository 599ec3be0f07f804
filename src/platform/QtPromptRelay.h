#pragma once

#include "model/UserPrompts.h"
#include "platform/OwnerThreadCalls.h"

namespace quillan::platform {

// User prompts for a worker: each message and question is put to the prompts that show the
// dialogs (the target, on the thread that creates the relay) and the worker waits for the
// answer; on the owner thread the target is asked directly. Once released, a worker's waiting
// and later questions get the safe answer at once (Cancel when offered, else No; OK where OK
// is all there is) and a message is not shown, until rearm().
class QtPromptRelay final : public UserPrompts {
public:
    // target must outlive the relay.
    explicit QtPromptRelay(UserPrompts& target) : m_target(target) {}

    void message(MessageIcon icon, const std::string& caption, const std::string& text) override;
    [[nodiscard]] MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                    const std::string& text, MessageButtons buttons) override;

    // Any thread.
    void release() { m_calls.release(); }
    void rearm() { m_calls.rearm(); }

    [[nodiscard]] OwnerThreadCalls& calls() { return m_calls; }

private:
    UserPrompts& m_target;
    OwnerThreadCalls m_calls;
};

} // namespace quillan::platform
