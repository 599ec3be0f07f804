#pragma once

#include "cli/CliArgs.h"
#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace quillan {
class TarnDoc;
}

namespace quillan::cli {

// Output lines of the operations go to the terminal; debug lines only with --verbose.
class CliNotifications final : public NotificationSink {
public:
    CliNotifications(std::ostream& out, bool verbose) : m_out(out), m_verbose(verbose) {}
    void notify(const Notification& notification) override;

private:
    std::ostream& m_out;
    bool m_verbose;
};

// A script cannot answer questions: messages are printed, questions get their safe answer
// (No, or Cancel when offered) and every dialog is cancelled.
class CliPrompts final : public UserPrompts {
public:
    explicit CliPrompts(std::ostream& err) : m_err(err) {}
    void message(MessageIcon icon, const std::string& caption, const std::string& text) override;
    [[nodiscard]] MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                    const std::string& text, MessageButtons buttons) override;
    // The last message shown, for error reports.
    [[nodiscard]] const std::string& lastMessage() const { return m_lastMessage; }

private:
    std::ostream& m_err;
    std::string m_lastMessage;
};

// Parses a whole decimal number within [low, high]; none when it is not one.
[[nodiscard]] std::optional<long> parseNumber(const std::string& text, long low, long high);

// Reports unknown options and parse errors; true when the arguments may be used.
[[nodiscard]] bool checkOptions(const CliArgs& args, const std::vector<std::string>& known,
                                std::ostream& err);

// Prints the project tree as the explorer shows it.
void printTree(const TarnDoc& doc, std::ostream& out);

} // namespace quillan::cli
