#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "document/TarnDoc.h"
#include "model/Text.h"

#include <filesystem>
#include <ostream>

namespace quillan::cli {

namespace {

std::optional<uint16_t> parseBand(const std::string& text)
{
    if (text == "868") {
        return band868;
    }
    if (text == "900") {
        return band900;
    }
    if (text == "2.4") {
        return band2400;
    }
    return std::nullopt;
}

// Characters the wizard never lets end a project name; a file name cannot hold them.
bool isValidProjectName(const std::string& name)
{
    return !name.empty() && name.find_first_of("\"*/:<>?\\|") == std::string::npos;
}

} // namespace

int runNew(const std::vector<std::string>& argv, CommandIo io)
{
    const CliArgs args(argv, {"verbose"});
    if (!checkOptions(args, {"name", "folder", "band", "channel", "group", "verbose"}, io.err)) {
        return 2;
    }
    NewProjectValues values;
    values.name = utf8ToCp1252(args.value("name").value_or(""));
    values.folder = args.value("folder").value_or("");
    if (!isValidProjectName(values.name)) {
        io.err << "quillan-cli: --name must be a non-empty file name without \" * / : < > ? \\ |\n";
        return 2;
    }
    if (values.folder.empty()) {
        io.err << "quillan-cli: --folder is required\n";
        return 2;
    }
    const auto band = parseBand(args.value("band").value_or("900"));
    if (!band) {
        io.err << "quillan-cli: --band must be 868, 900 or 2.4\n";
        return 2;
    }
    values.band = *band;
    const auto range = site_rules::channelRange(values.band);
    const auto channel =
        parseNumber(args.value("channel").value_or(std::to_string(range.low)), range.low,
                    range.high);
    if (!channel) {
        io.err << "quillan-cli: --channel must be " << range.low << " to " << range.high
               << " on this band\n";
        return 2;
    }
    values.channel = static_cast<uint16_t>(*channel);
    const auto group = parseNumber(args.value("group").value_or("0"), 0, 999);
    if (!group) {
        io.err << "quillan-cli: --group must be 0 to 999\n";
        return 2;
    }
    values.group = static_cast<uint16_t>(*group);

    std::error_code ec;
    std::filesystem::create_directories(values.folder, ec);
    if (ec) {
        io.err << "quillan-cli: cannot create folder " << values.folder << ": " << ec.message()
               << "\n";
        return 1;
    }

    CliNotifications notifications(io.out, args.has("verbose"));
    CliPrompts prompts(io.err);
    TarnDoc doc(notifications, prompts);
    const DocumentStatus status = doc.createProject(values);
    if (!status) {
        io.err << status.message << " (" << status.detail << ")\n";
        return 1;
    }
    io.out << "created " << doc.path() << "\n";
    printTree(doc, io.out);
    return 0;
}

} // namespace quillan::cli
