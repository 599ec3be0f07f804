#pragma once

#include "model/Import.h"
#include "model/Serializable.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quillan {

class Node;

enum ExportDestinationType : int16_t {
    destinationLocalIo = 0,
    destinationRfNode = 1,
    destinationModbus = 2,
    destinationLegacyMonitor = 3,
};

inline constexpr size_t kExportRecordSize = 14;

// Sends the value of one data store point (its source) to a destination. Subclasses add the
// six destination bytes of the device's export record. Module outputs use the same classes.
class Export : public Serializable {
    QUILLAN_SERIAL(Export)
public:
    Export() = default;
    ~Export() override;

    void serialize(Archive& ar) override;
    // Writes the 14-byte export record: Index, destination type, Interval and the details;
    // nothing for a bare Export.
    virtual void fillExportRecord(uint8_t* record) const;
    [[nodiscard]] virtual std::unique_ptr<Export> clone() const;

    void setSource(Import* point);
    [[nodiscard]] Import* getSource() const { return source; }
    [[nodiscard]] const Import* getSourceRoot() const;
    [[nodiscard]] bool sourceChainContains(const Import& point) const;
    [[nodiscard]] bool sourceChainOwnedBy(const Node& node) const;
    [[nodiscard]] const std::string* getGatewayName() const;
    [[nodiscard]] virtual const std::string* getModuleName() const;
    [[nodiscard]] virtual const std::string* getPointName() const { return &exportName; }
    [[nodiscard]] virtual const std::string* getDestinationGatewayName() const { return nullptr; }
    virtual void setLocalOutput(uint32_t /*output*/) {}
    // The source id the file stores: from the live source, 0xFFFFFFFF without one.
    [[nodiscard]] uint32_t liveSourcePointId() const;

    [[nodiscard]] uint16_t detailU16(size_t at) const { return detail_bytes::u16(details, at); }
    void setDetailU16(size_t at, uint16_t value) { detail_bytes::setU16(details, at, value); }

    uint32_t sourcePointId = 0;
    int16_t sourceIndex = -1;
    int16_t destinationType = 0;
    uint32_t interval = 0;
    std::string exportName;
    int32_t useCount = 1;

    Details details{};
    Node* owner = nullptr;
    Import* source = nullptr;
    uint32_t schema = 0xFFFFFFFF;

protected:
    Export(const Export&) = default;
    bool serializeBase(Archive& ar);
    // Index, destination type, Interval and the details.
    void fillBaseRecord(uint8_t* record) const;
};

class IOExport : public Export {
    QUILLAN_SERIAL(IOExport)
public:
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Export> clone() const override;
    void setLocalOutput(uint32_t output) override;
};

// Sends a point over the radio to another gateway, for that gateway's shared imports.
class RFExport : public Export {
    QUILLAN_SERIAL(RFExport)
public:
    void serialize(Archive& ar) override;
    void fillExportRecord(uint8_t* record) const override;
    [[nodiscard]] std::unique_ptr<Export> clone() const override;
    [[nodiscard]] const std::string* getModuleName() const override;
    [[nodiscard]] const std::string* getPointName() const override;
    [[nodiscard]] const std::string* getDestinationGatewayName() const override;
    [[nodiscard]] uint32_t liveDestinationNodeId() const;

    [[nodiscard]] uint16_t radioAddress() const { return detailU16(0); }
    void setRadioAddress(uint16_t address) { setDetailU16(0, address); }

    uint32_t destinationNodeId = 0xFFFFFFFF;
    Node* destinationNode = nullptr;
};

class PolyExport : public Export {
    QUILLAN_SERIAL(PolyExport)
public:
    void serialize(Archive& ar) override;
    void fillExportRecord(uint8_t* record) const override;
    [[nodiscard]] std::unique_ptr<Export> clone() const override;

    uint32_t polyValue1 = 0;
    uint32_t polyValue2 = 0xFFFFFFFF;
};

// Writes a point to a register of a Modbus slave; details: port, slave id, start register,
// number of registers, format.
class MBExport : public Export {
    QUILLAN_SERIAL(MBExport)
public:
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Export> clone() const override;

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

    int32_t mbValue = 0;
};

class LegacyExport : public Export {
    QUILLAN_SERIAL(LegacyExport)
public:
    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Export> clone() const override;
    void setDestinationAddress(uint16_t address) { setDetailU16(0, address); }
    void setDestinationOutput(uint16_t output) { setDetailU16(2, output); }
};

// Import Points: the export of source point s from gateway owner to gateway destination.
[[nodiscard]] std::unique_ptr<RFExport> makeRadioExport(Import& source, Node& destination,
                                                        Node& owner);
// An output of a Modbus or I/O module.
[[nodiscard]] std::unique_ptr<MBExport> makeModbusOutput(Node& module, uint8_t slaveId,
                                                         uint16_t startRegister,
                                                         uint8_t registerCount, uint8_t format);

} // namespace quillan
