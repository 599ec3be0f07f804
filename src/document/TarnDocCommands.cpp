#include "document/DocumentObserver.h"
#include "document/TarnDoc.h"
#include "gateway/ZAVGateway.h"
#include "model/MBModule.h"
#include "model/Text.h"

#include <algorithm>

// The project commands of the tree and the Device tab: sites, gateways, modules.
namespace quillan {

ZAVGateway& TarnDoc::createGateway(Site& site, uint16_t powerLevel)
{
    const auto number = static_cast<int32_t>(++m_gatewayCounter);
    const uint32_t id = m_nextNodeId++;
    const uint16_t group = site.allocateGroup();
    auto gateway = std::make_unique<ZAVGateway>(number, group, id, m_defaultConfigPortMode);
    if (group > 998) {
        m_notifications.outputLine("The 999th group has been created.");
    }
    gateway->setChannel(site.getSiteChannel());
    gateway->setSite(&site);
    uint16_t flags = powerLevel;
    if (site.isHighBitRate() == 0) {
        flags |= radioLowBitRate;
    }
    if (site.isAesEnabled()) {
        flags |= radioAes;
    }
    gateway->setRadioFlags(flags);
    gateway->setRetries(gateway->defaultRetries());
    ZAVGateway& created = *gateway;
    appendNode(std::move(gateway));
    return created;
}

bool TarnDoc::isFirstSiteActive() const
{
    return m_root != nullptr && m_root->currentSite() == 0 && m_root->activeSite() != nullptr;
}

bool TarnDoc::canInsertGateway() const
{
    return isFirstSiteActive() && m_root->activeSite()->getNextGroup() < 1000;
}

bool TarnDoc::canInsertModbusModule(const Node& selected) const
{
    const auto* gateway = dynamic_cast<const ZAVGateway*>(&selected);
    return isFirstSiteActive() && gateway != nullptr && gateway->hasModuleMasterPort();
}

ZAVGateway* TarnDoc::insertGateway()
{
    Site* site = m_root != nullptr ? m_root->activeSite() : nullptr;
    if (site == nullptr) {
        return nullptr;
    }
    ZAVGateway& gateway = createGateway(*site, 2);
    treeChanged();
    m_modified = true;
    return &gateway;
}

bool TarnDoc::insertModbusModule(Node& selected, ModbusModuleSettings settings)
{
    return insertModbusModule(selected, [&settings](MBModule& module) {
        module.applyProperties(std::move(settings));
        return true;
    });
}

bool TarnDoc::insertModbusModule(Node& selected, const std::function<bool(MBModule&)>& confirm)
{
    const uint32_t id = m_nextNodeId++;
    auto module = std::make_unique<MBModule>(id);
    const Node& added = *module;
    auto* gateway = dynamic_cast<ZAVGateway*>(&selected);
    const bool accepted = gateway != nullptr && gateway->addChild(std::move(module), confirm);
    if (accepted && m_observer != nullptr) {
        m_observer->nodeChanged(added);
    }
    if (!accepted) {
        m_nextNodeId = id;
    }
    treeChanged();
    m_modified = true;
    return accepted;
}

void TarnDoc::insertSite(const Site& site)
{
    if (m_root == nullptr) {
        return;
    }
    m_root->sites().push_back(site.clone());
    rootChanged();
    m_modified = true;
}

void TarnDoc::deleteNode(Node& node)
{
    if (&node == m_root) {
        return;
    }
    std::unique_ptr<Node> doomed;
    const auto it = std::find_if(m_nodes.begin(), m_nodes.end(),
                                 [&](const auto& n) { return n.get() == &node; });
    if (it != m_nodes.end()) {
        doomed = std::move(*it);
        m_nodes.erase(it);
    } else if (auto* gateway = dynamic_cast<ZAVGateway*>(node.getParent())) {
        // A module: held here until every node has forgotten it.
        doomed = gateway->takeChild(node);
    }
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        m_nodes[i]->unlinkNode(node);
    }
    if (m_nodeClipboard == &node) {
        m_nodeClipboard = nullptr;
    }
    if (m_observer != nullptr) {
        m_observer->nodeDeleted(node);
    }
    m_notifications.post(MSG_NODE_DELETED);
    doomed.reset();
    treeChanged();
    m_importClipboard.clear();
    m_modified = true;
}

void TarnDoc::removeSite(Site& site)
{
    if (m_root == nullptr) {
        return;
    }
    const int index = m_root->indexOfSite(&site);
    // The first and the active site stay.
    if (index <= 0 || static_cast<uint32_t>(index) == m_root->currentSite()) {
        return;
    }
    auto& sites = m_root->sites();
    sites.erase(sites.begin() + index);
    if (static_cast<uint32_t>(index) < m_root->currentSite()) {
        m_root->setCurrentSite(m_root->currentSite() - 1);
    }
    rootChanged();
    m_modified = true;
}

void TarnDoc::editSite(Site& site, const Site& values)
{
    if (m_root == nullptr) {
        return;
    }
    site = values;
    if (&site == m_root->activeSite()) {
        applySite(site);
    } else {
        rootChanged();
    }
    m_modified = true;
}

void TarnDoc::moveNodeAfter(Node& node, Node* after)
{
    const auto it = std::find_if(m_nodes.begin(), m_nodes.end(),
                                 [&](const auto& n) { return n.get() == &node; });
    if (it == m_nodes.end() || &node == m_root || &node == after) {
        return;
    }
    auto moving = std::move(*it);
    m_nodes.erase(it);
    auto target = std::find_if(m_nodes.begin(), m_nodes.end(),
                               [&](const auto& n) { return n.get() == after; });
    // Nothing moves in front of the root.
    const auto position = target == m_nodes.end()
                              ? (m_nodes.empty() ? m_nodes.end() : m_nodes.begin() + 1)
                              : target + 1;
    m_nodes.insert(position, std::move(moving));
    m_modified = true;
    treeChanged();
}

bool TarnDoc::confirmSaveBeforeStore(const std::function<bool()>& save)
{
    if (!m_modified) {
        return true;
    }
    const auto answer = m_prompts.ask(
        MessageIcon::question, "Quillan",
        strprintf("Save changes to %s before selecting a file to store?", title().c_str()),
        MessageButtons::yesNoCancel);
    if (answer == MessageAnswer::cancel) {
        return false;
    }
    return answer != MessageAnswer::yes || save();
}

} // namespace quillan
