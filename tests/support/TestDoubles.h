#pragma once

#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quillan::test {

// Records every notification; onNotify, when set, sees each one as it comes.
class RecordingSink final : public NotificationSink {
public:
    void notify(const Notification& n) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_all.push_back(n);
        }
        if (onNotify) {
            onNotify(n);
        }
    }
    [[nodiscard]] std::vector<std::string> lines(int code) const
    {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> out;
        for (const auto& n : m_all) {
            if (n.code == code) {
                out.push_back(n.text);
            }
        }
        return out;
    }
    [[nodiscard]] std::vector<Notification> all() const
    {
        std::lock_guard lock(m_mutex);
        return m_all;
    }

    std::function<void(const Notification&)> onNotify;

private:
    mutable std::mutex m_mutex;
    std::vector<Notification> m_all;
};

// Answers questions from a script and records every message.
class ScriptedPrompts final : public UserPrompts {
public:
    struct Shown {
        MessageIcon icon;
        std::string caption;
        std::string text;
    };

    void message(MessageIcon icon, const std::string& caption, const std::string& text) override
    {
        messages.push_back({icon, caption, text});
    }
    MessageAnswer ask(MessageIcon icon, const std::string& caption, const std::string& text,
                      MessageButtons) override
    {
        questions.push_back({icon, caption, text});
        if (answers.empty()) {
            return MessageAnswer::cancel;
        }
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<Shown> messages;
    std::vector<Shown> questions;
    std::deque<MessageAnswer> answers;
};

} // namespace quillan::test
