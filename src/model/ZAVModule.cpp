#include "model/ZAVModule.h"

#include "model/Archive.h"
#include "model/Text.h"

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(ZAVModule, Node)
QUILLAN_IMPLEMENT_SERIAL(AM1Module, ZAVModule)
QUILLAN_IMPLEMENT_SERIAL(AM2Module, ZAVModule)
QUILLAN_IMPLEMENT_SERIAL(DMModule, ZAVModule)

ZAVModule::~ZAVModule() = default;

ZAVModule::ZAVModule(const ZAVModule& other)
    : Node(other), m_moduleId(other.m_moduleId), m_moduleInterval(other.m_moduleInterval)
{
    m_points.copyFrom(other.m_points, this);
}

void ZAVModule::serialize(Archive& ar)
{
    Node::serialize(ar);
    if (ar.isStoring() || m_schema == 1) {
        ar.io(m_moduleId);
        ar.io(m_moduleInterval);
        m_points.serialize(ar);
    }
    if (ar.isLoading()) {
        m_points.setOwner(this);
    }
}

std::unique_ptr<Node> ZAVModule::clone() const
{
    return std::unique_ptr<Node>(new ZAVModule(*this));
}

std::unique_ptr<Node> AM1Module::clone() const
{
    return std::unique_ptr<Node>(new AM1Module(*this));
}

std::unique_ptr<Node> AM2Module::clone() const
{
    return std::unique_ptr<Node>(new AM2Module(*this));
}

std::unique_ptr<Node> DMModule::clone() const
{
    return std::unique_ptr<Node>(new DMModule(*this));
}

const std::string* ZAVModule::getGatewayName() const
{
    return m_parent != nullptr ? m_parent->getGatewayName() : nullptr;
}

int ZAVModule::getPointIndex(const Import& point) const
{
    return m_parent != nullptr ? m_parent->getPointIndex(point) : -1;
}

uint32_t ZAVModule::nextTagNumber()
{
    return m_parent != nullptr ? m_parent->nextTagNumber() : 0xFFFFFFFF;
}

uint8_t ZAVModule::address() const
{
    if (m_points.inputs.empty() || !m_points.inputs.front()) {
        return 0;
    }
    const auto* first = dynamic_cast<const MBImport*>(m_points.inputs.front().get());
    const uint8_t slave = first != nullptr ? first->slaveId() : m_points.inputs.front()->details[1];
    return static_cast<uint8_t>(slave - 1);
}

namespace {

void applyInputDetails(MBImport& input, const ModbusPointDetails& d, uint32_t interval)
{
    input.setModbusDetails(d.port, d.slaveId, d.startRegister, d.registerCount, d.format);
    input.interval = interval;
}

} // namespace

void ZAVModule::makePoints(Node& gateway, const IoModulePoints& v)
{
    m_parent = &gateway;
    m_name = strprintf("M%d", v.address);
    m_moduleId = gateway.nextModuleId();
    m_moduleInterval = v.interval;
    m_points.inputs.clear();
    m_points.outputs.clear();

    const auto sizeWord = static_cast<int16_t>(v.inputs.format != 0 ? 4 : 2);
    auto addInput = [&](const std::string& name, bool inTable) {
        auto input = makeModbusInput(v.inputs.format, *this, sizeWord, v.inputs.slaveId,
                                     v.inputs.startRegister, v.inputs.registerCount,
                                     v.inputs.format);
        applyInputDetails(*input, v.inputs, m_moduleInterval);
        input->pointName = name;
        input->inImportTable = inTable;
        m_points.inputs.push_back(std::move(input));
    };
    auto addOutput = [&](const std::string& name, const ModbusPointDetails& d) {
        auto output = makeModbusOutput(*this, d.slaveId, d.startRegister, d.registerCount,
                                       d.format);
        output->details[0] = 2;
        output->interval = 0;
        output->exportName = name;
        m_points.outputs.push_back(std::move(output));
    };

    if (getIoKind() == ioKindDm) {
        for (int i = 1; i <= 4; ++i) {
            addInput(strprintf("DIN%d", i), (v.groups & groupInputs) != 0);
        }
        for (int i = 1; i <= 4; ++i) {
            addInput(strprintf("DOUT%d_ST", i), (v.groups & groupOutputStatus) != 0);
        }
        for (int i = 1; i <= 4; ++i) {
            addInput(strprintf("DIN%d_CNT", i), (v.groups & groupCounts) != 0);
        }
        for (int i = 1; i <= 4; ++i) {
            addOutput(strprintf("DOUT%d", i),
                      {2, static_cast<uint8_t>(v.address + 1), static_cast<uint16_t>(3004 + i),
                       1, 0});
        }
        return;
    }
    addInput("AIN1", true);
    addInput("AIN2", true);
    addOutput("AOUT1", v.output1);
    addOutput("AOUT2", v.output2);
}

void ZAVModule::updatePoints(const IoModulePoints& v)
{
    m_name = strprintf("M%d", v.address);
    m_moduleInterval = v.interval;
    if (getIoKind() == ioKindDm) {
        for (size_t i = 0; i < m_points.inputs.size(); ++i) {
            auto* input = dynamic_cast<MBImport*>(m_points.inputs[i].get());
            if (input == nullptr) {
                continue;
            }
            input->interval = m_moduleInterval;
            input->details[1] = v.inputs.slaveId;
            input->setDetailU16(2, v.inputs.startRegister);
            input->details[4] = v.inputs.registerCount;
            const uint8_t bit = i < 4 ? groupInputs : (i < 8 ? groupOutputStatus : groupCounts);
            input->inImportTable = (v.groups & bit) != 0;
        }
        for (auto& output : m_points.outputs) {
            if (output) {
                output->details[1] = static_cast<uint8_t>(v.address + 1);
            }
        }
        return;
    }
    for (size_t i = 0; i < m_points.inputs.size(); ++i) {
        if (auto* input = dynamic_cast<MBImport*>(m_points.inputs[i].get())) {
            input->interval = m_moduleInterval;
            input->details[1] = v.inputs.slaveId;
            input->setDetailU16(2, static_cast<uint16_t>(v.inputs.startRegister + i));
            input->details[5] = v.inputs.format;
        }
    }
    const ModbusPointDetails* settings[] = {&v.output1, &v.output2};
    for (size_t i = 0; i < m_points.outputs.size() && i < 2; ++i) {
        if (auto* output = dynamic_cast<MBExport*>(m_points.outputs[i].get())) {
            output->details[1] = settings[i]->slaveId;
            output->setDetailU16(2, settings[i]->startRegister);
            output->details[5] = settings[i]->format;
        }
    }
}

std::unique_ptr<ZAVModule> makeIoModule(uint8_t kind)
{
    switch (kind) {
    case ioKindAm1:
        return std::make_unique<AM1Module>();
    case ioKindAm2:
        return std::make_unique<AM2Module>();
    case ioKindDm:
        return std::make_unique<DMModule>();
    default:
        return nullptr;
    }
}

} // namespace quillan
