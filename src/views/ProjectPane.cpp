#include "views/ProjectPane.h"

#include "shell/TarnApp.h"

#include <QTreeView>
#include <QVBoxLayout>

namespace quillan::views {

ProjectPane::ProjectPane(shell::TarnApp& app, QWidget* parent) : QWidget(parent), m_app(app)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeView(this);
    m_tree->setHeaderHidden(true);
    layout->addWidget(m_tree);
}

ProjectPane::~ProjectPane() = default;

void ProjectPane::rebuild() {}

void ProjectPane::openNode(Node*) {}

Node* ProjectPane::selectedNode() const
{
    return nullptr;
}

Node* ProjectPane::openedNode() const
{
    return nullptr;
}

std::optional<bool> ProjectPane::commandEnabled(shell::Command)
{
    return std::nullopt;
}

bool ProjectPane::runCommand(shell::Command)
{
    return false;
}

} // namespace quillan::views
