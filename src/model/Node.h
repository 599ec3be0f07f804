#pragma once

#include "model/ListRow.h"
#include "model/Serializable.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillan {

class Export;
class Import;
class ProjectContext;
class SerialPortDefinition;
class Site;

enum NodeKind : uint32_t { kindProjectRoot = 0, kindGateway = 1, kindModbusModule = 2 };

// Radio flag bits of a node.
enum RadioFlags : uint16_t {
    radioPowerMask = 0x3F,
    radioAes = 0x40,
    radioLowBitRate = 0x80,
};

// Element of the project tree: the project root, gateways and modules. Holds the identity,
// kind, name and radio words every node shares, and the operations the document, the views
// and the gateway ask of any node; the base answers with a neutral value.
class Node : public Serializable {
    QUILLAN_SERIAL(Node)
public:
    // Used by the class factory when a file is read.
    Node() = default;
    // A node the program creates.
    Node(uint32_t id, uint32_t kind, uint32_t group);
    ~Node() override;

    void serialize(Archive& ar) override;
    [[nodiscard]] virtual std::unique_ptr<Node> clone() const;

    [[nodiscard]] uint32_t getId() const { return m_id; }
    void setId(uint32_t id) { m_id = id; }
    [[nodiscard]] uint32_t getKind() const { return m_kind; }
    [[nodiscard]] const std::string& getName() const { return m_name; }
    virtual void setName(const std::string& name) { m_name = name; }
    [[nodiscard]] bool isProjectRoot() const { return m_kind == kindProjectRoot; }
    [[nodiscard]] bool isGateway() const { return m_kind == kindGateway; }
    [[nodiscard]] bool getSpareFlag() const { return m_spareFlag; }
    void setSpareFlag(bool flag) { m_spareFlag = flag; }

    // The gateway's name for a gateway and its modules; none elsewhere.
    [[nodiscard]] virtual const std::string* getGatewayName() const { return nullptr; }
    // A module's own name; none elsewhere.
    [[nodiscard]] virtual const std::string* getModuleName() const { return nullptr; }

    // Radio words.
    [[nodiscard]] uint16_t defaultRetries() const { return m_channel > 9 ? 0 : 3; }
    [[nodiscard]] virtual uint16_t defaultPowerLevel() const { return 1; }
    [[nodiscard]] bool isAesEnabled() const { return (m_radioFlags & radioAes) != 0; }
    [[nodiscard]] bool isLowBitRate() const { return (m_radioFlags & radioLowBitRate) != 0; }
    [[nodiscard]] uint16_t getGroupAddress() const { return m_groupAddress; }
    [[nodiscard]] uint16_t getNodeNumber() const { return m_address & 0x3F; }
    [[nodiscard]] uint16_t getGroupNumber() const { return m_address >> 6; }
    [[nodiscard]] uint16_t getChannel() const { return m_channel; }
    [[nodiscard]] uint16_t getAddress() const { return m_address; }
    [[nodiscard]] uint16_t getRadioFlags() const { return m_radioFlags; }
    [[nodiscard]] uint16_t getRetries() const { return m_retries; }
    void setAddress(uint16_t v) { m_address = v; }
    void setGroupAddress(uint16_t v) { m_groupAddress = v; }
    void setRadioFlags(uint16_t v) { m_radioFlags = v; }
    void setRetries(uint16_t v) { m_retries = v; }
    void setChannel(uint16_t v) { m_channel = v; }

    // Tree links; not stored in the file.
    [[nodiscard]] Node* getParent() const { return m_parent; }
    void setParent(Node* parent) { m_parent = parent; }
    [[nodiscard]] Site* getSite() const { return m_site; }
    virtual void setSite(Site*) {}
    // Takes the radio settings of a site; index is the node's position in the document.
    virtual void applySite(Site& /*site*/, uint32_t /*index*/) {}
    [[nodiscard]] virtual Node* findNodeById(uint32_t /*id*/) { return nullptr; }
    [[nodiscard]] virtual bool hasChild(const Node& /*node*/) const { return false; }

    // Runs after the whole file was read (parents of modules).
    virtual void afterLoad() {}
    // Post-load linking of stored numbers into references.
    virtual void resolveImportSources() {}
    virtual void resolveMapSources() {}
    virtual void resolveSharedPoints() {}
    // Forget every reference to a point or node that is being deleted.
    virtual void unlinkPoint(const Import& /*point*/) {}
    virtual void unlinkNode(const Node& /*node*/) {}
    // Deletes what unlinking set aside.
    virtual void clearCompiled() {}

    // Counters and ports a gateway keeps for its modules.
    [[nodiscard]] virtual int32_t nextModbusModuleNumber() { return -1; }
    virtual void setModbusModuleNumber(int32_t /*number*/) {}
    [[nodiscard]] virtual uint16_t nextModuleId() { return 0xFFFF; }
    [[nodiscard]] virtual SerialPortDefinition* getPort0() const { return nullptr; }
    [[nodiscard]] virtual SerialPortDefinition* getPort1() const { return nullptr; }
    [[nodiscard]] virtual SerialPortDefinition* getPort2() const { return nullptr; }

    // Points.
    [[nodiscard]] virtual uint32_t nextTagNumber() { return 0xFFFFFFFF; }
    // Data store numbering of a point among its gateway's points; -1 when not found.
    [[nodiscard]] virtual int getPointIndex(const Import& /*point*/) const { return -1; }
    [[nodiscard]] virtual std::vector<std::unique_ptr<Import>>* getModuleInputs()
    {
        return nullptr;
    }
    [[nodiscard]] virtual std::vector<std::unique_ptr<Export>>* getModuleOutputs()
    {
        return nullptr;
    }
    [[nodiscard]] const std::vector<std::unique_ptr<Import>>* moduleInputs() const
    {
        return const_cast<Node*>(this)->getModuleInputs();
    }
    [[nodiscard]] const std::vector<std::unique_ptr<Export>>* moduleOutputs() const
    {
        return const_cast<Node*>(this)->getModuleOutputs();
    }
    [[nodiscard]] virtual bool isModbusModule() const { return false; }
    [[nodiscard]] virtual bool compilesModbusImports() const { return false; }
    [[nodiscard]] virtual uint8_t getIoKind() const { return 0xFF; }
    // Bit 0: the module's inputs go into the integer Modbus map, bit 1: into the float map.
    void setMapOptions(uint32_t options) { m_mapOptions = options; }
    [[nodiscard]] uint32_t getMapOptions() const { return m_mapOptions; }

    // Device tab rows.
    virtual void fillInfoList(ListRows& /*rows*/) const {}
    [[nodiscard]] virtual int getImageIndex() const { return -1; }

    // The document this node belongs to (through its parent for modules); may be none.
    [[nodiscard]] ProjectContext* context() const;
    void setContext(ProjectContext* context) { m_context = context; }
    void markModified() const;

protected:
    Node(const Node& other) = default;
    Node& operator=(const Node&) = default;

    uint32_t m_id = 0;
    uint32_t m_spareValue = 0;
    uint32_t m_kind = 0;
    std::string m_name;
    uint16_t m_spareWord = 0;
    uint16_t m_address = 0;
    uint16_t m_channel = 0;
    uint16_t m_groupAddress = 0;
    uint16_t m_radioFlags = 0;
    uint16_t m_retries = 0;
    bool m_spareFlag = false;

    Node* m_parent = nullptr;
    Site* m_site = nullptr;
    uint32_t m_schema = 0xFFFFFFFF;
    uint32_t m_mapOptions = 0;
    ProjectContext* m_context = nullptr;
};

// Display name of a device type code; empty for unknown codes.
[[nodiscard]] std::string getDeviceTypeName(uint16_t code);

} // namespace quillan
