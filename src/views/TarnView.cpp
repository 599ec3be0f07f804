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

std::optional<bool> TarnView::commandEnabled(shell::Command)
{
    return std::nullopt;
}

bool TarnView::runCommand(shell::Command)
{
    return false;
}

} // namespace quillan::views
