#include "views/TarnView.h"

#include "shell/TarnApp.h"

#include <QTableView>

namespace quillan::views {

TarnView::TarnView(shell::TarnApp& app, QWidget* parent) : QTabWidget(parent), m_app(app)
{
    for (const char* title : {"Device", "Imports", "Exports", "Outputs", "Modbus"}) {
        addTab(new QTableView(this), title);
    }
}

TarnView::~TarnView() = default;

void TarnView::handleNotification(const Notification&) {}

void TarnView::documentReplaced()
{
    m_shown = nullptr;
    setTabText(0, "Device");
}

void TarnView::nodeSelected(Node*, Node*) {}

void TarnView::targetSelected(Node*) {}

void TarnView::nodeChanged(Node*, Node*) {}

void TarnView::rootChanged(Node*) {}

void TarnView::nodeDeleted(const Node*) {}

void TarnView::pasteTo(ZAVGateway&, bool) {}

bool TarnView::canImportPointsTo(const Node&) const
{
    return false;
}

void TarnView::importPointsTo(ZAVGateway&) {}

std::optional<bool> TarnView::commandEnabled(shell::Command)
{
    return std::nullopt;
}

bool TarnView::runCommand(shell::Command)
{
    return false;
}

} // namespace quillan::views
