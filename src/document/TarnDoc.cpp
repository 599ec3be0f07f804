#include "document/TarnDoc.h"

#include "document/AtomicFile.h"
#include "document/DocumentObserver.h"
#include "document/ProjectPath.h"
#include "gateway/ZAVGateway.h"
#include "model/Archive.h"
#include "model/ByteStream.h"
#include "model/Text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

namespace quillan {

namespace {

uint32_t nowSeconds()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

DocumentStatus failure(const std::string& message, const std::string& detail)
{
    return {false, message, detail};
}

std::string messageForCause(ArchiveCause cause)
{
    switch (cause) {
    case ArchiveCause::endOfFile:
    case ArchiveCause::badIndex:
    case ArchiveCause::badClass:
    case ArchiveCause::badSchema:
        return "Unexpected file format.";
    default:
        return "Failed to open document.";
    }
}

std::string absolutePath(const std::string& path)
{
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

} // namespace

TarnDoc::TarnDoc(NotificationSink& notifications, UserPrompts& prompts)
    : m_notifications(notifications), m_prompts(prompts)
{
}

TarnDoc::~TarnDoc() = default;

void TarnDoc::serialize(Archive& ar, const std::string& realPath)
{
    if (ar.isStoring()) {
        ar.writeU32(m_nextNodeId);
        ar.writeU32(m_gatewayCounter);
        ar.writeCount(m_nodes.size());
        for (const auto& node : m_nodes) {
            ar.writeObject(node.get());
        }
        m_everSerialized = true;
        return;
    }

    m_nextNodeId = ar.readU32();
    m_gatewayCounter = ar.readU32();
    m_root = nullptr;
    m_nodes.clear();
    const uint32_t count = ar.readCount(2);
    std::vector<std::unique_ptr<Node>> nodes;
    nodes.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto node = ar.readObjectAs<Node>();
        // The root comes first and every entry is a node; anything else is not a project.
        if (node == nullptr) {
            throw ArchiveError(ArchiveCause::badClass, "empty entry in the node list");
        }
        if (i == 0 && dynamic_cast<FileNode*>(node.get()) == nullptr) {
            throw ArchiveError(ArchiveCause::badClass, "the first node is not the project root");
        }
        nodes.push_back(std::move(node));
    }
    m_nodes = std::move(nodes);
    m_everSerialized = true;
    if (m_nodes.empty()) {
        return;
    }
    m_root = static_cast<FileNode*>(m_nodes.front().get());
    for (auto& node : m_nodes) {
        node->setContext(this);
    }
    if (!realPath.empty() && !m_skipPathFixup) {
        correctPath(realPath);
    }
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        m_nodes[i]->afterLoad();
    }
}

void TarnDoc::correctPath(const std::string& realPath)
{
    const std::string storedPath =
        m_root->projectFolder() + kPathSeparator + m_root->projectName() + ".zavproj";
    SplitPath stored = splitPath(storedPath);
    // The stored folder is the part before the last separator; it keeps the separator that
    // ends the stored folder, so an unmoved file compares equal.
    if (!stored.folder.empty()) {
        stored.folder.pop_back();
    }
    const SplitPath real = splitPath(toModelText(realPath));
    if (real.fileName != stored.fileName) {
        m_root->rekeySites(nowSeconds());
        m_root->setProjectName(stripExtension(real.fileName));
        m_pathChanged = true;
    }
    if (real.folder != stored.folder) {
        m_root->setProjectFolder(real.folder);
        m_pathChanged = true;
    }
}

DocumentStatus TarnDoc::openDocument(const std::string& path)
{
    deleteContents();
    const std::string fullPath = absolutePath(path);
    std::FILE* file = std::fopen(fullPath.c_str(), "rb");
    if (file == nullptr) {
        return failure("Failed to open document.", "cannot open " + fullPath);
    }
    FileSource source(file);
    m_lastFileBytes = static_cast<size_t>(source.size());
    try {
        Archive ar(source, projectClassRegistry());
        serialize(ar, fullPath);
        m_lastTableCount = ar.tableCount();
    } catch (const ArchiveError& e) {
        std::fclose(file);
        deleteContents();
        return failure(messageForCause(e.cause()), e.what());
    }
    std::fclose(file);
    m_path = fullPath;
    m_modified = false;
    return {};
}

DocumentStatus TarnDoc::loadFromBytes(const std::vector<uint8_t>& bytes)
{
    deleteContents();
    MemorySource source(bytes);
    try {
        Archive ar(source, projectClassRegistry());
        serialize(ar);
        m_lastTableCount = ar.tableCount();
    } catch (const ArchiveError& e) {
        deleteContents();
        return failure(messageForCause(e.cause()), e.what());
    }
    m_modified = false;
    return {};
}

void TarnDoc::store(ByteSink& sink)
{
    Archive ar(sink, projectClassRegistry());
    ar.expectObjects(m_lastTableCount);
    serialize(ar);
    ar.close();
    m_lastTableCount = ar.tableCount();
}

std::vector<uint8_t> TarnDoc::toBytes()
{
    MemorySink sink;
    // A project changes little between saves: the last size spares the regrowth of 10 MB.
    sink.reserve(m_lastFileBytes + m_lastFileBytes / 8);
    store(sink);
    std::vector<uint8_t> bytes = sink.take();
    m_lastFileBytes = bytes.size();
    return bytes;
}

DocumentStatus TarnDoc::saveDocument(const std::string& path)
{
    const std::string fullPath = absolutePath(path);
    struct Saved {
        std::string name;
        std::string folder;
        std::vector<uint32_t> keys;
    } saved;
    if (m_root != nullptr) {
        saved.name = m_root->projectName();
        saved.folder = m_root->projectFolder();
        for (const auto& site : m_root->sites()) {
            saved.keys.push_back(site ? site->getSecurityKey() : 0);
        }
        const std::string modelPath = toModelText(fullPath);
        const SplitPath split = splitPath(modelPath);
        if (m_everSerialized &&
            m_root->projectFolder() + m_root->projectName() + ".zavproj" != modelPath) {
            m_root->rekeySites(nowSeconds());
        }
        m_root->setProjectName(stripExtension(split.fileName));
        m_root->setProjectFolder(split.folder);
    }

    // The GUI numbers a gateway's map whenever it shows the Modbus list; a map changed by any
    // other path is numbered here, so a saved file never holds stale registers. A document
    // written only to memory (toBytes) stays as it was read.
    for (const auto& node : m_nodes) {
        if (auto* gateway = dynamic_cast<ZAVGateway*>(node.get())) {
            gateway->numberMapRegisters();
        }
    }
    // Straight into the file: a copy of 10 MB in memory first costs more than writing it.
    const std::string error = writeFileAtomically(fullPath, [this](ByteSink& sink) {
        try {
            store(sink);
        } catch (const ArchiveError& e) {
            return std::string(e.what());
        }
        return std::string();
    });
    if (!error.empty()) {
        // Nothing was written: keep the names and keys the project had.
        if (m_root != nullptr) {
            m_root->setProjectName(saved.name);
            m_root->setProjectFolder(saved.folder);
            for (size_t i = 0; i < saved.keys.size() && i < m_root->sites().size(); ++i) {
                if (m_root->sites()[i]) {
                    m_root->sites()[i]->setSecurityKey(saved.keys[i]);
                }
            }
        }
        return failure("Failed to save document.", error);
    }
    m_path = fullPath;
    m_modified = false;
    if (m_root != nullptr) {
        treeChanged();
        rootChanged();
    }
    return {};
}

void TarnDoc::deleteContents()
{
    m_root = nullptr;
    m_nextNodeId = 0;
    m_gatewayCounter = 0;
    m_nodes.clear();
    m_importClipboard.clear();
    m_nodeClipboard = nullptr;
    m_pathChanged = false;
    m_everSerialized = false;
    m_modified = false;
    m_path.clear();
    treeChanged();
}

void TarnDoc::linkAfterLoad()
{
    m_root = m_nodes.empty() ? nullptr : static_cast<FileNode*>(m_nodes.front().get());
    // Index the ids first; a search per reference would make a large file slow to open.
    m_linkIndex = std::make_unique<std::unordered_map<uint32_t, Node*>>();
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        if (auto* gateway = dynamic_cast<ZAVGateway*>(m_nodes[i].get())) {
            m_linkIndex->try_emplace(gateway->getId(), gateway);
            for (const auto* list : {&gateway->childModules(), &gateway->ioModules()}) {
                for (const auto& child : *list) {
                    if (child) {
                        m_linkIndex->try_emplace(child->getId(), child.get());
                    }
                }
            }
            gateway->beginLinking();
        }
    }
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        Node& node = *m_nodes[i];
        if (node.isGateway()) {
            node.resolveImportSources();
            node.resolveMapSources();
            node.resolveSharedPoints();
        }
    }
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        if (auto* gateway = dynamic_cast<ZAVGateway*>(m_nodes[i].get())) {
            gateway->endLinking();
        }
    }
    m_linkIndex.reset();
    if (m_root != nullptr) {
        if (Site* site = m_root->activeSite()) {
            // Re-applying the stored site changes nothing the file holds: a file that was
            // just opened is not modified by it.
            applySiteToNodes(*site);
        }
    }
    if (m_pathChanged) {
        m_modified = true;
        m_pathChanged = false;
    }
}

void TarnDoc::applySite(Site& site)
{
    applySiteToNodes(site);
    m_modified = true;
}

void TarnDoc::applySiteToNodes(Site& site)
{
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        m_nodes[i]->applySite(site, static_cast<uint32_t>(i));
    }
    treeChanged();
    rootChanged();
}

DocumentStatus TarnDoc::createProject(const NewProjectValues& values)
{
    return saveDocument(newProject(values));
}

std::string TarnDoc::newProject(const NewProjectValues& values)
{
    deleteContents();
    const std::string folder = withTrailingSeparator(values.folder);
    Site site;
    site.setSiteName("Site_1");
    site.setBand(values.band);
    site.setSiteChannel(values.channel);
    site.setFirstGroup(values.group);
    // A new site's next group is 1, so with group 0 or 1 chosen the primary gateway takes
    // group 1, as in the projects of earlier tools, and a rebuilt project keeps its radio
    // address. From group 2 on that would put the gateway below its site's first group: there
    // the gateways start at the chosen group.
    site.setNextGroup(std::max<uint16_t>(site.getNextGroup(), values.group));

    auto root = std::make_unique<FileNode>(values.name, toModelText(folder), site);
    m_root = root.get();
    appendNode(std::move(root));
    treeChanged();
    applySite(*m_root->activeSite());

    if (values.gateway) {
        const NewGatewayValues& g = *values.gateway;
        ZAVGateway& gateway = createGateway(*m_root->activeSite(), g.txPowerIndex);
        gateway.setName(g.name);
        if (SerialPortDefinition* config = gateway.port(0)) {
            config->protocol = g.configPortModbus ? protocolModbusSlave : protocolDebug;
        }
        if (SerialPortDefinition* rtu = gateway.port(2)) {
            rtu->protocol = protocolModbusSlave;
            rtu->recordWord10 = static_cast<uint16_t>(
                (rtu->recordWord10 & ~(portFlagRs485 | portFlagExtended)) |
                (g.rtuRs485 ? portFlagRs485 : 0) | (g.slaveId > 247 ? portFlagExtended : 0));
            rtu->baudRate = g.baudRate;
            rtu->recordWord8 = g.slaveId;
        }
        treeChanged();
        if (m_observer != nullptr) {
            m_observer->openNode(gateway, 4);
        }
    }

    m_modified = true;
    return folder + toNativeText(values.name) + ".zavproj";
}

void TarnDoc::appendNode(std::unique_ptr<Node> node)
{
    node->setContext(this);
    m_nodes.push_back(std::move(node));
}

std::string TarnDoc::documentPath() const
{
    return toModelText(m_path);
}

std::string TarnDoc::title() const
{
    return m_path.empty() ? std::string("Untitled") : splitPath(m_path).fileName;
}

Node* TarnDoc::findNodeById(uint32_t id)
{
    if (m_linkIndex) {
        const auto it = m_linkIndex->find(id);
        return it != m_linkIndex->end() ? it->second : nullptr;
    }
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        if (Node* found = m_nodes[i]->findNodeById(id)) {
            return found;
        }
    }
    return nullptr;
}

void TarnDoc::unlinkPointEverywhere(const Import& point)
{
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        m_nodes[i]->unlinkPoint(point);
    }
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        m_nodes[i]->clearCompiled();
    }
}

void TarnDoc::unlinkNodeEverywhere(const Node& node)
{
    for (size_t i = 1; i < m_nodes.size(); ++i) {
        m_nodes[i]->unlinkNode(node);
    }
}

void TarnDoc::forgetClipboardPoint(const Import& point)
{
    if (std::find(m_importClipboard.begin(), m_importClipboard.end(), &point) !=
        m_importClipboard.end()) {
        m_importClipboard.clear();
    }
}

void TarnDoc::treeChanged()
{
    if (m_observer != nullptr) {
        m_observer->treeChanged();
    }
}

void TarnDoc::rootChanged()
{
    m_notifications.post(MSG_ROOT_CHANGED);
    if (m_observer != nullptr) {
        m_observer->rootChanged();
    }
}

} // namespace quillan
