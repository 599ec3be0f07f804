#include "cli/CliSupport.h"

#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <cctype>
#include <charconv>
#include <iostream>
#include <ostream>
#include <sstream>
#include <unistd.h>

namespace quillan::cli {

void CliNotifications::notify(const Notification& notification)
{
    if (notification.code == MSG_OUTPUT_LINE ||
        (m_verbose && notification.code == MSG_DEBUG_LINE)) {
        m_out << cp1252ToUtf8(notification.text) << "\n";
    }
}

void CliPrompts::message(MessageIcon, const std::string& caption, const std::string& text)
{
    m_err << cp1252ToUtf8(caption.empty() ? text : caption + ": " + text) << "\n";
}

namespace {

struct Choice {
    char key;
    const char* word;
    MessageAnswer answer;
};

// The choices a question offers on the terminal. The site key question names its buttons
// after what they do to the key.
std::vector<Choice> choicesFor(const std::string& caption, MessageButtons buttons)
{
    if (caption == "Site Security Mismatch" && (buttons == MessageButtons::yesNoCancel ||
                                                buttons == MessageButtons::yesNoCancelDefaultNo)) {
        return {{'u', "update key", MessageAnswer::yes},
                {'i', "ignore key", MessageAnswer::no},
                {'c', "cancel", MessageAnswer::cancel}};
    }
    switch (buttons) {
    case MessageButtons::ok:
        return {{'o', "ok", MessageAnswer::ok}};
    case MessageButtons::okCancel:
        return {{'o', "ok", MessageAnswer::ok}, {'c', "cancel", MessageAnswer::cancel}};
    case MessageButtons::yesNo:
    case MessageButtons::yesNoDefaultNo:
        return {{'y', "yes", MessageAnswer::yes}, {'n', "no", MessageAnswer::no}};
    case MessageButtons::yesNoCancel:
    case MessageButtons::yesNoCancelDefaultNo:
        break;
    }
    return {{'y', "yes", MessageAnswer::yes},
            {'n', "no", MessageAnswer::no},
            {'c', "cancel", MessageAnswer::cancel}};
}

const char* answerWord(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::ok:
        return "OK";
    case MessageAnswer::yes:
        return "Yes";
    case MessageAnswer::no:
        return "No";
    case MessageAnswer::cancel:
        break;
    }
    return "Cancel";
}

} // namespace

void CliPrompts::answerBy(const std::string& caption, std::string flag,
                          std::optional<MessageAnswer> answer)
{
    m_presets[caption] = {std::move(flag), answer};
}

MessageAnswer CliPrompts::ask(MessageIcon, const std::string& caption, const std::string& text,
                              MessageButtons buttons)
{
    m_err << cp1252ToUtf8(caption.empty() ? text : caption + ": " + text) << "\n";
    const auto preset = m_presets.find(caption);
    if (preset != m_presets.end() && preset->second.answer) {
        m_err << "quillan-cli: answered " << answerWord(*preset->second.answer) << " by "
              << preset->second.flag.substr(0, preset->second.flag.find(' ')) << "\n";
        return *preset->second.answer;
    }
    const std::vector<Choice> choices = choicesFor(caption, buttons);
    if (m_in != nullptr) {
        std::string prompt;
        for (const Choice& c : choices) {
            prompt += strprintf("%s[%c]%s", prompt.empty() ? "" : ", ", c.key, c.word + 1);
        }
        for (;;) {
            m_err << prompt << "? " << std::flush;
            std::string line;
            if (!std::getline(*m_in, line)) {
                break;
            }
            const auto first = line.find_first_not_of(" \t");
            for (const Choice& c : choices) {
                if (first != std::string::npos &&
                    std::tolower(static_cast<unsigned char>(line[first])) == c.key) {
                    return c.answer;
                }
            }
        }
    }
    const MessageAnswer answer = safeAnswer(buttons);
    m_err << "quillan-cli: no answer given: " << answerWord(answer);
    if (preset != m_presets.end()) {
        m_err << " (" << preset->second.flag << " answers it)";
    }
    m_err << "\n";
    return answer;
}

std::istream* terminalInput()
{
    return ::isatty(STDIN_FILENO) != 0 ? &std::cin : nullptr;
}

std::string checkModelText(const std::string& text)
{
    const auto outside = firstCharacterOutsideCp1252(text);
    return outside ? outsideCp1252Message(*outside) : std::string();
}

std::optional<long> parseNumber(const std::string& text, long low, long high)
{
    long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

namespace {

std::string joined(const std::vector<std::string>& words, const char* separator)
{
    std::string text;
    for (const auto& word : words) {
        text += (text.empty() ? "" : separator) + word;
    }
    return text;
}

// A negative number is a value; anything else that starts with a dash is an option.
bool looksLikeOption(const std::string& text)
{
    return text.size() > 1 && text[0] == '-' && (text[1] < '0' || text[1] > '9');
}

} // namespace

namespace detail {

CLI::Option* addValue(CLI::App& command, const std::string& name, const std::string& typeName,
                      const std::string& help, ValueCheck check,
                      std::function<void(const std::string&)> store)
{
    CLI::Option* option = command.add_option(
        name,
        [name, store = std::move(store)](const CLI::results_t& results) {
            // CLI11 would only say "At Most 1 required but received 2".
            if (results.size() != 1) {
                throw CLI::ArgumentMismatch(name + ": given more than once");
            }
            store(results.front());
            return true;
        },
        help);
    option->type_name(typeName);
    option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    option->check(CLI::Validator(
        [check = std::move(check)](std::string& text) {
            if (looksLikeOption(text)) {
                return "needs a value, not the option " + text;
            }
            return check ? check(text) : std::string();
        },
        ""));
    return option;
}

} // namespace detail

CLI::Option* addText(CLI::App& command, const std::string& name, std::optional<std::string>& value,
                     const std::string& help, ValueCheck check)
{
    return detail::addValue(command, name, "TEXT", help, std::move(check),
                            [&value](const std::string& text) { value = text; });
}

CLI::Option* addChoice(CLI::App& command, const std::string& name, std::optional<size_t>& value,
                       const std::vector<std::string>& words, const std::string& help)
{
    const auto indexOf = [words](const std::string& text) {
        return static_cast<size_t>(std::find(words.begin(), words.end(), text) - words.begin());
    };
    return detail::addValue(
        command, name, joined(words, "|"), help,
        [words, indexOf](const std::string& text) {
            return indexOf(text) < words.size() ? std::string()
                                                : "must be one of: " + joined(words, " ");
        },
        [&value, indexOf](const std::string& text) { value = indexOf(text); });
}

CLI::Option* addWordSet(CLI::App& command, const std::string& name, std::optional<uint32_t>& value,
                        const std::vector<std::string>& words, const std::string& help)
{
    // Bits of the words in the list; none when a piece is not one of them.
    const auto bitsOf = [words](const std::string& text) -> std::optional<uint32_t> {
        uint32_t bits = 0;
        for (const auto& piece : splitList(text)) {
            const auto at = std::find(words.begin(), words.end(), piece);
            if (at == words.end()) {
                return std::nullopt;
            }
            bits |= 1u << (at - words.begin());
        }
        return bits;
    };
    return detail::addValue(
        command, name, joined(words, ","), help,
        [words, bitsOf](const std::string& text) {
            return bitsOf(text) ? std::string() : "takes a list of: " + joined(words, " ");
        },
        [&value, bitsOf](const std::string& text) { value = bitsOf(text); });
}

CLI::Option* addPositional(CLI::App& command, const std::string& name, std::string& value,
                           const std::string& help)
{
    return command.add_option(name, value, help)->required()->type_name("");
}

CLI::Option* addPositional(CLI::App& command, const std::string& name,
                           std::vector<std::string>& values, const std::string& help)
{
    return command.add_option(name, values, help)->required()->type_name("");
}

CLI::Option* addVerbose(CLI::App& command, bool& verbose)
{
    return command.add_flag("--verbose", verbose, "also print the lines of the Debug tab");
}

void printTree(const TarnDoc& doc, std::ostream& out)
{
    for (const auto& node : doc.nodes()) {
        if (const auto* root = dynamic_cast<const FileNode*>(node.get())) {
            out << cp1252ToUtf8(root->treeLabel()) << "\n";
            continue;
        }
        if (!node->isGateway()) {
            continue;
        }
        out << "  " << cp1252ToUtf8(node->getName()) << "\n";
        if (const auto* gateway = dynamic_cast<const ZAVGateway*>(node.get())) {
            for (const auto& module : gateway->childModules()) {
                if (module) {
                    out << "    " << cp1252ToUtf8(module->getName()) << "\n";
                }
            }
        }
    }
}

std::vector<std::string> splitList(const std::string& text)
{
    std::vector<std::string> pieces;
    std::stringstream in(text);
    std::string piece;
    while (std::getline(in, piece, ',')) {
        pieces.push_back(piece);
    }
    return pieces;
}

} // namespace quillan::cli
