#pragma once

#include "model/UserPrompts.h"

class QWidget;

namespace quillan::shell {

// The user prompts as modal message boxes over the main window; user-interface thread only.
// Workers reach them through a prompt relay.
class MessageBoxPrompts final : public UserPrompts {
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    // While set, messages and questions go to the stand-in instead of a dialog (tests and
    // scripted runs); null puts the dialogs back.
    void setStandIn(UserPrompts* standIn) { m_standIn = standIn; }

    void message(MessageIcon icon, const std::string& caption, const std::string& text) override;
    [[nodiscard]] MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                    const std::string& text, MessageButtons buttons) override;

private:
    QWidget* m_parent = nullptr;
    UserPrompts* m_standIn = nullptr;
};

} // namespace quillan::shell
