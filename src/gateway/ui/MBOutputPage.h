#pragma once

#include "gateway/ui/NodePropertySheet.h"
#include "model/MBModule.h"

#include <vector>

class QComboBox;
class QPushButton;

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::views {
class PointListView;
}

namespace quillan::gateway::ui {

// "Modbus Outputs" of a Modbus module: the registers the gateway writes to the slave. The
// "Register:" field follows the first selected row; Update hands the selected rows only what
// the user entered since. Update, Edit Name and Paste Tag(s) change the module's own outputs at
// once, so those changes outlast Cancel; Add and Remove wait for OK.
class MBOutputPage final : public PropertyPage {
    Q_OBJECT
public:
    // settings: the sheet's values; the page takes their outputs now and hands its list back
    // in apply().
    MBOutputPage(MBModule& module, ModbusModuleSettings& settings, QWidget* parent = nullptr);
    ~MBOutputPage() override;

    void apply() override;

    // Whether Update, Edit Name or Paste Tag(s) changed an output the module already owned.
    [[nodiscard]] bool changedModuleOutputs() const { return m_changedModuleOutputs; }
    [[nodiscard]] size_t outputCount() const { return m_outputs.size(); }
    [[nodiscard]] Export* outputAt(size_t row) const;

    [[nodiscard]] controls::ClampSpinBox& registerBox() const { return *m_registerBox; }
    [[nodiscard]] QComboBox& formatList() const { return *m_formatList; }
    [[nodiscard]] QPushButton& addButton() const { return *m_add; }
    [[nodiscard]] QPushButton& updateButton() const { return *m_update; }
    [[nodiscard]] QPushButton& removeButton() const { return *m_remove; }
    [[nodiscard]] views::PointListView& list() const { return *m_list; }

    void add();
    void update();
    void remove();
    // "Edit Name" on the first selected row.
    void editName();
    // "Paste Tag(s)": the clipboard's names onto the selected rows' outputs, in row order.
    void pasteTags();

private:
    [[nodiscard]] uint8_t formatCode() const;
    // "Output_%d" by the number of outputs, or the next number whose name is free.
    [[nodiscard]] std::string newOutputName() const;
    // The output was changed in place; one the module owns keeps the change even on Cancel.
    void touched(size_t row);
    void refill(const std::vector<int>& selected);
    void selectionChanged();

    MBModule& m_module;
    ModbusModuleSettings& m_settings;
    std::vector<ModbusModuleSettings::Output> m_outputs;
    std::vector<ModbusModuleSettings::Output> m_removed;
    bool m_changedModuleOutputs = false;
    // What the user gave the fields since they last followed the selected row.
    bool m_registerEntered = false;
    bool m_formatChosen = false;
    bool m_followingSelection = false;

    controls::ClampSpinBox* m_registerBox = nullptr;
    QComboBox* m_formatList = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_update = nullptr;
    QPushButton* m_remove = nullptr;
    views::PointListView* m_list = nullptr;
};

} // namespace quillan::gateway::ui
