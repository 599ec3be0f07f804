#pragma once

#include "model/UserPrompts.h"

class QWidget;

namespace quillan::shell {

// The user prompts as modal message boxes over the main window; user-interface thread only.
// Workers reach them through a prompt relay.
class MessageBoxPrompts final : public UserPrompts {
public:
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(MessageIcon icon, const std::string& caption, const std::string& text) override;
    [[nodiscard]] MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                    const std::string& text, MessageButtons buttons) override;

private:
    QWidget* m_parent = nullptr;
};

} // namespace quillan::shell
