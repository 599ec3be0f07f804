#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "document/TarnDoc.h"

#include <fstream>
#include <iterator>
#include <ostream>

namespace quillan::cli {

// Opens a project file, prints its tree and checks that writing it again gives the same bytes.
int runCheck(const std::vector<std::string>& argv, CommandIo io)
{
    const CliArgs args(argv, {"verbose"});
    if (!checkOptions(args, {"verbose"}, io.err)) {
        return 2;
    }
    if (args.positionals().size() != 1) {
        io.err << "usage: quillan-cli check FILE\n";
        return 2;
    }
    const std::string& path = args.positionals()[0];
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        io.err << "Failed to open document. (cannot open " << path << ")\n";
        return 1;
    }
    const std::vector<uint8_t> original((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());

    CliNotifications notifications(io.out, args.has("verbose"));
    CliPrompts prompts(io.err);
    TarnDoc doc(notifications, prompts);
    // Read as stored: a moved file would otherwise be corrected and so differ.
    doc.setSkipPathFixup(true);
    const DocumentStatus status = doc.loadFromBytes(original);
    if (!status) {
        io.err << status.message << " (" << status.detail << ")\n";
        return 1;
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
        return 1;
    }
    io.out << "ok: " << original.size() << " bytes read and written back unchanged\n";
    return 0;
}

} // namespace quillan::cli
