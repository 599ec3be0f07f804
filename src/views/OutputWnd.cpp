#include "views/OutputWnd.h"

#include "shell/TarnApp.h"

#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillan::views {

OutputWnd::OutputWnd(shell::TarnApp& app, QWidget* parent) : QWidget(parent), m_app(app)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabWidget(this);
    m_tabs->setTabPosition(QTabWidget::South);
    m_tabs->addTab(new QListWidget(m_tabs), "Build");
    m_tabs->addTab(new QListWidget(m_tabs), "Debug");
    layout->addWidget(m_tabs);
}

OutputWnd::~OutputWnd() = default;

void OutputWnd::addOutputLine(const std::string&) {}

void OutputWnd::addDebugLine(const std::string&) {}

void OutputWnd::clearDebug() {}

void OutputWnd::suspend() {}

void OutputWnd::activate() {}

} // namespace quillan::views
