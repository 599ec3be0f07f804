#pragma once

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "document/TarnDoc.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace quillan {
class Import;
class ZAVGateway;
} // namespace quillan

namespace quillan::cli {

// A project file opened for a command, with the terminal standing in for the windows.
class CliProject {
public:
    CliProject(CommandIo io, bool verbose);

    // Opens and links the file; prints the error and returns false when it cannot.
    [[nodiscard]] bool open(const std::string& path);
    // Saves the file where it was opened; prints the error and returns false when it cannot.
    [[nodiscard]] bool save();

    [[nodiscard]] TarnDoc& doc() { return m_doc; }
    [[nodiscard]] CliNotifications& notifications() { return m_notifications; }

    // A gateway by name; prints an error and returns none when there is none.
    [[nodiscard]] ZAVGateway* gateway(const std::string& name);
    // Opens the file and finds the gateway in it; prints the error and returns none when either
    // fails.
    [[nodiscard]] ZAVGateway* openGateway(const std::string& path, const std::string& name);
    // A node of the tree: "GATEWAY" or "GATEWAY/MODULE".
    [[nodiscard]] Node* node(const std::string& name);
    // Points of a gateway named by their labels in its Imports list ("Base:VIN").
    [[nodiscard]] bool points(ZAVGateway& gateway, const std::vector<std::string>& labels,
                              std::vector<Import*>& found);

private:
    CommandIo m_io;
    CliNotifications m_notifications;
    CliPrompts m_prompts;
    TarnDoc m_doc;
};

} // namespace quillan::cli
