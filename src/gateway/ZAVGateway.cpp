#include "gateway/ZAVGateway.h"

#include "gateway/ConfigImage.h"

#include "model/Archive.h"
#include "model/MBModule.h"
#include "model/Notifications.h"
#include "model/ProjectContext.h"
#include "model/Site.h"
#include "model/Text.h"
#include "model/UserPrompts.h"
#include "model/ZAVModule.h"

#include <algorithm>
#include <unordered_map>

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(ZAVGateway, Node)

void AnalogScaling::applyTo(Import& point) const
{
    switch (mode) {
    case 1:
        point.setScaling(zeroCount, 5.0f / 4096.0f, 0.0f);
        break;
    case 2:
        point.setScaling(static_cast<uint16_t>(zeroCount | 0x8000),
                         high / static_cast<float>(fullScaleCount), low);
        break;
    case 3:
        point.setScaling(zeroCount, 0.0f, 0.0f);
        break;
    default:
        point.setScaling(zeroCount, 1.0f, 0.0f);
        break;
    }
}

std::array<AnalogScaling, 4> defaultAnalogScaling()
{
    std::array<AnalogScaling, 4> records{};
    records[0] = {0, 4096, 0.3f, 40.0f, 2};
    for (size_t i = 1; i < records.size(); ++i) {
        records[i] = {0, 4096, 0.0f, 100.0f, 3};
    }
    return records;
}

namespace {

std::unique_ptr<SerialPortDefinition> makePort(const char* name, uint8_t number, uint32_t baud,
                                               uint8_t protocol, uint16_t flags)
{
    auto port = std::make_unique<SerialPortDefinition>();
    port->portName = name;
    port->portNumber = number;
    port->baudRate = baud;
    port->dataBits = 8;
    port->stopBits = 1;
    port->parity = parityNone;
    port->protocol = protocol;
    port->recordWord8 = 1;
    port->recordWord10 = flags;
    return port;
}

template <class T>
void setOwner(std::vector<std::unique_ptr<T>>& list, Node* owner)
{
    for (auto& element : list) {
        if (element) {
            element->owner = owner;
        }
    }
}

} // namespace

ZAVGateway::ZAVGateway()
{
    // A gateway read from a file takes everything from it; until then it has no ports.
    analogScaling.fill(AnalogScaling{0, 0, 0.0f, 0.0f, 0});
}

ZAVGateway::ZAVGateway(int32_t number, uint32_t group, uint32_t id, uint32_t configPortMode)
    : Node(id, kindGateway, group), gatewayNumber(number), reservedWord(60),
      analogScaling(defaultAnalogScaling()), ioModuleCount(1)
{
    m_name = number <= 1 ? std::string("Gateway") : strprintf("Gateway_%d", number);

    auto vin = std::make_unique<IOImport>(formatFloat, this, 4);
    vin->pointName = "VIN";
    vin->sourceType = sourceLocalIo;
    vin->setLocalChannel(0);
    vin->interval = 1;
    vin->inImportTable = true;
    analogScaling[0].applyTo(*vin);
    m_localImports.push_back(std::move(vin));

    m_ports.push_back(makePort("CONFIG", 1, 57600,
                             configPortMode != 0 ? protocolModbusSlave : protocolDebug, 0));
    m_ports.push_back(makePort("RS485", 2, 9600, protocolModbusMaster, portFlagRs485));
    m_ports.push_back(makePort("RTU", 3, 9600, protocolModbusSlave, portFlagSplit));
}

ZAVGateway::~ZAVGateway() = default;

ZAVGateway::ZAVGateway(const ZAVGateway& other)
    : Node(other), gatewayNumber(other.gatewayNumber), tagCounter(other.tagCounter),
      reservedWord(other.reservedWord), analogScaling(other.analogScaling),
      modbusModuleCounter(other.modbusModuleCounter), ioModuleCount(other.ioModuleCount),
      startingRegister(other.startingRegister), moduleIdCounter(other.moduleIdCounter),
      limitWarnings(other.limitWarnings)
{
    std::unordered_map<const Import*, Import*> points;
    auto copyImports = [&](const auto& from, auto& to) {
        for (const auto& p : from) {
            to.push_back(p ? p->clone() : nullptr);
            if (p) {
                points[p.get()] = to.back().get();
            }
        }
    };
    for (const auto& p : other.m_ports) {
        m_ports.push_back(p ? p->clone() : nullptr);
    }
    auto copyNodes = [&](const auto& from, auto& to) {
        for (const auto& n : from) {
            to.push_back(n ? n->clone() : nullptr);
            if (!n) {
                continue;
            }
            to.back()->setParent(this);
            const auto* oldInputs = n->moduleInputs();
            const auto* newInputs = to.back()->moduleInputs();
            for (size_t i = 0; oldInputs && newInputs && i < oldInputs->size(); ++i) {
                if ((*oldInputs)[i]) {
                    points[(*oldInputs)[i].get()] = (*newInputs)[i].get();
                }
            }
        }
    };
    copyNodes(other.m_childModules, m_childModules);
    copyNodes(other.m_ioModules, m_ioModules);
    copyImports(other.m_localImports, m_localImports);
    copyImports(other.m_writeImports, m_writeImports);
    copyImports(other.m_sharedImports, m_sharedImports);
    for (const auto& e : other.m_outputs) {
        m_outputs.push_back(e ? e->clone() : nullptr);
    }
    for (const auto& e : other.m_exports) {
        m_exports.push_back(e ? e->clone() : nullptr);
    }
    for (const auto& m : other.m_mapIntegerList) {
        m_mapIntegerList.push_back(m ? m->clone() : nullptr);
    }
    for (const auto& m : other.m_mapFloatList) {
        m_mapFloatList.push_back(m ? m->clone() : nullptr);
    }
    setOwners();

    // References between the copied points follow the copies; references to other nodes
    // stay as they are.
    auto remap = [&](Import*& p) {
        if (const auto it = points.find(p); it != points.end()) {
            p = it->second;
        }
    };
    for (auto& s : m_sharedImports) {
        if (auto* rf = dynamic_cast<RFImport*>(s.get())) {
            remap(rf->source);
        }
    }
    auto remapExports = [&](auto& list) {
        for (auto& e : list) {
            if (e) {
                remap(e->source);
            }
        }
    };
    remapExports(m_outputs);
    remapExports(m_exports);
    for (auto& n : m_childModules) {
        if (n && n->getModuleOutputs()) {
            remapExports(*n->getModuleOutputs());
        }
    }
    for (auto& n : m_ioModules) {
        if (n && n->getModuleOutputs()) {
            remapExports(*n->getModuleOutputs());
        }
    }
    for (auto* list : {&m_mapIntegerList, &m_mapFloatList}) {
        for (auto& m : *list) {
            if (m) {
                remap(m->point);
            }
        }
    }
}

std::unique_ptr<Node> ZAVGateway::clone() const
{
    return std::unique_ptr<Node>(new ZAVGateway(*this));
}

void ZAVGateway::setOwners()
{
    setOwner(m_localImports, this);
    setOwner(m_outputs, this);
    setOwner(m_writeImports, this);
    setOwner(m_sharedImports, this);
    setOwner(m_exports, this);
}

void ZAVGateway::serialize(Archive& ar)
{
    Node::serialize(ar);
    if (ar.isStoring() || m_schema == 1) {
        ar.io(gatewayNumber);
        ar.io(tagCounter);
        ar.io(reservedWord);
        for (auto& s : analogScaling) {
            ar.io(s.zeroCount);
            ar.io(s.fullScaleCount);
            ar.io(s.low);
            ar.io(s.high);
            ar.io(s.mode);
        }
        ar.io(modbusModuleCounter);
        ar.io(ioModuleCount);
        ar.ioObjects(m_ports);
        ar.ioObjects(m_childModules);
        ar.ioObjects(m_localImports);
        ar.ioObjects(m_outputs);
        ar.ioObjects(m_writeImports);
        ar.ioObjects(m_sharedImports);
        ar.ioObjects(m_exports);
        ar.ioObjects(m_mapIntegerList);
        ar.ioObjects(m_mapFloatList);
        ar.io(startingRegister);
        if (ar.isStoring()) {
            ar.writeCount(m_ioModules.size());
            for (const auto& module : m_ioModules) {
                ar.writeObject(module.get());
            }
        } else {
            m_ioModules.clear();
            const uint32_t count = ar.readCount(2);
            for (uint32_t i = 0; i < count; ++i) {
                m_ioModules.push_back(ar.readObjectAs<ZAVModule>());
            }
        }
        ar.io(moduleIdCounter);
    }
    if (ar.isLoading()) {
        setOwners();
    }
}

void ZAVGateway::setName(const std::string& name)
{
    m_name = name;
    markModified();
}

void ZAVGateway::afterLoad()
{
    for (auto& module : m_childModules) {
        if (module) {
            module->setParent(this);
        }
    }
    for (auto& module : m_ioModules) {
        if (module) {
            module->setParent(this);
        }
    }
}

SerialPortDefinition* ZAVGateway::port(size_t index) const
{
    return index < m_ports.size() ? m_ports[index].get() : nullptr;
}

bool ZAVGateway::secondPortIsModuleMaster() const
{
    const SerialPortDefinition* p = port(1);
    return p != nullptr && p->portNumber != 2 && p->protocol == protocolModbusMaster;
}

bool ZAVGateway::hasModuleMasterPort() const
{
    return std::any_of(m_ports.begin(), m_ports.end(), [](const auto& p) {
        return p && p->portNumber != 2 && p->protocol == protocolModbusMaster;
    });
}

bool ZAVGateway::secondPortIsRocMaster() const
{
    const SerialPortDefinition* p = port(1);
    return p != nullptr && p->protocol == protocolRocLinkMaster;
}

void ZAVGateway::applySite(Site& site, uint32_t index)
{
    m_site = &site;
    if (gatewayNumber == 0) {
        gatewayNumber = static_cast<int32_t>(index);
    }
    const auto oldGroup = static_cast<uint16_t>(m_address >> 6);
    // Modular, as the radio word keeps only the low bits: a damaged file may hold any number.
    const auto newGroup =
        static_cast<uint16_t>(site.getFirstGroup() + static_cast<uint32_t>(gatewayNumber) - 1u);
    m_address = m_groupAddress = static_cast<uint16_t>(newGroup << 6);
    m_channel = site.getSiteChannel();
    m_radioFlags = static_cast<uint16_t>(m_radioFlags & ~(radioAes | radioLowBitRate));
    if (site.isHighBitRate() == 0) {
        m_radioFlags |= radioLowBitRate;
    }
    if (site.isAesEnabled()) {
        m_radioFlags |= radioAes;
    }
    m_retries = site.getBand() == band2400 ? 0 : 3;
    for (auto* list : {&m_childModules, &m_ioModules}) {
        for (auto& module : *list) {
            if (module) {
                module->applySite(site, static_cast<uint32_t>(gatewayNumber) - 1u);
            }
        }
    }
    for (auto& point : m_sharedImports) {
        if (point) {
            const uint16_t word = point->detailU16(0);
            point->setDetailU16(0, static_cast<uint16_t>(((word >> 6) - oldGroup + newGroup) << 6));
        }
    }
    for (auto& entry : m_exports) {
        if (entry) {
            const uint16_t word = entry->detailU16(0);
            entry->setDetailU16(0, static_cast<uint16_t>((((word >> 6) - oldGroup + newGroup) << 6) |
                                                         (word & 0x3F)));
        }
    }
}

Node* ZAVGateway::findNodeById(uint32_t id)
{
    if (m_id == id) {
        return this;
    }
    for (auto* list : {&m_childModules, &m_ioModules}) {
        for (auto& module : *list) {
            if (module && module->getId() == id) {
                return module.get();
            }
        }
    }
    return nullptr;
}

bool ZAVGateway::hasChild(const Node& node) const
{
    for (const auto* list : {&m_childModules, &m_ioModules}) {
        for (const auto& module : *list) {
            if (module.get() == &node) {
                return true;
            }
        }
    }
    return false;
}

bool ZAVGateway::addChild(std::unique_ptr<Node> child,
                          const std::function<bool(MBModule&)>& confirm)
{
    auto* module = dynamic_cast<MBModule*>(child.get());
    if (module == nullptr || !module->attachToParent(*this, confirm)) {
        return false;
    }
    child->setSite(m_site);
    m_childModules.push_back(std::move(child));
    recompileTables();
    if (takeLimitWarning(limitImports, dataStoreCounter > kTableLimit)) {
        if (ProjectContext* c = context()) {
            const LimitNotice notice = limitNotice(limitImports);
            c->prompts().message(MessageIcon::warning, notice.caption, notice.text);
        }
    }
    return true;
}

std::unique_ptr<Node> ZAVGateway::takeChild(const Node& child)
{
    for (auto* list : {&m_childModules, &m_ioModules}) {
        const auto it = std::find_if(list->begin(), list->end(),
                                     [&](const auto& n) { return n.get() == &child; });
        if (it != list->end()) {
            auto taken = std::move(*it);
            list->erase(it);
            return taken;
        }
    }
    return nullptr;
}

void ZAVGateway::moveChildAfter(const Node& child, const Node* after)
{
    const auto it = std::find_if(m_childModules.begin(), m_childModules.end(),
                                 [&](const auto& n) { return n.get() == &child; });
    if (it == m_childModules.end() || &child == after) {
        return;
    }
    auto moving = std::move(*it);
    m_childModules.erase(it);
    const auto target = std::find_if(m_childModules.begin(), m_childModules.end(),
                                     [&](const auto& n) { return n.get() == after; });
    m_childModules.insert(target == m_childModules.end() ? m_childModules.begin() : target + 1,
                        std::move(moving));
    markModified();
}

void ZAVGateway::addIoModule(std::unique_ptr<ZAVModule> module)
{
    module->setParent(this);
    ZAVModule& added = *module;
    m_ioModules.push_back(std::move(module));
    for (auto& input : *added.getModuleInputs()) {
        if (!input || !input->inImportTable) {
            continue;
        }
        if ((added.getMapOptions() & 0x02) != 0) {
            addMapEntry(std::make_unique<ModbusMap>(input.get(), 2, false), true);
        }
        if ((added.getMapOptions() & 0x01) != 0) {
            addMapEntry(std::make_unique<ModbusMap>(input.get(), 2, false), false);
        }
    }
}

bool ZAVGateway::takeLimitWarning(LimitWarning list, bool overLimit)
{
    if (!overLimit) {
        limitWarnings = static_cast<uint8_t>(limitWarnings & ~list);
        return false;
    }
    if ((limitWarnings & list) != 0) {
        return false;
    }
    limitWarnings |= list;
    return true;
}

std::optional<LimitNotice> ZAVGateway::noticeToShow(const GatewayList& list)
{
    if (!takeLimitWarning(list.list, list.overLimit)) {
        return std::nullopt;
    }
    return limitNotice(list.list);
}

void ZAVGateway::fillInfoList(ListRows& rows) const
{
    rows.clear();
    rows.push_back({{"Type", "ZAV Gateway Module"}, -1, {}, false});
    rows.push_back({{"Name", m_name}, -1, {}, false});
    rows.push_back({{"Channel", strprintf("%d", m_channel)}, -1, {}, false});
    rows.push_back({{"Group", strprintf("%d", getGroupNumber())}, -1, {}, false});
    rows.push_back({{"Host", strprintf("%d", getNodeNumber())}, -1, {}, false});
    for (const auto& p : m_ports) {
        if (!p) {
            continue;
        }
        rows.push_back({{strprintf("%s Port", p->portName.c_str()), ""}, -1, {}, false});
        rows.push_back({{"Settings", p->settingsText()}, -1, {}, false});
        rows.push_back({{"Protocol", p->protocolText()}, -1, {}, false});
        if (p->protocol == protocolModbusSlave) {
            rows.push_back({{"Slave Id", strprintf("%d", p->recordWord8)}, -1, {}, false});
        }
    }
}

void ZAVGateway::pasteProperties(const ZAVGateway& source)
{
    m_radioFlags = source.m_radioFlags;
    m_retries = source.m_retries;
    for (size_t i = 0; i < m_ports.size() && i < source.m_ports.size(); ++i) {
        if (m_ports[i] && source.m_ports[i]) {
            m_ports[i]->setPortRecord(source.m_ports[i]->portRecord());
        }
    }
    if (ProjectContext* c = context()) {
        c->notifications().post(MSG_REFRESH_SELECTION);
        c->setModified();
        c->notifications().outputLine(strprintf("The properties of %s have been copied to %s.",
                                                source.getName().c_str(), m_name.c_str()));
    }
}

} // namespace quillan
