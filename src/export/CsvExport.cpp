#include "export/CsvExport.h"

#include "document/ProjectPath.h"
#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/Notifications.h"
#include "model/Text.h"

#include <cstdio>

namespace quillan {

namespace {

void appendRows(std::string& out, const ListRows& rows, size_t columns)
{
    for (const ListRow& row : rows) {
        for (size_t c = 0; c < columns; ++c) {
            if (c > 0) {
                out += ", ";
            }
            if (c < row.cells.size()) {
                out += row.cells[c];
            }
        }
        out += "\r\n";
    }
}

bool hasGateway(const TarnDoc& doc)
{
    for (const auto& node : doc.nodes()) {
        if (node->isGateway()) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string csvText(TarnDoc& doc)
{
    std::string out;
    for (const auto& node : doc.nodes()) {
        auto* gateway = dynamic_cast<ZAVGateway*>(node.get());
        if (gateway == nullptr) {
            continue;
        }
        out += gateway->getName() + "\r\n";
        out += "Imports\r\n";
        appendRows(out, gateway->fillImportList().rows, 5);
        out += "Exports\r\n";
        appendRows(out, gateway->fillExportList().rows, 4);
        out += "Outputs\r\n";
        appendRows(out, gateway->fillOutputList().rows, 4);
        out += "Modbus\r\n";
        appendRows(out, gateway->fillModbusMapList().rows, 5);
    }
    return out;
}

std::string csvPath(const TarnDoc& doc)
{
    const FileNode* root = doc.root();
    if (root == nullptr) {
        return {};
    }
    return toNativeText(strprintf("%s.csv", (root->projectFolder() + root->projectName()).c_str()));
}

bool exportCsv(TarnDoc& doc, NotificationSink& notifications)
{
    const FileNode* root = doc.root();
    if (root == nullptr || !hasGateway(doc)) {
        return true;
    }
    std::FILE* file = std::fopen(csvPath(doc).c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const std::string message = strprintf("%s.csv was created at location '%s'.",
                                          root->projectName().c_str(),
                                          root->projectFolder().c_str());
    notifications.debugLine(message);
    notifications.outputLine(message);
    const std::string text = csvText(doc);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

} // namespace quillan
