#pragma once

#include "model/FileNode.h"
#include "model/Notifications.h"
#include "model/ProjectContext.h"
#include "model/Serializable.h"
#include "model/UserPrompts.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace quillan {

class Archive;
class ByteSink;
class ByteSource;
class DocumentObserver;
class Import;
class MBModule;
class ZAVGateway;
struct ModbusModuleSettings;

// Outcome of opening or saving a project file: the user's message and the cause behind it.
struct DocumentStatus {
    bool ok = true;
    // "Unexpected file format.", "Failed to open document." or "Failed to save document."
    std::string message;
    std::string detail;

    explicit operator bool() const { return ok; }
};

// Paths given to the document are in the system's encoding (UTF-8 here); names and texts in
// the values are in the 8-bit character set of the model.

// The gateway settings of the new-project wizard's third step.
struct NewGatewayValues {
    std::string name = "Gateway";
    uint16_t txPowerIndex = 2;
    bool rtuRs485 = false;
    uint32_t baudRate = 9600;
    uint16_t slaveId = 1;
    bool configPortModbus = false;
};

// What the new-project wizard hands over on Confirm.
struct NewProjectValues {
    std::string name;
    std::string folder;
    uint16_t band = band900;
    uint16_t channel = 0;
    uint16_t group = 0;
    std::optional<NewGatewayValues> gateway;
};

// Every class a project file may hold.
[[nodiscard]] const ClassRegistry& projectClassRegistry();

// The one open project: owns the root and the gateways, hands out node identities, reads and
// writes the project file and carries out the model side of the project commands.
class TarnDoc final : public ProjectContext {
public:
    TarnDoc(NotificationSink& notifications, UserPrompts& prompts);
    ~TarnDoc() override;
    TarnDoc(const TarnDoc&) = delete;
    TarnDoc& operator=(const TarnDoc&) = delete;

    void setObserver(DocumentObserver* observer) { m_observer = observer; }

    // Reads or writes the whole document. realPath names the file being read (empty when no
    // file stands behind the stream); it drives the correction of a moved or renamed file.
    void serialize(Archive& ar, const std::string& realPath = {});
    // The project as a file's bytes.
    void store(ByteSink& sink);

    // Reads a project file; on failure the document is left empty.
    [[nodiscard]] DocumentStatus openDocument(const std::string& path);
    // Corrects the stored name and folder, then writes the file. The file is replaced only
    // once the new contents are safely on disk.
    [[nodiscard]] DocumentStatus saveDocument(const std::string& path);
    // Reads a document from memory; no path correction.
    [[nodiscard]] DocumentStatus loadFromBytes(const std::vector<uint8_t>& bytes);
    // The document as a project file's bytes.
    [[nodiscard]] std::vector<uint8_t> toBytes();

    // Empties the document.
    void deleteContents();
    // Resolves stored numbers into references and applies the active site; run once each time
    // a document is first shown.
    void linkAfterLoad();
    // The creation step of the new-project wizard; saves the new project at once.
    [[nodiscard]] DocumentStatus createProject(const NewProjectValues& values);
    // The same without saving; returns the path the project is to be saved under.
    std::string newProject(const NewProjectValues& values);

    // Project commands. Those the GUI runs a dialog for take the dialog's confirmed values.

    // Appends a copy of a site confirmed in the site dialog.
    void insertSite(const Site& site);
    // A new gateway in the active site; none when there is no active site.
    ZAVGateway* insertGateway();
    // Offers a new Modbus module, with the settings its property sheet was confirmed with, to
    // the node; true when it was accepted.
    bool insertModbusModule(Node& selected, ModbusModuleSettings settings);
    // The same with the property sheet itself: confirm sees the module numbered, named and under
    // its gateway and says whether it stays. A refused module uses up no node id or number.
    bool insertModbusModule(Node& selected, const std::function<bool(MBModule&)>& confirm);
    // Whether the Insert menu offers a gateway (the root being selected) or a Modbus module
    // (the node being selected).
    [[nodiscard]] bool canInsertGateway() const;
    [[nodiscard]] bool canInsertModbusModule(const Node& selected) const;
    [[nodiscard]] bool isFirstSiteActive() const;
    void deleteNode(Node& node);
    void removeSite(Site& site);
    // Writes the values confirmed in the site dialog into the site.
    void editSite(Site& site, const Site& values);
    void applySite(Site& site);
    void moveNodeAfter(Node& node, Node* after);
    // Before a project file is chosen to store on a gateway: a modified document asks to be
    // saved first; Yes runs save (the shell's Save, which offers Save As for a project never
    // saved). False when the user cancelled or the save did not go through.
    [[nodiscard]] bool confirmSaveBeforeStore(const std::function<bool()>& save);

    [[nodiscard]] FileNode* root() const { return m_root; }
    [[nodiscard]] const std::vector<std::unique_ptr<Node>>& nodes() const { return m_nodes; }
    [[nodiscard]] uint32_t nextNodeId() const { return m_nextNodeId; }
    // Takes the next node id.
    [[nodiscard]] uint32_t allocateNodeId() { return m_nextNodeId++; }
    [[nodiscard]] uint32_t gatewayCounter() const { return m_gatewayCounter; }
    [[nodiscard]] bool isModified() const { return m_modified; }
    void setModifiedFlag(bool modified) { m_modified = modified; }
    [[nodiscard]] const std::string& path() const { return m_path; }
    // "Untitled" until the document has a file.
    [[nodiscard]] std::string title() const;
    void setSkipPathFixup(bool skip) { m_skipPathFixup = skip; }
    void setDefaultConfigPortMode(uint32_t mode) { m_defaultConfigPortMode = mode; }

    // ProjectContext
    void setModified() override { m_modified = true; }
    [[nodiscard]] NotificationSink& notifications() override { return m_notifications; }
    [[nodiscard]] UserPrompts& prompts() override { return m_prompts; }
    [[nodiscard]] std::string documentPath() const override;
    [[nodiscard]] Node* findNodeById(uint32_t id) override;
    void unlinkPointEverywhere(const Import& point) override;
    void unlinkNodeEverywhere(const Node& node) override;
    void forgetClipboardPoint(const Import& point) override;
    [[nodiscard]] uint32_t defaultConfigPortMode() const override
    {
        return m_defaultConfigPortMode;
    }

    // Application-wide clipboards that document changes must keep valid.
    [[nodiscard]] std::vector<Import*>& importClipboard() { return m_importClipboard; }
    [[nodiscard]] Node* nodeClipboard() const { return m_nodeClipboard; }
    void setNodeClipboard(Node* node) { m_nodeClipboard = node; }

private:
    void correctPath(const std::string& realPath);
    void applySiteToNodes(Site& site);
    void appendNode(std::unique_ptr<Node> node);
    ZAVGateway& createGateway(Site& site, uint16_t powerLevel);
    void treeChanged();
    void rootChanged();

    NotificationSink& m_notifications;
    UserPrompts& m_prompts;
    DocumentObserver* m_observer = nullptr;

    uint32_t m_nextNodeId = 0;
    uint32_t m_gatewayCounter = 0;
    std::vector<std::unique_ptr<Node>> m_nodes;
    FileNode* m_root = nullptr;

    bool m_pathChanged = false;
    bool m_everSerialized = false;
    bool m_skipPathFixup = false;
    bool m_modified = false;
    std::string m_path;
    uint32_t m_defaultConfigPortMode = 0;
    // Of the last file read or made, to size the next save.
    size_t m_lastFileBytes = 0;
    size_t m_lastTableCount = 0;

    std::vector<Import*> m_importClipboard;
    // Node ids while a file is being linked.
    std::unique_ptr<std::unordered_map<uint32_t, Node*>> m_linkIndex;
    Node* m_nodeClipboard = nullptr;
};

} // namespace quillan
