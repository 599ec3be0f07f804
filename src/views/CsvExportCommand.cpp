#include "views/CsvExportCommand.h"

#include "document/AtomicFile.h"
#include "document/ProjectPath.h"
#include "export/CsvExport.h"
#include "model/Text.h"
#include "shell/TarnApp.h"
#include "views/ListRowModel.h"

#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>

namespace quillan::views {

void exportCsv(shell::TarnApp& app, QWidget* parent)
{
    TarnDoc& doc = app.document();
    const FileNode* root = doc.root();
    const bool hasGateway = std::any_of(doc.nodes().begin(), doc.nodes().end(),
                                        [](const auto& node) { return node->isGateway(); });
    if (root == nullptr || !hasGateway) {
        return;
    }
    std::string path = csvPath(doc);
    std::string name = root->projectName();
    std::string folder = root->projectFolder();
    if (folder.empty()) {
        const QString chosen = QFileDialog::getSaveFileName(
            parent, "Export to .CSV", displayText(name + ".csv"), "CSV Files (*.csv)");
        if (chosen.isEmpty()) {
            return;
        }
        path = chosen.toStdString();
        const SplitPath split = splitPath(path);
        folder = toModelText(split.folder);
        name = toModelText(stripExtension(split.fileName));
    }

    const std::string text = csvText(doc);
    const std::string failure =
        writeFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
    if (!failure.empty()) {
        QMessageBox::warning(parent, "Export to .CSV",
                             QString("The CSV file could not be written:\n%1\n\n%2")
                                 .arg(QString::fromStdString(path), displayText(failure)));
        return;
    }
    const std::string message =
        strprintf("%s.csv was created at location '%s'.", name.c_str(), folder.c_str());
    app.notifications().debugLine(message);
    app.notifications().outputLine(message);
}

} // namespace quillan::views
