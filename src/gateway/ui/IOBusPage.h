#pragma once

#include "gateway/ui/IoBusModels.h"
#include "gateway/ui/NodePropertySheet.h"

#include <vector>

class QMenu;
class QPushButton;
class QTableView;

namespace quillan {
class ProjectSettings;
class ZAVGateway;
} // namespace quillan

namespace quillan::gateway::ui {

// The gateway sheet's "IO Bus" page: the modules on the gateway's I/O bus and the points of
// the selected one. It works on copies of the modules; adding, editing, removing and renaming
// reach the gateway only through apply() (the sheet's OK).
class IOBusPage final : public PropertyPage {
    Q_OBJECT
public:
    static constexpr size_t maxModules = 16;

    IOBusPage(ZAVGateway& gateway, ProjectSettings& settings, QWidget* parent = nullptr);
    ~IOBusPage() override;

    // The gateway takes over the copies (ZAVGateway::syncIoModules).
    void apply() override;

    [[nodiscard]] const IoModuleCopies& modules() const { return m_copies; }
    [[nodiscard]] QTableView& moduleList() const { return *m_moduleList; }
    [[nodiscard]] QTableView& pointList() const { return *m_pointList; }
    [[nodiscard]] IoPointListModel& points() const { return *m_points; }
    [[nodiscard]] QPushButton& newButton() const { return *m_new; }
    [[nodiscard]] QPushButton& removeButton() const { return *m_remove; }

    // The commands of the page, as its buttons, keys and menu run them.
    void newModule();
    void removeModule();
    void editModule(int row);
    // Opens the name of the first selected point for editing in place.
    void editPointName();
    // Names the selected points, in row order, from the lines of the clipboard's text.
    void pasteTags();

    [[nodiscard]] int selectedModuleRow() const;
    void selectModuleRow(int row);
    // Selected points in row order.
    [[nodiscard]] std::vector<int> selectedPointRows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moduleSelectionChanged();
    void updateButtons();
    void showPointMenu(const QPoint& at);

    ZAVGateway& m_gateway;
    ProjectSettings& m_settings;
    IoModuleCopies m_copies;
    IoModuleListModel* m_modules = nullptr;
    IoPointListModel* m_points = nullptr;
    QTableView* m_moduleList = nullptr;
    QTableView* m_pointList = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_remove = nullptr;
    QMenu* m_pointMenu = nullptr;
    QAction* m_editName = nullptr;
    QAction* m_pasteTags = nullptr;
};

} // namespace quillan::gateway::ui
