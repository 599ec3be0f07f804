#include "device/modbus/ui/ModbusView.h"
#include "dialogs/ExportIntervalDlg.h"
#include "dialogs/MapImportsDlg.h"
#include "dialogs/NewSiteDlg.h"
#include "dialogs/ScaleImportDlg.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/FileNode.h"
#include "shell/CommandActions.h"
#include "shell/TarnApp.h"
#include "views/ListRowModel.h"
#include "views/PointListView.h"
#include "views/TarnView.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

// The list commands of the tabbed view, answered by the active tab, and its context menus.
namespace quillan::views {

using shell::Command;

namespace {

bool isWriteImport(const Import& point)
{
    return point.getRuntimeClass().isDerivedFrom(MBCommand::classInfo);
}

} // namespace

std::vector<Import*> TarnView::selectedPoints() const
{
    const PointListView& view = list(importsTab);
    std::vector<Import*> points;
    for (int row : view.selectedRows()) {
        if (Import* point = view.rows().itemAt<Import>(row)) {
            points.push_back(point);
        }
    }
    return points;
}

std::vector<Export*> TarnView::selectedExports(Tab tab) const
{
    const PointListView& view = list(tab);
    std::vector<Export*> entries;
    for (int row : view.selectedRows()) {
        if (Export* entry = view.rows().itemAt<Export>(row)) {
            entries.push_back(entry);
        }
    }
    return entries;
}

std::optional<bool> TarnView::commandEnabled(Command command)
{
    switch (command) {
    case Command::importPoints:
        return m_target != nullptr && canImportPointsTo(*m_target);
    case Command::mapPasteInteger:
    case Command::mapPasteFloat:
        // The Modbus tab's, whichever tab is active.
        if (const auto* gateway = dynamic_cast<const ZAVGateway*>(m_shown)) {
            return canPasteToMap(*gateway);
        }
        return false;
    default:
        break;
    }
    switch (currentIndex()) {
    case deviceTab:
        return siteEnabled(command);
    case importsTab:
        return importsEnabled(command);
    case exportsTab:
        return exportsEnabled(command);
    case outputsTab:
        return outputsEnabled(command);
    case modbusTab:
        if (command == Command::paste) {
            const auto* gateway = dynamic_cast<const ZAVGateway*>(m_shown);
            return gateway != nullptr && canPasteToMap(*gateway);
        }
        return m_modbus->commandEnabled(command);
    default:
        return std::nullopt;
    }
}

std::optional<bool> TarnView::commandChecked(Command command)
{
    switch (command) {
    case Command::mapPasteInteger:
        return !m_pasteFloat;
    case Command::mapPasteFloat:
        return m_pasteFloat;
    default:
        return std::nullopt;
    }
}

bool TarnView::runCommand(Command command)
{
    const auto enabled = commandEnabled(command);
    if (!enabled) {
        return false;
    }
    if (!*enabled) {
        return true;
    }
    switch (command) {
    case Command::importPoints:
        if (auto* target = dynamic_cast<ZAVGateway*>(m_target)) {
            importPointsTo(*target);
        }
        return true;
    case Command::mapPasteInteger:
    case Command::mapPasteFloat: {
        const bool isFloat = command == Command::mapPasteFloat;
        if (auto* gateway = dynamic_cast<ZAVGateway*>(m_shown)) {
            m_pasteFloat = isFloat;
            pasteTo(*gateway, isFloat);
        }
        return true;
    }
    default:
        break;
    }
    switch (currentIndex()) {
    case deviceTab:
        return runSite(command);
    case importsTab:
        return runImports(command);
    case exportsTab:
        return runExports(command);
    case outputsTab:
        return runOutputs(command);
    case modbusTab:
        if (auto* gateway = dynamic_cast<ZAVGateway*>(m_shown);
            gateway != nullptr && command == Command::paste) {
            pasteTo(*gateway, m_pasteFloat);
            return true;
        }
        return m_modbus->runCommand(command);
    default:
        return false;
    }
}

// Imports

std::optional<bool> TarnView::importsEnabled(Command command) const
{
    const std::vector<Import*> points = selectedPoints();
    switch (command) {
    case Command::removeSharedPoint: {
        if (points.empty()) {
            return false;
        }
        const auto* gateway = viewGateway(importsTab);
        return std::all_of(points.begin(), points.end(), [gateway](const Import* p) {
            return p->isSharedImport() && (gateway == nullptr || !gateway->hasExportForPoint(*p));
        });
    }
    case Command::copy:
        return !points.empty();
    case Command::importScaling:
        return list(importsTab).viewNode() != nullptr && !points.empty() &&
               points.front()->canScale();
    default:
        return std::nullopt;
    }
}

bool TarnView::runImports(Command command)
{
    switch (command) {
    case Command::removeSharedPoint:
        removeSharedPoints();
        return true;
    case Command::copy: {
        const std::vector<Import*> points = selectedPoints();
        m_app.importClipboard().assign(points.begin(), points.end());
        return true;
    }
    case Command::importScaling:
        scaleImport();
        return true;
    default:
        return false;
    }
}

bool TarnView::canPasteToTable() const
{
    const std::vector<Import*> points = selectedPoints();
    return !points.empty() && viewGateway(importsTab) != nullptr &&
           std::none_of(points.begin(), points.end(),
                        [](const Import* p) { return isWriteImport(*p); });
}

void TarnView::pasteSelectionToTable(bool isFloat)
{
    auto* gateway = viewGateway(importsTab);
    if (gateway == nullptr || !canPasteToTable()) {
        return;
    }
    (void)runImports(Command::copy);
    m_pasteFloat = isFloat;
    pasteTo(*gateway, isFloat);
}

bool TarnView::canPasteToMap(const ZAVGateway& gateway) const
{
    const auto& clipboard = m_app.importClipboard();
    const Node* source = importClipboardSource(clipboard);
    return source != nullptr && source->getId() == gateway.getId() &&
           std::none_of(clipboard.begin(), clipboard.end(),
                        [](const Import* p) { return p == nullptr || isWriteImport(*p); });
}

void TarnView::pasteTo(ZAVGateway& gateway, bool isFloat)
{
    if (!canPasteToMap(gateway)) {
        return;
    }
    if (!pasteToModbusMap(gateway, m_app.importClipboard(), isFloat).empty()) {
        return;
    }
    m_app.document().setModified();
    if (viewGateway(modbusTab) == &gateway) {
        refreshModbus();
    }
}

void TarnView::removeSharedPoints()
{
    auto* gateway = viewGateway(importsTab);
    if (gateway == nullptr) {
        return;
    }
    // Unlinking one point may take others with it (a point shared back and forth), so each is
    // looked up again by its number before it goes.
    std::vector<uint32_t> ids;
    for (const Import* point : selectedPoints()) {
        ids.push_back(point->pointId);
    }
    TarnDoc& doc = m_app.document();
    for (uint32_t id : ids) {
        Import* point = gateway->findPointById(id);
        if (point == nullptr || !point->isSharedImport()) {
            continue;
        }
        doc.forgetClipboardPoint(*point);
        doc.unlinkPointEverywhere(*point);
    }
    refreshDevice();
    refreshLists();
    doc.setModified();
}

void TarnView::scaleImport()
{
    const std::vector<Import*> points = selectedPoints();
    if (points.empty() || !points.front()->canScale()) {
        return;
    }
    Import& point = *points.front();
    dialogs::ScaleImportDlg dialog(point, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    point.gain = static_cast<float>(dialog.gain());
    point.offset = static_cast<float>(dialog.offset());
    m_app.document().setModified();
    refreshImports();
}

bool TarnView::canImportPointsTo(const Node& target) const
{
    const Node* source = list(importsTab).viewNode();
    return target.isGateway() && source != nullptr && source->isGateway() && &target != source &&
           &target != m_shown && !list(importsTab).selectedRows().empty();
}

void TarnView::importPointsTo(ZAVGateway& target)
{
    auto* source = viewGateway(importsTab);
    const std::vector<Import*> points = selectedPoints();
    if (source == nullptr || source == &target || points.empty()) {
        return;
    }
    const std::vector<RFImport*> created = importPoints(*source, target, points);
    dialogs::MapImportsDlg dialog(target.getName(), created, m_app.settings(), this);
    if (dialog.exec() != QDialog::Accepted) {
        cancelImportPoints(*source, target, created);
    } else if (!created.empty()) {
        m_app.importClipboard().assign(created.begin(), created.end());
        // Integer table first when both are chosen.
        if ((dialog.choice() & dialogs::MapImportsDlg::integerTable) != 0) {
            pasteTo(target, false);
        }
        if ((dialog.choice() & dialogs::MapImportsDlg::floatTable) != 0) {
            pasteTo(target, true);
        }
        m_app.document().setModified();
    }
    refreshLists();
}

// Exports and Outputs

void TarnView::editInterval(Tab tab)
{
    const std::vector<Export*> entries = selectedExports(tab);
    if (entries.empty()) {
        return;
    }
    dialogs::ExportIntervalDlg dialog(entries.front()->interval, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // The dialog shows the first entry's interval only: unless the user changed it, the others
    // keep theirs, and the first takes what was shown.
    const size_t changed = dialog.isEdited() ? entries.size() : 1;
    for (size_t i = 0; i < changed; ++i) {
        entries[i]->interval = dialog.interval();
    }
    m_app.document().setModified();
    if (tab == exportsTab) {
        refreshExports();
    } else {
        refreshOutputs();
    }
}

std::optional<bool> TarnView::exportsEnabled(Command command) const
{
    if (command == Command::exportInterval) {
        return !selectedExports(exportsTab).empty();
    }
    return std::nullopt;
}

bool TarnView::runExports(Command command)
{
    if (command == Command::exportInterval) {
        editInterval(exportsTab);
        return true;
    }
    return false;
}

std::optional<bool> TarnView::outputsEnabled(Command command) const
{
    const std::vector<Export*> outputs = selectedExports(outputsTab);
    switch (command) {
    case Command::outputPasteSource:
    case Command::paste: {
        const auto& clipboard = m_app.importClipboard();
        const Node* source = importClipboardSource(clipboard);
        const Node* viewNode = list(outputsTab).viewNode();
        return !outputs.empty() && clipboard.size() == outputs.size() && source != nullptr &&
               viewNode != nullptr && source->getId() == viewNode->getId();
    }
    case Command::outputRemoveSource:
        return !outputs.empty() && outputs.front()->getSource() != nullptr;
    case Command::outputInterval:
        return !outputs.empty();
    default:
        return std::nullopt;
    }
}

bool TarnView::runOutputs(Command command)
{
    const std::vector<Export*> outputs = selectedExports(outputsTab);
    switch (command) {
    case Command::outputPasteSource:
    case Command::paste: {
        const auto& clipboard = m_app.importClipboard();
        for (size_t i = 0; i < outputs.size() && i < clipboard.size(); ++i) {
            outputs[i]->setSource(clipboard[i]);
        }
        break;
    }
    case Command::outputRemoveSource:
        for (Export* output : outputs) {
            output->setSource(nullptr);
        }
        break;
    case Command::outputInterval:
        editInterval(outputsTab);
        return true;
    default:
        return false;
    }
    m_app.document().setModified();
    refreshOutputs();
    return true;
}

// Device tab of the project root

std::optional<bool> TarnView::siteEnabled(Command command) const
{
    if (command != Command::siteActivate && command != Command::siteRemove &&
        command != Command::siteProperties) {
        return std::nullopt;
    }
    const PointListView& view = list(deviceTab);
    const auto* root = dynamic_cast<const FileNode*>(view.viewNode());
    const Site* site = view.rows().itemAt<Site>(view.firstSelectedRow());
    if (root == nullptr || site == nullptr) {
        return false;
    }
    switch (command) {
    case Command::siteActivate:
        return site != root->activeSite();
    case Command::siteRemove:
        return root->indexOfSite(site) > 0 && site != root->activeSite();
    default:
        return true;
    }
}

bool TarnView::runSite(Command command)
{
    const PointListView& view = list(deviceTab);
    Site* site = view.rows().itemAt<Site>(view.firstSelectedRow());
    if (site == nullptr) {
        return false;
    }
    switch (command) {
    case Command::siteActivate:
        m_app.document().applySite(*site);
        break;
    case Command::siteRemove:
        m_app.document().removeSite(*site);
        break;
    case Command::siteProperties:
        if (!dialogs::editSiteWithDialog(m_app.document(), *site, this)) {
            return true;
        }
        break;
    default:
        return false;
    }
    // The document tells its observer too; the tab is refreshed here for a view without one.
    refreshDevice();
    m_app.document().setModified();
    return true;
}

// Context menus

void TarnView::addCommand(QMenu& menu, Command command) const
{
    if (m_actions != nullptr) {
        menu.addAction(m_actions->action(command));
    }
}

void TarnView::showListMenu(Tab tab, const QPoint& globalPos)
{
    if (m_actions == nullptr) {
        return;
    }
    QMenu menu(this);
    switch (tab) {
    case deviceTab:
        if (dynamic_cast<const FileNode*>(list(deviceTab).viewNode()) == nullptr) {
            return;
        }
        menu.setTitle("Site");
        addCommand(menu, Command::siteActivate);
        menu.addSeparator();
        addCommand(menu, Command::siteRemove);
        menu.addSeparator();
        addCommand(menu, Command::siteProperties);
        break;
    case importsTab:
        menu.setTitle("Import");
        addCommand(menu, Command::removeSharedPoint);
        addCommand(menu, Command::copy);
        menu.addSeparator();
        menu.addAction(m_pasteToInteger);
        menu.addAction(m_pasteToFloat);
        m_pasteToInteger->setEnabled(canPasteToTable());
        m_pasteToFloat->setEnabled(canPasteToTable());
        menu.addSeparator();
        addCommand(menu, Command::importScaling);
        break;
    case exportsTab:
        menu.setTitle("Export");
        addCommand(menu, Command::exportInterval);
        break;
    case outputsTab:
        menu.setTitle("Output");
        addCommand(menu, Command::outputPasteSource);
        addCommand(menu, Command::outputRemoveSource);
        menu.addSeparator();
        addCommand(menu, Command::outputInterval);
        break;
    case modbusTab:
        if (m_modbus->gateway() == nullptr) {
            return;
        }
        menu.setTitle("Modbus");
        addCommand(menu, Command::mapMoveUp);
        addCommand(menu, Command::mapMoveDown);
        menu.addSeparator();
        addCommand(menu, Command::mapAddRefreshTime);
        addCommand(menu, Command::mapRemoveRefreshTime);
        menu.addSeparator();
        addCommand(menu, Command::mapDelete);
        menu.addSeparator();
        addCommand(menu, Command::mapPasteInteger);
        addCommand(menu, Command::mapPasteFloat);
        menu.addSeparator();
        addCommand(menu, Command::mapNewWriteImport);
        addCommand(menu, Command::mapModifyWriteImport);
        addCommand(menu, Command::mapEditStartingRegister);
        menu.addSeparator();
        addCommand(menu, Command::mapPoll);
        addCommand(menu, Command::mapWrite);
        break;
    }
    m_actions->refreshEnabled();
    menu.exec(globalPos);
}

void TarnView::showEditMenu(const QPoint& globalPos)
{
    if (m_actions == nullptr) {
        return;
    }
    QMenu menu("Edit", this);
    addCommand(menu, Command::removeSharedPoint);
    addCommand(menu, Command::copy);
    addCommand(menu, Command::paste);
    m_actions->refreshEnabled();
    menu.exec(globalPos);
}

} // namespace quillan::views
