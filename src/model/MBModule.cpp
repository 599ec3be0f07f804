#include "model/MBModule.h"

#include "model/Archive.h"
#include "model/Notifications.h"
#include "model/ProjectContext.h"
#include "model/SerialPortDefinition.h"
#include "model/Text.h"
#include "model/UserPrompts.h"

#include <algorithm>

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(MBModule, Node)

MBModule::MBModule(uint32_t id) : Node(id, kindModbusModule, 0), pollInterval(900) {}

MBModule::~MBModule() = default;

MBModule::MBModule(const MBModule& other)
    : Node(other), pollInterval(other.pollInterval), modbusPort(other.modbusPort),
      slaveId(other.slaveId), firstRegister(other.firstRegister),
      registerCount(other.registerCount), registerFormat(other.registerFormat)
{
    // A copy always sits on the RS485 port, where pasted modules live.
    modbusPort = 2;
    m_points.copyFrom(other.m_points, this);
    for (auto& input : m_points.inputs) {
        if (input && (dynamic_cast<MBImport*>(input.get()) != nullptr ||
                      dynamic_cast<PIOImport*>(input.get()) != nullptr)) {
            input->details[0] = 2;
        }
    }
    for (auto& output : m_points.outputs) {
        if (dynamic_cast<MBExport*>(output.get()) != nullptr) {
            output->details[0] = 2;
        }
    }
}

void MBModule::serialize(Archive& ar)
{
    Node::serialize(ar);
    if (ar.isStoring() || m_schema == 1) {
        ar.io(pollInterval);
        ar.io(modbusPort);
        ar.io(slaveId);
        ar.io(firstRegister);
        ar.io(registerCount);
        ar.io(registerFormat);
        m_points.serialize(ar);
    }
    if (ar.isLoading()) {
        m_points.setOwner(this);
    }
}

std::unique_ptr<Node> MBModule::clone() const
{
    return std::unique_ptr<Node>(new MBModule(*this));
}

void MBModule::setName(const std::string& name)
{
    m_name = name;
    markModified();
}

const std::string* MBModule::getGatewayName() const
{
    return m_parent != nullptr ? m_parent->getGatewayName() : nullptr;
}

int MBModule::getPointIndex(const Import& point) const
{
    return m_parent != nullptr ? m_parent->getPointIndex(point) : -1;
}

uint32_t MBModule::nextTagNumber()
{
    return m_parent != nullptr ? m_parent->nextTagNumber() : 0xFFFFFFFF;
}

uint8_t MBModule::getModbusPort() const
{
    if (modbusPort != 0 && slaveId != 0) {
        return modbusPort;
    }
    return !m_points.outputs.empty() && m_points.outputs.front()
               ? m_points.outputs.front()->details[0]
               : 0;
}

uint8_t MBModule::getModbusSlaveId() const
{
    if (modbusPort != 0 && slaveId != 0) {
        return slaveId;
    }
    return !m_points.outputs.empty() && m_points.outputs.front()
               ? m_points.outputs.front()->details[1]
               : 0;
}

void MBModule::fillInfoList(ListRows& rows) const
{
    rows.clear();
    rows.push_back({{"Type", "Generic Modbus Module"}, -1, {}, false});
    rows.push_back({{"Name", m_name}, 2, {}, false});
    const uint8_t port = getModbusPort();
    const char* portName = port == 1 ? "CONFIG" : port == 2 ? "RS485" : port == 3 ? "RTU" : "";
    rows.push_back({{"Serial Port", portName}, -1, {}, false});
    rows.push_back({{"Slave Id", strprintf("%d", getModbusSlaveId())}, -1, {}, false});
    const auto* first = !m_points.inputs.empty()
                            ? dynamic_cast<const MBImport*>(m_points.inputs.front().get())
                            : nullptr;
    if (first != nullptr) {
        const int start = first->startRegister();
        rows.push_back({{"Modbus Registers",
                         strprintf("R%d - R%d", start, start + first->registerCount() - 1)},
                        -1,
                        {},
                        false});
        std::string format = (registerFormat & 0x7F) == 0 ? "Integer (16 bit)" : "Float (32 bit)";
        format += (registerFormat & 0x80) != 0 ? " FC4" : " FC3";
        rows.push_back({{"Register Format", format}, -1, {}, false});
    }
    for (size_t i = 0; i < m_points.outputs.size(); ++i) {
        const Export* output = m_points.outputs[i].get();
        if (output == nullptr) {
            continue;
        }
        const std::string* name = output->getPointName();
        rows.push_back({{strprintf("Output %d", static_cast<int>(i)),
                         strprintf("R%d, %s, %s", output->detailU16(2),
                                   output->details[5] != 0 ? "Float (32 bit)" : "Integer (16 bit)",
                                   name != nullptr ? name->c_str() : "")},
                        -1,
                        {},
                        false});
    }
}

bool MBModule::attachToParent(Node& gateway, const std::function<bool(MBModule&)>& confirm)
{
    m_parent = &gateway;
    const int32_t n = gateway.nextModbusModuleNumber();
    m_name = n < 2 ? std::string("MBModule") : strprintf("MBModule_%d", n);
    if (confirm(*this)) {
        return true;
    }
    gateway.setModbusModuleNumber(n - 1);
    m_parent = nullptr;
    return false;
}

namespace {

// A module without a port is offered the gateway's RTU port while that is a Modbus master.
uint8_t defaultPort(const Node* gateway)
{
    const SerialPortDefinition* rtu = gateway != nullptr ? gateway->getPort2() : nullptr;
    return rtu != nullptr && rtu->protocol == protocolModbusMaster ? rtu->portNumber : 0;
}

} // namespace

ModbusModuleSettings MBModule::openingSettings() const
{
    ModbusModuleSettings s;
    s.slaveId = getModbusSlaveId() != 0 ? getModbusSlaveId() : 1;
    s.port = getModbusPort();
    if (s.port == 0) {
        s.port = defaultPort(m_parent);
    }
    s.interval = pollInterval;
    s.firstRegister = firstRegister;
    s.registerCount = registerCount;
    s.registerFormat = registerFormat;
    for (const auto& input : m_points.inputs) {
        s.inputNames.push_back(input ? input->pointName : std::string());
    }
    for (const auto& output : m_points.outputs) {
        s.outputs.push_back({output.get(), nullptr});
    }
    return s;
}

ModbusModuleSettings MBModule::newModuleSettings(const Node& gateway)
{
    ModbusModuleSettings s;
    s.slaveId = 1;
    s.port = defaultPort(&gateway);
    return s;
}

void MBModule::applyProperties(ModbusModuleSettings s)
{
    ProjectContext* c = context();
    pollInterval = s.interval;
    const uint8_t f = s.registerFormat;
    for (size_t i = 0; i < s.inputNames.size(); ++i) {
        if (i >= m_points.inputs.size() || !m_points.inputs[i]) {
            auto input =
                makeModbusInput(static_cast<int16_t>(f & 0x7F), *this, sizeWordForFormat(f),
                                s.slaveId, s.firstRegister, s.registerCount, f);
            if (i >= m_points.inputs.size()) {
                m_points.inputs.push_back(std::move(input));
            } else {
                m_points.inputs[i] = std::move(input);
            }
        }
        Import& input = *m_points.inputs[i];
        input.pointName = s.inputNames[i];
        input.interval = s.interval;
        input.sizeWord = sizeWordForFormat(f);
        input.formatWord = f;
        input.details = {s.port,
                         s.slaveId,
                         static_cast<uint8_t>(s.firstRegister),
                         static_cast<uint8_t>(s.firstRegister >> 8),
                         s.registerCount,
                         f};
    }
    modbusPort = s.port;
    slaveId = s.slaveId;
    firstRegister = s.firstRegister;
    registerCount = s.registerCount;
    registerFormat = f;

    while (m_points.inputs.size() > s.inputNames.size()) {
        std::unique_ptr<Import> doomed = std::move(m_points.inputs.back());
        m_points.inputs.pop_back();
        if (doomed && c != nullptr) {
            c->unlinkPointEverywhere(*doomed);
            c->forgetClipboardPoint(*doomed);
        }
    }

    std::vector<std::unique_ptr<Export>> outputs;
    for (auto& entry : s.outputs) {
        std::unique_ptr<Export> output;
        if (entry.added) {
            output = std::move(entry.added);
        } else {
            const auto it =
                std::find_if(m_points.outputs.begin(), m_points.outputs.end(), [&](const auto& o) {
                    return o.get() == entry.existing && o != nullptr;
                });
            if (it == m_points.outputs.end()) {
                continue;
            }
            output = std::move(*it);
        }
        output->owner = this;
        output->details[0] = s.port;
        output->details[1] = s.slaveId;
        outputs.push_back(std::move(output));
    }
    m_points.outputs = std::move(outputs);
    markModified();
}

void MBModule::message(const std::string& caption, const std::string& text) const
{
    if (ProjectContext* c = context()) {
        c->prompts().message(MessageIcon::warning, caption, text);
    }
}

bool MBModule::pasteProperties(const MBModule& source)
{
    if (!m_points.inputs.empty() || !m_points.outputs.empty()) {
        message("Copy / Paste Properties",
                "In order to paste properties to this module,\n\nyou must first remove its "
                "registers.");
        return false;
    }
    if (source.modbusPort == 2) {
        const SerialPortDefinition* rs485 = m_parent != nullptr ? m_parent->getPort1() : nullptr;
        if (rs485 == nullptr) {
            message("You are unable to paste here.", "No RS485 port was found.");
            return false;
        }
        if (rs485->protocol != protocolModbusMaster) {
            message("Parent's RS485 port is not set to Modbus Master.",
                    "Please change the parent node's\nRS485 port settings and try again.");
            return false;
        }
    }
    pollInterval = source.pollInterval;
    modbusPort = source.modbusPort;
    slaveId = source.slaveId;
    firstRegister = source.firstRegister;
    registerCount = source.registerCount;
    registerFormat = source.registerFormat;
    for (size_t i = 0; i < source.m_points.inputs.size(); ++i) {
        const Import* from = source.m_points.inputs[i].get();
        auto input = makeModbusInput(
            static_cast<int16_t>(registerFormat & 0x7F), *this, sizeWordForFormat(registerFormat),
            slaveId, static_cast<uint16_t>(firstRegister + i), registerCount, registerFormat);
        input->interval = source.pollInterval;
        if (from != nullptr) {
            input->zeroWord = from->zeroWord;
            input->gain = from->gain;
            input->offset = from->offset;
            input->pointName = from->pointName;
        }
        input->sizeWord = sizeWordForFormat(registerFormat);
        input->formatWord = registerFormat;
        input->setModbusDetails(modbusPort, slaveId, firstRegister, registerCount, registerFormat);
        m_points.inputs.push_back(std::move(input));
    }
    for (const auto& from : source.m_points.outputs) {
        const auto* mb = dynamic_cast<const MBExport*>(from.get());
        if (mb == nullptr) {
            continue;
        }
        auto output = makeModbusOutput(*this, mb->slaveId(), mb->startRegister(), 1, mb->format());
        if (const std::string* name = mb->getPointName()) {
            output->exportName = *name;
        }
        m_points.outputs.push_back(std::move(output));
    }
    if (ProjectContext* c = context()) {
        c->notifications().post(MSG_REFRESH_SELECTION);
        c->setModified();
        c->notifications().outputLine(strprintf("The properties of %s have been copied to %s.",
                                                source.getName().c_str(), m_name.c_str()));
    }
    return true;
}

} // namespace quillan
