#include "cli/CliArgs.h"

#include <algorithm>

namespace quillan::cli {

CliArgs::CliArgs(const std::vector<std::string>& args, const std::vector<std::string>& switches)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
            std::string name = a.substr(2);
            if (const auto eq = name.find('='); eq != std::string::npos) {
                m_options[name.substr(0, eq)] = name.substr(eq + 1);
                continue;
            }
            if (std::find(switches.begin(), switches.end(), name) != switches.end()) {
                m_options[name] = "";
            } else if (i + 1 < args.size()) {
                m_options[name] = args[++i];
            } else if (m_error.empty()) {
                m_error = "option --" + name + " needs a value";
            }
        } else {
            m_positionals.push_back(a);
        }
    }
}

std::optional<std::string> CliArgs::value(const std::string& name) const
{
    const auto it = m_options.find(name);
    if (it == m_options.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::vector<std::string> CliArgs::unknown(const std::vector<std::string>& known) const
{
    std::vector<std::string> result;
    for (const auto& [name, value] : m_options) {
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            result.push_back(name);
        }
    }
    return result;
}

} // namespace quillan::cli
