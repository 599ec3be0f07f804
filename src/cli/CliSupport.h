#pragma once

#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

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

// Messages are printed. A question is answered by the flag that answers it when one was
// given, else asked on the terminal; without a terminal (a script) it gets its safe answer
// (No, or Cancel when offered) and a line naming the flag that would have answered it.
class CliPrompts final : public UserPrompts {
public:
    // in, when given, is the terminal questions are asked on.
    explicit CliPrompts(std::ostream& err, std::istream* in = nullptr) : m_err(err), m_in(in) {}
    void message(MessageIcon icon, const std::string& caption, const std::string& text) override;
    [[nodiscard]] MessageAnswer ask(MessageIcon icon, const std::string& caption,
                                    const std::string& text, MessageButtons buttons) override;

    // The question with this caption is answered by flag (e.g. "--radio yes|no"); answer is
    // what the flag gave, none when it was not given.
    void answerBy(const std::string& caption, std::string flag,
                  std::optional<MessageAnswer> answer);

private:
    struct Preset {
        std::string flag;
        std::optional<MessageAnswer> answer;
    };

    std::ostream& m_err;
    std::istream* m_in;
    std::map<std::string, Preset> m_presets;
};

// Standard input when it is a terminal; none in a script or a pipe.
[[nodiscard]] std::istream* terminalInput();

// Parses a whole decimal number within [low, high]; none when it is not one.
[[nodiscard]] std::optional<long> parseNumber(const std::string& text, long low, long high);

// Options that take a value. Each takes exactly one: a second occurrence and a value that is
// itself an option ("--name --folder") are usage errors, and so is a value that fails its
// check. The value is stored once the command line has parsed.

// Checks a value; returns why it is refused, empty when it is accepted.
using ValueCheck = std::function<std::string(const std::string& value)>;

CLI::Option* addText(CLI::App& command, const std::string& name, std::optional<std::string>& value,
                     const std::string& help, ValueCheck check = {});

// A whole decimal number within [low, high], which also passes check when one is given.
template <class T>
CLI::Option* addNumber(CLI::App& command, const std::string& name, std::optional<T>& value,
                       long low, long high, const std::string& help, ValueCheck check = {});

// One of the words; the value is the index of the word given.
CLI::Option* addChoice(CLI::App& command, const std::string& name, std::optional<size_t>& value,
                       const std::vector<std::string>& words, const std::string& help);

// A comma-separated list of the words; bit i is set for word i.
CLI::Option* addWordSet(CLI::App& command, const std::string& name, std::optional<uint32_t>& value,
                        const std::vector<std::string>& words, const std::string& help);

// A required positional argument; each word of a list goes into values.
CLI::Option* addPositional(CLI::App& command, const std::string& name, std::string& value,
                           const std::string& help);
CLI::Option* addPositional(CLI::App& command, const std::string& name,
                           std::vector<std::string>& values, const std::string& help);

// The commands that open a project print the Debug tab's lines too with --verbose.
CLI::Option* addVerbose(CLI::App& command, bool& verbose);

// Prints the project tree as the explorer shows it.
void printTree(const TarnDoc& doc, std::ostream& out);

// Refuses a text (UTF-8) that a project file cannot hold: one with a character outside
// Windows-1252. A check for names the user gives.
[[nodiscard]] std::string checkModelText(const std::string& text);

// "a,b,c" into its pieces; an empty text gives none.
[[nodiscard]] std::vector<std::string> splitList(const std::string& text);

namespace detail {
CLI::Option* addValue(CLI::App& command, const std::string& name, const std::string& typeName,
                      const std::string& help, ValueCheck check,
                      std::function<void(const std::string&)> store);
} // namespace detail

template <class T>
CLI::Option* addNumber(CLI::App& command, const std::string& name, std::optional<T>& value,
                       long low, long high, const std::string& help, ValueCheck check)
{
    return detail::addValue(
        command, name, std::to_string(low) + "-" + std::to_string(high), help,
        [low, high, check = std::move(check)](const std::string& text) {
            if (!parseNumber(text, low, high)) {
                return "must be " + std::to_string(low) + " to " + std::to_string(high);
            }
            return check ? check(text) : std::string();
        },
        [&value, low, high](const std::string& text) {
            value = static_cast<T>(*parseNumber(text, low, high));
        });
}

} // namespace quillan::cli
