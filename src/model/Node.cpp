#include "model/Node.h"

#include "model/Archive.h"
#include "model/ProjectContext.h"

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(Node, Serializable)

Node::Node(uint32_t id, uint32_t kind, uint32_t group)
    : m_id(id), m_spareValue(900), m_kind(kind),
      m_address(static_cast<uint16_t>(group * 64)),
      m_groupAddress(static_cast<uint16_t>(group * 64)), m_retries(3)
{
}

Node::~Node() = default;

void Node::serialize(Archive& ar)
{
    if (ar.isLoading()) {
        m_schema = ar.getObjectSchema();
        if (m_schema != 1) {
            return;
        }
    }
    ar.io(m_id);
    ar.io(m_spareValue);
    ar.io(m_kind);
    ar.io(m_name);
    ar.io(m_spareWord);
    ar.io(m_address);
    ar.io(m_channel);
    ar.io(m_groupAddress);
    ar.io(m_radioFlags);
    ar.io(m_retries);
    ar.ioBool(m_spareFlag);
}

std::unique_ptr<Node> Node::clone() const
{
    return std::unique_ptr<Node>(new Node(*this));
}

ProjectContext* Node::context() const
{
    if (m_context != nullptr) {
        return m_context;
    }
    return m_parent != nullptr ? m_parent->context() : nullptr;
}

void Node::markModified() const
{
    if (ProjectContext* c = context()) {
        c->setModified();
    }
}

std::string getDeviceTypeName(uint16_t code)
{
    switch (code) {
    case 0:
        return "Unknown";
    case 1:
        return "Analog Transmitter";
    case 2:
        return "Discrete Transmitter";
    case 3:
        return "Corebox";
    case 4:
        return "Tankwise Transmitter";
    case 7:
        return "Databox";
    case 8:
        return "Analog Input Module (Low-Res)";
    case 9:
        return "Analog Output Module";
    case 10:
        return "Tankwise Div. 2";
    case 11:
        return "Base Unit";
    case 12:
        return "ZAV Gateway Module";
    case 13:
        return "Hub2 (320)";
    case 14:
        return "Hub2";
    case 15:
        return "Digital I/O Module";
    case 16:
        return "Liquid Level Transmitter (Mag)";
    case 19:
        return "RTD Transmitter";
    case 21:
        return "Flow Totalizer";
    case 22:
        return "Analog Input Module";
    case 23:
        return "Polypoint Module";
    case 24:
        return "Thermocouple Transmitter";
    case 25:
        return "Wireless Analog Input Module";
    case 26:
        return "Wireless Digital I/O Module";
    case 27:
        return "Analog/Pressure Transmitter";
    case 28:
        return "Liquid Level Transmitter (Res)";
    case 29:
        return "Liquid Level Transmitter (Hyd)";
    case 30:
        return "Liquid Level Transmitter (Ult)";
    case 31:
        return "Cathodic Protection Transmitter";
    case 32:
        return "Hub3";
    case 33:
        return "Tenpoint Transmitter";
    default:
        return {};
    }
}

} // namespace quillan
