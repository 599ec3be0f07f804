#pragma once

class QWidget;

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {

// File > "Export to .CSV...": writes every gateway's Imports, Exports, Outputs and Modbus rows
// to "<project folder><project name>.csv", replacing an older export only once the new one is
// complete, and reports it on the Debug and Build tabs. A project without a folder asks where
// to write. Nothing happens without a gateway. The views are left as they were.
void exportCsv(shell::TarnApp& app, QWidget* parent);

} // namespace quillan::views
