#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QCheckBox;

namespace quillan {
class ProjectSettings;
class RFImport;
} // namespace quillan

namespace quillan::views {
class PointListView;
}

namespace quillan::dialogs {

// Import Points asks here whether the new points also go into the target gateway's Modbus
// tables. The choice is remembered in the settings ("pasteOptions") as soon as it is toggled,
// even when the dialog is then cancelled.
class MapImportsDlg final : public QDialog {
    Q_OBJECT
public:
    enum Choice { integerTable = 1, floatTable = 2 };

    MapImportsDlg(const std::string& targetName, const std::vector<RFImport*>& points,
                  ProjectSettings& settings, QWidget* parent = nullptr);

    // Bits of Choice.
    [[nodiscard]] int choice() const { return m_choice; }

    [[nodiscard]] QCheckBox& integerBox() const { return *m_integer; }
    [[nodiscard]] QCheckBox& floatBox() const { return *m_float; }
    [[nodiscard]] views::PointListView& pointList() const { return *m_list; }

private:
    void toggled();

    ProjectSettings& m_settings;
    views::PointListView* m_list = nullptr;
    QCheckBox* m_integer = nullptr;
    QCheckBox* m_float = nullptr;
    int m_choice = 0;
};

// The "Point" text of a point being imported: "Module:Point", or "Gateway:Module:Point" when
// it relays a point the source gateway itself imports.
[[nodiscard]] std::string importedPointText(const RFImport& point);

} // namespace quillan::dialogs
