#pragma once

#include "gateway/ConfigImage.h"
#include "model/Export.h"
#include "model/Import.h"
#include "model/ModbusMap.h"
#include "model/Node.h"
#include "model/SerialPortDefinition.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quillan {

class MBModule;
class ZAVModule;

// Scaling of one local analog channel.
struct AnalogScaling {
    uint16_t zeroCount = 0;
    uint16_t fullScaleCount = 4096;
    float low = 0.0f;
    float high = 100.0f;
    uint16_t mode = 3;

    // Zero word, gain and offset this record gives an import.
    void applyTo(Import& point) const;
};

// Bits of limitWarnings: a limit already reported to the user.
enum LimitWarning : uint8_t {
    limitImports = 0x01,
    limitExports = 0x02,
    limitOutputs = 0x04,
    limitModbusRegisters = 0x08,
};

inline constexpr int kTableLimit = 1920;

// Results of the limit check before a write to the device.
enum class TableLimit { none = 0, points = 39, imports = 40, exports = 41, modbusMap = 42 };

// The warning box of a list whose rows went above 1,920.
struct LimitNotice {
    const char* caption;
    const char* text;
};
[[nodiscard]] LimitNotice limitNotice(LimitWarning list);

// The rows of one of the gateway's lists, and whether they went above the device's limit. The
// fill shows nothing: the caller decides on the warning, once (ZAVGateway::noticeToShow).
struct GatewayList {
    ListRows rows;
    LimitWarning list = limitImports;
    bool overLimit = false;
};

// A compiled configuration: the image to write and the first table above 1,920 records. A
// plain value, so the thread that writes it needs nothing else of the project.
struct CompiledImage {
    ConfigImage image;
    TableLimit limit = TableLimit::none;
};

// A name for a list cell: empty for none.
[[nodiscard]] inline const char* nameOf(const std::string* name)
{
    return name != nullptr ? name->c_str() : "";
}

// "%02d:%02d:%02d" of an interval in seconds, or "On Change" for 0.
[[nodiscard]] std::string formatInterval(uint32_t seconds);
// The label a point starts from in the lists: the Modbus-write label of its gateway for a
// write import, its module's name for module points, else "Base".
[[nodiscard]] std::string pointBaseLabel(const Import& point);
inline constexpr uint16_t kFloatTableStart = 7001;

// Firmware whose version text has a third character below '2' reads a level input's value 16
// as two registers; its image is compiled with that version. None: the device is not known.
[[nodiscard]] bool olderLevelFirmware(const std::optional<std::string>& version);

// One ZAV Gateway Module of the project: its ports, its own points, its modules, the points
// it shares, exports and maps, and the counters that number them.
class ZAVGateway : public Node {
    QUILLAN_SERIAL(ZAVGateway)
public:
    ZAVGateway();
    // A new gateway; configPortMode non-zero makes its CONFIG port a Modbus slave.
    ZAVGateway(int32_t number, uint32_t group, uint32_t id, uint32_t configPortMode = 0);
    ~ZAVGateway() override;

    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;

    void setName(const std::string& name) override;
    [[nodiscard]] const std::string* getGatewayName() const override { return &m_name; }
    [[nodiscard]] uint16_t defaultPowerLevel() const override { return 2; }
    void setSite(Site* site) override { m_site = site; }
    void applySite(Site& site, uint32_t index) override;
    [[nodiscard]] Node* findNodeById(uint32_t id) override;
    [[nodiscard]] bool hasChild(const Node& node) const override;
    void afterLoad() override;
    void resolveImportSources() override;
    void resolveMapSources() override;
    void resolveSharedPoints() override;
    void unlinkPoint(const Import& point) override;
    void unlinkNode(const Node& node) override;
    void clearCompiled() override;
    [[nodiscard]] uint32_t nextTagNumber() override
    {
        const auto number = static_cast<uint32_t>(tagCounter);
        tagCounter = static_cast<int32_t>(number + 1u);
        return number;
    }
    [[nodiscard]] int getPointIndex(const Import& point) const override;
    [[nodiscard]] int32_t nextModbusModuleNumber() override
    {
        modbusModuleCounter = static_cast<int32_t>(static_cast<uint32_t>(modbusModuleCounter) + 1u);
        return modbusModuleCounter;
    }
    void setModbusModuleNumber(int32_t number) override { modbusModuleCounter = number; }
    [[nodiscard]] uint16_t nextModuleId() override { return moduleIdCounter++; }
    [[nodiscard]] SerialPortDefinition* getPort0() const override { return port(0); }
    [[nodiscard]] SerialPortDefinition* getPort1() const override { return port(1); }
    [[nodiscard]] SerialPortDefinition* getPort2() const override { return port(2); }
    void fillInfoList(ListRows& rows) const override;
    [[nodiscard]] int getImageIndex() const override { return 38; }

    // Ports.
    [[nodiscard]] SerialPortDefinition* port(size_t index) const;
    [[nodiscard]] bool secondPortIsModuleMaster() const;
    [[nodiscard]] bool hasModuleMasterPort() const;
    [[nodiscard]] bool secondPortIsRocMaster() const;

    // Children.
    [[nodiscard]] bool hasChildModules() const
    {
        return !m_childModules.empty() || !m_ioModules.empty();
    }
    // Offers a new Modbus module, which joins when confirm (its property sheet) accepts it;
    // false when the child is not a Modbus module or was refused.
    bool addChild(std::unique_ptr<Node> child, const std::function<bool(MBModule&)>& confirm);
    // Takes a child out of either child list; the caller destroys it.
    [[nodiscard]] std::unique_ptr<Node> takeChild(const Node& child);
    // Moves a child among the Modbus modules to just after another one (to the head without one).
    void moveChildAfter(const Node& child, const Node* after);
    // Appends a new I/O module, giving its inputs their Modbus map entries by its map options.
    void addIoModule(std::unique_ptr<ZAVModule> module);
    // Merges the I/O bus page's working copies into ioModules on the sheet's OK: copies new
    // to the gateway are cloned in with their map entries, modules of the same kind take the
    // copy's settings and point fields (inputs dropped from the imports table are unlinked
    // everywhere), and modules no copy stands for are unlinked and destroyed.
    void syncIoModules(const std::vector<std::unique_ptr<ZAVModule>>& copies);
    [[nodiscard]] bool ioModuleLimitReached() const { return ioModuleCount >= 64; }
    [[nodiscard]] uint16_t nextIoModuleNumber() { return ioModuleCount++; }

    // Points.
    [[nodiscard]] Import* findPointById(uint32_t id) const;
    // While a file is linked nothing changes the points, so lookups may use an index: a
    // damaged or hostile file with many points must not make linking quadratic.
    void beginLinking();
    void endLinking() { m_linkIndex.reset(); }
    // The label of a point in the lists: "Base:VIN", "MBModule:Point_1", "Gateway_2:Base:VIN".
    [[nodiscard]] std::string formatPointLabel(const Import& point) const;
    // "MB3005": the label of a point the Modbus map shows; empty when no entry shows it.
    [[nodiscard]] std::string formatMapSourceLabel(const Import& point) const;
    // Calls visit for each point in numbering order: local, Modbus and other module inputs,
    // I/O module inputs, shared imports, write imports.
    void forEachPoint(const std::function<void(Import&)>& visit) const;

    // Shared imports and exports.
    size_t addSharedImport(std::unique_ptr<Import> point);
    bool removeImport(const Import& point);
    size_t addExport(std::unique_ptr<Export> entry);
    [[nodiscard]] bool hasExportForPoint(const Import& point) const;
    bool incrementExportUse(const Import& point, const Node& destination);
    void unlinkImport(const Import& point);
    [[nodiscard]] bool hasImportFromAddress(const Node& node) const;
    size_t addWriteImport(std::unique_ptr<Import> point);

    // Modbus map lists.
    void addMapEntry(std::unique_ptr<ModbusMap> entry, bool isFloat);
    // Takes the entry out of its list (and its write import out of writeImports); the caller
    // owns what comes back; none when the entry is not in its list.
    struct RemovedMapEntry {
        std::unique_ptr<ModbusMap> entry;
        std::unique_ptr<Import> writeImport;
    };
    [[nodiscard]] RemovedMapEntry removeMapEntry(const ModbusMap& entry);
    [[nodiscard]] bool canMoveMapEntryUp(const ModbusMap& entry) const;
    [[nodiscard]] bool canMoveMapEntryDown(const ModbusMap& entry) const;
    void moveMapEntryUp(const ModbusMap& entry);
    void moveMapEntryDown(const ModbusMap& entry);
    [[nodiscard]] size_t getMapIntegerCount() const { return m_mapIntegerList.size(); }
    // "Edit Starting Register": the dialog's value, kept within its 0 to 3001 range. The
    // registers follow at the next numbering.
    void editStartingRegister(long value);
    // "Modify Write Import": the write import the entry shows takes the new name; false when
    // the entry shows no write import or the name is empty.
    bool editWriteImport(const ModbusMap& entry, const std::string& name);

    // Numbers the data store as the compile does, without writing an image: every point's
    // data store index and the data store and import counters become current.
    void recompileTables();
    // Gives every map entry its register: the integer table from startingRegister, the
    // floating-point table from 7001, a refresh row taking the register after its entry.
    void numberMapRegisters();

    // List rows of the views. The Modbus list numbers the registers first, as the compile does.
    [[nodiscard]] GatewayList fillImportList() const;
    [[nodiscard]] GatewayList fillExportList() const;
    [[nodiscard]] GatewayList fillOutputList() const;
    [[nodiscard]] GatewayList fillModbusMapList(const ModbusMap* select = nullptr);
    // The warning to show for a list just filled: once while it stays above its limit, again
    // after it came back within it or resetLimitWarnings.
    [[nodiscard]] std::optional<LimitNotice> noticeToShow(const GatewayList& list);

    struct CompileOptions {
        // The firmware version the device reported; older firmware reads some legacy level
        // values differently.
        std::optional<std::string> firmwareVersion;
    };
    // Compiles the device configuration image from the project. It numbers the data store,
    // the tables and the map registers in the model as it goes, so it runs on the thread that
    // owns the project.
    [[nodiscard]] CompiledImage compileImage(const CompileOptions& options = {});
    // The first table of the last compile above 1,920 records.
    [[nodiscard]] TableLimit exceededLimit() const;
    void resetLimitWarnings() { limitWarnings = 0; }
    // Copies the radio words and port records of another gateway.
    void pasteProperties(const ZAVGateway& source);

    // Counters come from the file and may hold any value: they step modulo 2^32.
    int32_t gatewayNumber = 0;
    int32_t tagCounter = 0;
    int32_t reservedWord = 0;
    std::array<AnalogScaling, 4> analogScaling{};
    int32_t modbusModuleCounter = 0;
    uint16_t ioModuleCount = 0;
    uint16_t startingRegister = 3001;
    uint16_t moduleIdCounter = 1;

    uint8_t limitWarnings = 0;
    // Set by the last compile (or recompileTables).
    int32_t dataStoreCounter = 0;
    int32_t importRecordCounter = 0;
    int32_t exportRecordCounter = 0;
    int32_t mapRecordCounter = 0;

    // The gateway's lists. They change only through the operations above, which keep their
    // owners, parents, map registers and the points other gateways share from them in step.
    template <class T> using List = std::vector<std::unique_ptr<T>>;
    // CONFIG, RS485 and RTU, in this order; a damaged file may hold fewer.
    [[nodiscard]] const List<SerialPortDefinition>& ports() const { return m_ports; }
    [[nodiscard]] const List<Node>& childModules() const { return m_childModules; }
    [[nodiscard]] const List<Node>& ioModules() const { return m_ioModules; }
    [[nodiscard]] const List<Import>& localImports() const { return m_localImports; }
    [[nodiscard]] const List<Import>& writeImports() const { return m_writeImports; }
    [[nodiscard]] const List<Import>& sharedImports() const { return m_sharedImports; }
    [[nodiscard]] const List<Export>& exports() const { return m_exports; }
    [[nodiscard]] const List<Export>& outputs() const { return m_outputs; }
    [[nodiscard]] const List<ModbusMap>& mapIntegerList() const { return m_mapIntegerList; }
    [[nodiscard]] const List<ModbusMap>& mapFloatList() const { return m_mapFloatList; }

private:
    // Tests build damaged and oversized gateways through it.
    friend class GatewayTestAccess;

    ZAVGateway(const ZAVGateway& other);
    void compileImports(ConfigImage& image, const CompileOptions& options);
    void compileExports(ConfigImage& image);
    void compileModbusMap(ConfigImage& image);
    [[nodiscard]] std::string mapPointText(const Import* point, bool refresh) const;

    List<SerialPortDefinition> m_ports;
    List<Node> m_childModules;
    List<Import> m_localImports;
    List<Export> m_outputs;
    List<Import> m_writeImports;
    List<Import> m_sharedImports;
    List<Export> m_exports;
    List<ModbusMap> m_mapIntegerList;
    List<ModbusMap> m_mapFloatList;
    List<Node> m_ioModules;
    // What unlinking took out, kept until clearCompiled.
    List<Import> m_removedImports;
    List<Export> m_removedExports;
    List<ModbusMap> m_removedMapEntries;

    std::unique_ptr<std::unordered_map<uint32_t, Import*>> m_linkIndex;
    void setOwners();
    [[nodiscard]] bool takeLimitWarning(LimitWarning list, bool overLimit);
};

// Default scaling records of a new gateway.
[[nodiscard]] std::array<AnalogScaling, 4> defaultAnalogScaling();

} // namespace quillan
