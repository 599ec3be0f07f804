#pragma once

class QWidget;

namespace quillan {
class ConfigImage;
class MBModule;
class Node;
class ZAVGateway;
} // namespace quillan

namespace quillan::shell {
class TarnApp;
}

namespace quillan::gateway::ui {

// Whether "Edit..." opens a property sheet for the node.
[[nodiscard]] bool hasPropertySheet(const Node& node);

// The node's property sheet, modal, with the connection-open flag set while it is open (the
// pages may not race a device operation for the gateway they edit). NodePropertySheet's
// resultOk or resultCancel; resultCancel for a node without a sheet.
int showNodeProperties(shell::TarnApp& app, Node& node, QWidget* parent);

// The sheets themselves, each in a file of its own.
int showGatewayProperties(shell::TarnApp& app, ZAVGateway& gateway, QWidget* parent);
int showModbusModuleProperties(shell::TarnApp& app, MBModule& module, QWidget* parent);

class NodePropertySheet;
// The device window's read-only "Config Port" and "RTU Port" pages, on the COM1 and COM3
// records of the configuration read from the gateway (DevicePortPages.cpp).
void addDevicePortPages(NodePropertySheet& sheet, const ConfigImage& image);

} // namespace quillan::gateway::ui
