#include "cli/CliSupport.h"

#include "document/TarnDoc.h"
#include "model/Text.h"

#include <charconv>
#include <ostream>

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
    m_lastMessage = caption.empty() ? text : caption + ": " + text;
    m_err << cp1252ToUtf8(m_lastMessage) << "\n";
}

MessageAnswer CliPrompts::ask(MessageIcon, const std::string&, const std::string& text,
                              MessageButtons buttons)
{
    m_err << cp1252ToUtf8(text) << "\n";
    switch (buttons) {
    case MessageButtons::ok:
        return MessageAnswer::ok;
    case MessageButtons::okCancel:
    case MessageButtons::yesNoCancel:
        return MessageAnswer::cancel;
    case MessageButtons::yesNo:
        return MessageAnswer::no;
    }
    return MessageAnswer::cancel;
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

bool checkOptions(const CliArgs& args, const std::vector<std::string>& known, std::ostream& err)
{
    if (!args.error().empty()) {
        err << "quillan-cli: " << args.error() << "\n";
        return false;
    }
    const auto unknown = args.unknown(known);
    for (const auto& name : unknown) {
        err << "quillan-cli: unknown option --" << name << "\n";
    }
    return unknown.empty();
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
    }
}

} // namespace quillan::cli
