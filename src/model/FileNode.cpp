#include "model/FileNode.h"

#include "model/Archive.h"
#include "model/ProjectContext.h"
#include "model/Text.h"

namespace quillan {

QUILLAN_IMPLEMENT_SERIAL(FileNode, Node)

FileNode::FileNode() : Node(0xFFFFFFFF, kindProjectRoot, 0) {}

FileNode::FileNode(const std::string& projectName, const std::string& projectFolder,
                   const Site& firstSite)
    : Node(0, kindProjectRoot, 0), m_projectName(projectName), m_projectFolder(projectFolder)
{
    m_sites.push_back(firstSite.clone());
}

FileNode::~FileNode() = default;

void FileNode::serialize(Archive& ar)
{
    Node::serialize(ar);
    if (ar.isLoading() && m_schema != 1) {
        return;
    }
    ar.io(m_projectName);
    ar.io(m_projectFolder);
    ar.ioObjects(m_sites);
    ar.io(m_currentSite);
}

FileNode::FileNode(const FileNode& other)
    : Node(other), m_projectName(other.m_projectName), m_projectFolder(other.m_projectFolder),
      m_currentSite(other.m_currentSite)
{
    for (const auto& site : other.m_sites) {
        m_sites.push_back(site ? site->clone() : nullptr);
    }
}

std::unique_ptr<Node> FileNode::clone() const
{
    return std::unique_ptr<Node>(new FileNode(*this));
}

Site* FileNode::activeSite() const
{
    return m_currentSite < m_sites.size() ? m_sites[m_currentSite].get() : nullptr;
}

int FileNode::indexOfSite(const Site* site) const
{
    for (size_t i = 0; i < m_sites.size(); ++i) {
        if (m_sites[i].get() == site) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void FileNode::applySite(Site& site, uint32_t)
{
    if (const int index = indexOfSite(&site); index >= 0) {
        m_currentSite = static_cast<uint32_t>(index);
    }
}

void FileNode::rekeySites(uint32_t now)
{
    for (size_t i = 0; i < m_sites.size(); ++i) {
        if (m_sites[i]) {
            m_sites[i]->setSecurityKey(static_cast<uint32_t>(i) + now);
        }
    }
}

std::string FileNode::treeLabel() const
{
    const Site* site = activeSite();
    return strprintf("%s - [%s]", m_projectName.c_str(),
                     site != nullptr ? site->getSiteName().c_str() : "");
}

void FileNode::fillInfoList(ListRows& rows) const
{
    rows.clear();
    const ProjectContext* c = context();
    rows.push_back({{"Project", m_projectName}, 0, {}, false});
    rows.push_back({{"Path", c != nullptr ? c->documentPath() : std::string()}, 2, {}, false});
    rows.push_back({{"Location", ""}, 0, {}, false});
    for (size_t i = 0; i < m_sites.size(); ++i) {
        Site* site = m_sites[i].get();
        if (site == nullptr) {
            continue;
        }
        rows.push_back({{site->getSiteName(), site->summary()}, i == m_currentSite ? 1 : 2, site,
                        false});
    }
}

} // namespace quillan
