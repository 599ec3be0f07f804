#pragma once

#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace quillan::test {

// Records every notification with its delivery and receiver, from any thread; a send is
// handled at once. onNotify, when set, sees each one as it comes.
class RecordingSink final : public NotificationSink {
public:
    void notify(const Notification& n) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_all.push_back(n);
            m_changed.notify_all();
        }
        if (onNotify) {
            onNotify(n);
        }
    }
    // The texts of the notifications with this code, in order.
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
    [[nodiscard]] long count(int code, const std::string& text) const
    {
        const auto texts = lines(code);
        return std::count(texts.begin(), texts.end(), text);
    }
    // Waits until at least count notifications have come.
    [[nodiscard]] bool waitForCount(size_t count, int timeoutMs) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_all.size() >= count; });
    }

    std::function<void(const Notification&)> onNotify;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<Notification> m_all;
};

// Answers questions from a script and records every message.
class ScriptedPrompts final : public UserPrompts {
public:
    struct Shown {
        MessageIcon icon;
        std::string caption;
        std::string text;
        MessageButtons buttons; // OK for a message
    };

    void message(MessageIcon icon, const std::string& caption, const std::string& text) override
    {
        messages.push_back({icon, caption, text, MessageButtons::ok});
    }
    MessageAnswer ask(MessageIcon icon, const std::string& caption, const std::string& text,
                      MessageButtons buttons) override
    {
        questions.push_back({icon, caption, text, buttons});
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
