#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "document/TarnDoc.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>

namespace quillan::cli {

namespace {

struct CheckOptions {
    std::string path;
    bool verbose = false;
};

// Opens a project file, prints its tree and checks that writing it again gives the same bytes.
int runCheck(const CheckOptions& o, CommandIo io)
{
    std::ifstream file(o.path, std::ios::binary);
    if (!file) {
        io.err << "Failed to open document. (cannot open " << o.path << ")\n";
        return exitFailed;
    }
    const std::vector<uint8_t> original((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());

    CliNotifications notifications(io.out, o.verbose);
    CliPrompts prompts(io.err);
    TarnDoc doc(notifications, prompts);
    // Read as stored: a moved file would otherwise be corrected and so differ.
    doc.setSkipPathFixup(true);
    const DocumentStatus status = doc.loadFromBytes(original);
    if (!status) {
        io.err << status.message << " (" << status.detail << ")\n";
        return exitFailed;
    }
    doc.linkAfterLoad();
    printTree(doc, io.out);

    const std::vector<uint8_t> written = doc.toBytes();
    if (written != original) {
        size_t at = 0;
        while (at < written.size() && at < original.size() && written[at] == original[at]) {
            ++at;
        }
        io.err << "written bytes differ from the file at offset " << at << " (file "
               << original.size() << " bytes, written " << written.size() << ")\n";
        return exitFailed;
    }
    io.out << "ok: " << original.size() << " bytes read and written back unchanged\n";
    return exitOk;
}

} // namespace

void addCheckCommand(CLI::App& app, CommandTable& table)
{
    auto o = std::make_shared<CheckOptions>();
    CLI::App* cmd = app.add_subcommand(
        "check", "Print a project's tree and check that it writes back byte for byte");
    addPositional(*cmd, "FILE", o->path, "the project file");
    addVerbose(*cmd, o->verbose);
    table.add(cmd, [o](CommandIo io) { return runCheck(*o, io); });
}

} // namespace quillan::cli
