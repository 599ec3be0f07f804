#pragma once

#include <string>

namespace quillan {

class MBModule;
class Site;
struct ModbusModuleSettings;

enum class MessageIcon { information, warning, error, question };
enum class MessageButtons { ok, okCancel, yesNo, yesNoCancel };
enum class MessageAnswer { ok, cancel, yes, no };

// The questions and messages an operation may put to the user. The GUI shows dialogs; the
// CLI and the tests answer from their own data. Texts are in the 8-bit character set.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    virtual void message(MessageIcon icon, const std::string& caption, const std::string& text) = 0;
    [[nodiscard]] virtual MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                            const std::string& text, MessageButtons buttons) = 0;
};

} // namespace quillan
