#include "cli/CliProject.h"

#include "cli/HeapPreparation.h"
#include "gateway/ZAVGateway.h"
#include "model/Text.h"

#include <filesystem>
#include <ostream>

namespace quillan::cli {

CliProject::CliProject(CommandIo io, bool verbose)
    : m_io(io), m_notifications(io.out, verbose), m_prompts(io.err),
      m_doc(m_notifications, m_prompts)
{
}

bool CliProject::open(const std::string& path)
{
    std::error_code unknown;
    const std::uintmax_t bytes = std::filesystem::file_size(path, unknown);
    if (!unknown) {
        prepareHeapForProject(bytes);
    }
    const DocumentStatus status = m_doc.openDocument(path);
    if (!status) {
        m_io.err << status.message << " (" << status.detail << ")\n";
        return false;
    }
    m_doc.linkAfterLoad();
    return true;
}

bool CliProject::save()
{
    const DocumentStatus status = m_doc.saveDocument(m_doc.path());
    if (!status) {
        m_io.err << status.message << " (" << status.detail << ")\n";
        return false;
    }
    return true;
}

ZAVGateway* CliProject::openGateway(const std::string& path, const std::string& name)
{
    return open(path) ? gateway(name) : nullptr;
}

ZAVGateway* CliProject::gateway(const std::string& name)
{
    const std::string wanted = utf8ToCp1252(name);
    for (const auto& node : m_doc.nodes()) {
        if (auto* g = dynamic_cast<ZAVGateway*>(node.get()); g && g->getName() == wanted) {
            return g;
        }
    }
    m_io.err << "quillan-cli: no gateway named \"" << name << "\"\n";
    return nullptr;
}

Node* CliProject::node(const std::string& name)
{
    const auto slash = name.find('/');
    ZAVGateway* g = gateway(name.substr(0, slash));
    if (g == nullptr || slash == std::string::npos) {
        return g;
    }
    const std::string wanted = utf8ToCp1252(name.substr(slash + 1));
    for (const auto& child : g->childModules()) {
        if (child && child->getName() == wanted) {
            return child.get();
        }
    }
    m_io.err << "quillan-cli: gateway \"" << name.substr(0, slash) << "\" has no module named \""
             << name.substr(slash + 1) << "\"\n";
    return nullptr;
}

bool CliProject::points(ZAVGateway& g, const std::vector<std::string>& labels,
                        std::vector<Import*>& found)
{
    const ListRows rows = g.fillImportList().rows;
    for (const std::string& label : labels) {
        const std::string wanted = utf8ToCp1252(label);
        // The label alone, or with the Source column in front ("Gateway_2:Base:VIN") where a
        // shared point carries the same label as a point of the gateway's own.
        std::vector<Import*> byLabel;
        std::vector<Import*> bySource;
        for (const ListRow& row : rows) {
            if (row.cells.size() < 3) {
                continue;
            }
            if (row.cells[2] == wanted) {
                byLabel.push_back(std::get<Import*>(row.item));
            }
            if (row.cells[1] + ":" + row.cells[2] == wanted) {
                bySource.push_back(std::get<Import*>(row.item));
            }
        }
        const auto& matches = byLabel.size() == 1 || bySource.empty() ? byLabel : bySource;
        if (matches.size() != 1) {
            m_io.err << "quillan-cli: " << (matches.empty() ? "no point" : "more than one point")
                     << " labelled \"" << label << "\" in the Imports of "
                     << cp1252ToUtf8(g.getName())
                     << (matches.empty() ? ""
                                         : "; put the Source column in front, e.g. "
                                           "Gateway_2:Base:VIN")
                     << "\n";
            return false;
        }
        found.push_back(matches.front());
    }
    return true;
}

} // namespace quillan::cli
