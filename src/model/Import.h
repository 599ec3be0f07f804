#pragma once

#include "model/DetailBytes.h"
#include "model/Serializable.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace quillan {

class Node;

enum ImportSourceType : int16_t {
    sourceLocalIo = 0,
    sourceRfNode = 1,
    sourceModbus = 2,
    sourceLegacyMonitor = 3,
    sourcePioModule = 4,
    sourceRfNodeTimeout = 5,
    sourceRssiValue = 6,
    sourceRfRefresh = 7,
    sourceModbusWrite = 8,
    sourceRocLink = 9,
};

enum ValueFormat : int16_t { formatShort = 0, formatLong = 1, formatFloat = 2 };

inline constexpr size_t kImportRecordSize = 24;

// One point of a gateway's data store and how the gateway fills it. Subclasses add the six
// bytes that describe the source, which go unchanged into the device's import record.
class Import : public Serializable {
    QUILLAN_SERIAL(Import)
public:
    Import();
    // A point the program makes; takes its id from the owner (a module asks its gateway).
    Import(int16_t format, Node* owner, int16_t sizeWord);
    ~Import() override;

    void serialize(Archive& ar) override;
    // Writes the 24-byte import record: Index, Interval, source type, Zero, Gain, Offset and
    // the details; nothing for a bare Import, which has no source of its own.
    virtual void fillImportRecord(uint8_t* record) const;
    [[nodiscard]] virtual std::unique_ptr<Import> clone() const;

    void setScaling(uint16_t zero, float newGain, float newOffset);
    [[nodiscard]] virtual const std::string* getGatewayName() const;
    [[nodiscard]] virtual const std::string* getModuleName() const;
    [[nodiscard]] virtual const std::string* getPointName() const { return &pointName; }
    [[nodiscard]] virtual Import* getSource() const { return nullptr; }
    // The first point of the source chain: the point itself for all but shared imports.
    [[nodiscard]] const Import* getSourceRoot() const;
    [[nodiscard]] bool sourceChainContains(const Import& point) const;
    // The source chain reaches a point owned by the node.
    [[nodiscard]] bool sourceChainOwnedBy(const Node& node) const;
    [[nodiscard]] virtual bool isSharedImport() const { return false; }
    [[nodiscard]] virtual bool canScale() const { return false; }

    [[nodiscard]] uint16_t detailU16(size_t at) const { return detail_bytes::u16(details, at); }
    void setDetailU16(size_t at, uint16_t value) { detail_bytes::setU16(details, at, value); }

    uint32_t pointId = 0;
    int16_t dataStoreIndex = 0;
    int16_t sourceType = 0;
    uint32_t interval = 0;
    uint16_t zeroWord = 0;
    float gain = 0.0f;
    float offset = 0.0f;
    int16_t spareShort = 0;
    int16_t sizeWord = 0;
    int16_t formatWord = 0;
    std::string pointName;
    bool inImportTable = false;
    bool spareBool = false;
    int32_t imageIndex = -1;
    int32_t selectedImageIndex = -1;
    int16_t pointType = -1;

    Details details{};
    Node* owner = nullptr;
    uint32_t schema = 0xFFFFFFFF;

protected:
    Import(const Import&) = default;
    // Reads or writes the base fields; false when a read object's schema is unknown and
    // nothing more may be read.
    bool serializeBase(Archive& ar);
    // Index, Interval, source type, Zero, Gain, Offset and the details.
    void fillBaseRecord(uint8_t* record) const;
};

// The gateway's own local I/O point; details: uint32 local channel.
class IOImport : public Import {
    QUILLAN_SERIAL(IOImport)
public:
    IOImport() = default;
    IOImport(int16_t fmt, Node* ownerNode, int16_t size) : Import(fmt, ownerNode, size) {}
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;
    [[nodiscard]] uint32_t localChannel() const;
    void setLocalChannel(uint32_t channel);
};

// A point taken over the radio from a point of another gateway.
class RFImport : public Import {
    QUILLAN_SERIAL(RFImport)
public:
    RFImport() = default;
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;
    [[nodiscard]] const std::string* getGatewayName() const override;
    [[nodiscard]] const std::string* getModuleName() const override;
    [[nodiscard]] const std::string* getPointName() const override;
    [[nodiscard]] Import* getSource() const override { return source; }
    [[nodiscard]] bool isSharedImport() const override { return true; }
    [[nodiscard]] bool canScale() const override { return true; }

    [[nodiscard]] uint16_t radioAddress() const { return detailU16(0); }
    void setRadioAddress(uint16_t address) { setDetailU16(0, address); }
    [[nodiscard]] uint16_t sourcePointIndex() const { return detailU16(2); }
    void setSourcePointIndex(uint16_t index) { setDetailU16(2, index); }
    // The ids the file stores: from the live source when there is one.
    [[nodiscard]] uint32_t liveSourceNodeId() const;
    [[nodiscard]] uint32_t liveSourcePointId() const;

    uint32_t sourceNodeId = 0;
    uint32_t sourcePointId = 0;
    Import* source = nullptr;
};

class PolyImport : public Import {
    QUILLAN_SERIAL(PolyImport)
public:
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;
    [[nodiscard]] bool canScale() const override { return true; }
};

// A point read from a Modbus slave; details: port, slave id, start register, number of
// registers, format.
class MBImport : public Import {
    QUILLAN_SERIAL(MBImport)
public:
    MBImport() = default;
    MBImport(int16_t fmt, Node* ownerNode, int16_t size) : Import(fmt, ownerNode, size) {}
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;
    // Scaled only under a generic Modbus module.
    [[nodiscard]] bool canScale() const override;

    [[nodiscard]] uint8_t port() const { return details[0]; }
    [[nodiscard]] uint8_t slaveId() const { return details[1]; }
    [[nodiscard]] uint16_t startRegister() const { return detailU16(2); }
    [[nodiscard]] uint8_t registerCount() const { return details[4]; }
    [[nodiscard]] uint8_t format() const { return details[5]; }
    void setModbusDetails(uint8_t portNumber, uint8_t slave, uint16_t start, uint8_t count,
                          uint8_t fmt)
    {
        detail_bytes::setModbus(details, portNumber, slave, start, count, fmt);
    }
};

// A value read from a legacy monitor; details: radio address, command, offset, format, extra.
class LegacyImport : public Import {
    QUILLAN_SERIAL(LegacyImport)
public:
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;
};

#define QUILLAN_LEGACY_IMPORT(Class, Scales)                                                     \
    class Class : public LegacyImport {                                                          \
        QUILLAN_SERIAL(Class)                                                                    \
    public:                                                                                      \
        [[nodiscard]] std::unique_ptr<Import> clone() const override                             \
        {                                                                                        \
            return std::unique_ptr<Import>(new Class(*this));                                    \
        }                                                                                        \
        [[nodiscard]] bool canScale() const override { return Scales; }                          \
    };

QUILLAN_LEGACY_IMPORT(AnalogImport, false)
QUILLAN_LEGACY_IMPORT(DiscreteImport, false)
QUILLAN_LEGACY_IMPORT(SiemensDLSImport, true)
QUILLAN_LEGACY_IMPORT(VelLevelImport, true)
QUILLAN_LEGACY_IMPORT(VelRTDImport, true)
QUILLAN_LEGACY_IMPORT(VelFlowImport, true)
#undef QUILLAN_LEGACY_IMPORT

class PIOImport : public Import {
    QUILLAN_SERIAL(PIOImport)
public:
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;

    uint32_t pioValue = 0;
};

// The three radio-status imports: details are the radio address only; each has its own fixed
// value selection code.
class RadioStatusImport : public Import {
public:
    void serialize(Archive& ar) override;
    void fillImportRecord(uint8_t* record) const override;

protected:
    [[nodiscard]] virtual int16_t fixedPointType() const = 0;
};

#define QUILLAN_RADIO_STATUS_IMPORT(Class, Code)                                                 \
    class Class : public RadioStatusImport {                                                     \
        QUILLAN_SERIAL(Class)                                                                    \
    public:                                                                                      \
        [[nodiscard]] std::unique_ptr<Import> clone() const override                             \
        {                                                                                        \
            return std::unique_ptr<Import>(new Class(*this));                                    \
        }                                                                                        \
                                                                                                 \
    protected:                                                                                   \
        [[nodiscard]] int16_t fixedPointType() const override { return Code; }                   \
    };

QUILLAN_RADIO_STATUS_IMPORT(RFNodeImport, 126)
QUILLAN_RADIO_STATUS_IMPORT(RSSIImport, 127)
QUILLAN_RADIO_STATUS_IMPORT(RFRefreshImport, 125)
#undef QUILLAN_RADIO_STATUS_IMPORT

// A Modbus write import: a data store point that a Modbus master writes.
class MBCommand : public Import {
    QUILLAN_SERIAL(MBCommand)
public:
    MBCommand() = default;
    MBCommand(int16_t fmt, Node* ownerNode, int16_t size) : Import(fmt, ownerNode, size) {}
    void serialize(Archive& ar) override;
    void fillImportRecord(uint8_t* record) const override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;
};

class ROCImport : public Import {
    QUILLAN_SERIAL(ROCImport)
public:
    void serialize(Archive& ar) override;
    void fillImportRecord(uint8_t* record) const override;
    [[nodiscard]] std::unique_ptr<Import> clone() const override;

    uint8_t rocByte3 = 0;
    uint8_t rocByte1 = 0;
    uint8_t rocByte2 = 0;
    uint8_t rocByte0 = 0;
};

// The gateway that owns a point: its owner, or the owner's parent for module points.
[[nodiscard]] Node* owningGateway(const Import& point);

// Import Points: a shared import of source point s for gateway g.
[[nodiscard]] std::unique_ptr<RFImport> makeSharedImport(Import& source, Node& gateway);
// An input of a Modbus or I/O module.
[[nodiscard]] std::unique_ptr<MBImport> makeModbusInput(int16_t format, Node& module,
                                                        int16_t sizeWord, uint8_t slaveId,
                                                        uint16_t startRegister,
                                                        uint8_t registerCount,
                                                        uint8_t formatByte);
// A Modbus write import of gateway g; float write imports hold 32-bit values.
[[nodiscard]] std::unique_ptr<MBCommand> makeWriteImport(const std::string& name, Node& gateway,
                                                         bool isFloat);

} // namespace quillan
