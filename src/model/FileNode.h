#pragma once

#include "model/Node.h"
#include "model/Site.h"

namespace quillan {

// The project root: project name, folder and the radio sites, one of them active.
class FileNode : public Node {
    QUILLAN_SERIAL(FileNode)
public:
    FileNode();
    FileNode(const std::string& projectName, const std::string& projectFolder,
             const Site& firstSite);
    ~FileNode() override;

    void serialize(Archive& ar) override;
    [[nodiscard]] std::unique_ptr<Node> clone() const override;

    [[nodiscard]] const std::string& projectName() const { return m_projectName; }
    void setProjectName(const std::string& name) { m_projectName = name; }
    // Ends in a path separator.
    [[nodiscard]] const std::string& projectFolder() const { return m_projectFolder; }
    void setProjectFolder(const std::string& folder) { m_projectFolder = folder; }

    [[nodiscard]] std::vector<std::unique_ptr<Site>>& sites() { return m_sites; }
    [[nodiscard]] const std::vector<std::unique_ptr<Site>>& sites() const { return m_sites; }
    [[nodiscard]] uint32_t currentSite() const { return m_currentSite; }
    void setCurrentSite(uint32_t index) { m_currentSite = index; }
    // The active site; none when the index is out of range.
    [[nodiscard]] Site* activeSite() const;
    // Position of a site in the array, or -1.
    [[nodiscard]] int indexOfSite(const Site* site) const;

    // Makes the site active (when it is one of the root's sites).
    void applySite(Site& site, uint32_t index) override;
    // Gives every site i the security key i + now, when the project file moves.
    void rekeySites(uint32_t now);
    // "%s - [%s]": the label of the root in the project tree.
    [[nodiscard]] std::string treeLabel() const;

    void fillInfoList(ListRows& rows) const override;
    [[nodiscard]] int getImageIndex() const override { return 0; }

private:
    FileNode(const FileNode& other);

    std::string m_projectName;
    std::string m_projectFolder;
    std::vector<std::unique_ptr<Site>> m_sites;
    uint32_t m_currentSite = 0;
};

} // namespace quillan
