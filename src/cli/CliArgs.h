#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillan::cli {

// Command-line arguments of one command: positionals and "--name value" options.
// Options listed as switches take no value.
class CliArgs {
public:
    CliArgs(const std::vector<std::string>& args, const std::vector<std::string>& switches);

    [[nodiscard]] const std::vector<std::string>& positionals() const { return m_positionals; }
    [[nodiscard]] bool has(const std::string& name) const { return m_options.count(name) != 0; }
    [[nodiscard]] std::optional<std::string> value(const std::string& name) const;
    // The error found while parsing (an option without its value), empty when none.
    [[nodiscard]] const std::string& error() const { return m_error; }
    // Options given that are not in the list; for "unknown option" messages.
    [[nodiscard]] std::vector<std::string> unknown(const std::vector<std::string>& known) const;

private:
    std::vector<std::string> m_positionals;
    std::map<std::string, std::string> m_options;
    std::string m_error;
};

} // namespace quillan::cli
