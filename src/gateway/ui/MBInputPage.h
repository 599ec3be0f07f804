#pragma once

#include "gateway/ui/NodePropertySheet.h"

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QSpinBox;
class QTimeEdit;

namespace quillan {
struct ModbusModuleSettings;
}

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::views {
class PointListView;
}

namespace quillan::gateway::ui {

// "Modbus Inputs" of a Modbus module: how often and which block of registers the gateway reads,
// in which format and with which function code, and the names of the points the registers
// become.
class MBInputPage final : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kIntRegisters = 125;
    static constexpr int kFloatRegisters = 62;

    // settings: the sheet's values, read now and written back by apply().
    explicit MBInputPage(ModbusModuleSettings& settings, QWidget* parent = nullptr);

    void apply() override;

    [[nodiscard]] uint32_t interval() const { return m_interval; }
    [[nodiscard]] uint16_t startRegister() const { return m_start; }
    [[nodiscard]] int registerCount() const { return m_count; }
    [[nodiscard]] uint8_t registerFormat() const { return m_format; }
    [[nodiscard]] int maximum() const { return m_maximum; }
    [[nodiscard]] const std::vector<std::string>& names() const { return m_names; }

    [[nodiscard]] QTimeEdit& intervalBox() const { return *m_intervalBox; }
    [[nodiscard]] controls::ClampSpinBox& startBox() const { return *m_startBox; }
    [[nodiscard]] QSpinBox& countBox() const { return *m_countBox; }
    [[nodiscard]] QComboBox& formatList() const { return *m_formatList; }
    [[nodiscard]] QComboBox& functionList() const { return *m_functionList; }
    [[nodiscard]] views::PointListView& list() const { return *m_list; }

    // "Edit Name" on the first selected row.
    void editName();
    // "Paste Tag(s)": the clipboard's names onto the selected rows, in row order.
    void pasteTags();

private:
    void setCount(int count);
    void formatChosen(int index);
    void setMaximum(int maximum);
    void refill(const std::vector<int>& selected);
    void refill();

    ModbusModuleSettings& m_settings;
    uint32_t m_interval = 0;
    uint16_t m_start = 0;
    int m_count = 0;
    uint8_t m_format = 0;
    int m_maximum = kIntRegisters;
    std::vector<std::string> m_names;

    QTimeEdit* m_intervalBox = nullptr;
    controls::ClampSpinBox* m_startBox = nullptr;
    QSpinBox* m_countBox = nullptr;
    QComboBox* m_formatList = nullptr;
    QComboBox* m_functionList = nullptr;
    views::PointListView* m_list = nullptr;
};

} // namespace quillan::gateway::ui
